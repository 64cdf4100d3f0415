#include <gtest/gtest.h>

#include <string>

#include "interaction/ImageNumber.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/interaction/PictureSourceFails.h"

namespace kestrova {
namespace {

using Access = Form1TestAccess;
using platform::MemoryDocument;

constexpr const char* kAppDir = "/opt/kestrova";

TEST(ImageNumber, AcceptsPlainDigitsWithAnOptionalSignWithin32Bits) {
    EXPECT_EQ(ImageNumber("12"), 12);
    EXPECT_EQ(ImageNumber("012"), 12);
    EXPECT_EQ(ImageNumber("+7"), 7);
    EXPECT_EQ(ImageNumber("-3"), -3);
    EXPECT_EQ(ImageNumber("2147483647"), 2147483647);
    EXPECT_EQ(ImageNumber("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "+", "-", "1a", " 1", "1 ", "1.0", "2147483648", "+-1", "0x10"}) {
        EXPECT_EQ(ImageNumber(bad), std::nullopt) << bad;
    }
}

// The page start-up writes for the fixture database, in an in-memory
// document whose events reach the window's handlers.
class ExpandCollapseTest : public ::testing::Test {
protected:
    ExpandCollapseTest() {
        folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
        runtime::SetAppPath(folder.Path());
        form.ShowOutlinePage();
        runtime::SetAppPath(kAppDir);
        doc = browser.CurrentDocument();
    }

    std::size_t Element(const std::string& attribute, const std::string& value) {
        const auto found = doc->Find(attribute, value);
        EXPECT_TRUE(found.has_value()) << attribute << "=" << value;
        return found.value_or(0);
    }
    std::optional<bool> Click(const std::string& imageName) {
        return doc->DispatchClick(Element("name", imageName));
    }
    std::string Display(const std::string& id) {
        return *doc->Attribute(Element("id", id), "display");
    }
    std::string Source(const std::string& name) {
        return *doc->Attribute(Element("name", name), "src");
    }

    // Every element's attributes, to see that nothing changed.
    std::string Snapshot() {
        std::string all;
        for (std::size_t i = 0; i < doc->ElementCount(); ++i) {
            for (const char* attribute : {"name", "id", "src", "class", "display"}) {
                all += doc->Attribute(i, attribute).value_or("-") + ",";
            }
        }
        return all;
    }

    testing::FixtureFolder folder;
    platform::MemoryBrowser browser;
    Form1 form{browser};
    std::shared_ptr<MemoryDocument> doc;
};

TEST_F(ExpandCollapseTest, ClicksOnAnythingButAPictureChangeNothing) {
    const std::string before = Snapshot();
    const std::size_t cell = Element("bgcolor", "#ffffc0");
    EXPECT_EQ(doc->DispatchClick(cell), std::optional<bool>(false));
    EXPECT_EQ(Access::Element(form)->tagName(), "TD");
    EXPECT_EQ(doc->DispatchClick(Element("id", "divCustomer1")), std::optional<bool>(false));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ExpandCollapseTest, EachClickOnACustomersPictureShowsOrHidesItsOrders) {
    EXPECT_EQ(Display("divCustomer1"), "none");
    EXPECT_EQ(Click("imgCustomer1"), std::optional<bool>(false));
    EXPECT_EQ(Display("divCustomer1"), "");
    EXPECT_EQ(Source("imgCustomer1"), "/opt/kestrova\\Minus.gif");
    EXPECT_EQ(Click("imgCustomer1"), std::optional<bool>(false));
    EXPECT_EQ(Display("divCustomer1"), "none");
    EXPECT_EQ(Source("imgCustomer1"), "/opt/kestrova\\Plus.gif");
    Click("imgCustomer1");
    EXPECT_EQ(Display("divCustomer1"), "");
    // Neither the other customer nor any order changed.
    EXPECT_EQ(Display("divCustomer2"), "none");
    EXPECT_EQ(Display("divOrder1"), "none");
}

TEST_F(ExpandCollapseTest, OrderPicturesToggleOrderDivisionsNumberedAcrossThePage) {
    Click("imgOrder1");
    EXPECT_EQ(Display("divOrder1"), "");
    EXPECT_EQ(Display("divCustomer1"), "none");
    // Customer 1 has two orders, so customer 2's first order is number 3.
    const std::string_view page = doc->WrittenText();
    const auto customer2 = page.find("id=\"divCustomer2\"");
    EXPECT_LT(page.find("name=\"imgOrder2\""), customer2);
    EXPECT_GT(page.find("name=\"imgOrder3\""), customer2);
    Click("imgOrder3");
    EXPECT_EQ(Display("divOrder3"), "");
    EXPECT_EQ(Display("divCustomer2"), "none");
}

TEST_F(ExpandCollapseTest, HidingACustomerKeepsItsOrdersAsTheyWere) {
    Click("imgCustomer1");
    Click("imgOrder2");
    Click("imgCustomer1");
    Click("imgCustomer1");
    EXPECT_EQ(Display("divCustomer1"), "");
    EXPECT_EQ(Display("divOrder1"), "none");
    EXPECT_EQ(Display("divOrder2"), "");
}

TEST_F(ExpandCollapseTest, AFailingStepIsSkippedAndTheRestStillRuns) {
    form.BindDocument(std::make_shared<testing::PictureSourceFails>(doc));
    kestrova::testing::DiagnosticsCapture capture;
    EXPECT_EQ(Click("imgCustomer2"), std::optional<bool>(false));
    const std::string diagnostics = capture.Text();
    EXPECT_EQ(Display("divCustomer2"), "");
    EXPECT_EQ(Source("imgCustomer2"), folder.Path() + "\\plus.gif");
    EXPECT_NE(diagnostics.find("changing the picture"), std::string::npos) << diagnostics;
}

TEST_F(ExpandCollapseTest, MouseOutMarksPicturesOnlyAndMovesTheLastElement) {
    const std::size_t image = Element("name", "imgCustomer2");
    const std::size_t cell = Element("bgcolor", "#ffffc0");
    const std::string sourceBefore = Source("imgCustomer2");
    Click("imgCustomer2");
    EXPECT_EQ(Access::Element(form)->tagName(), "IMG");
    EXPECT_TRUE(doc->DispatchMouseOut(cell));
    EXPECT_EQ(Access::Element(form)->tagName(), "TD");
    EXPECT_EQ(doc->Attribute(cell, "class"), std::nullopt);
    for (int i = 0; i < 3; ++i) {
        doc->DispatchMouseOut(image);
        EXPECT_EQ(doc->Attribute(image, "class"), "DontPoint");
    }
    EXPECT_EQ(Source("imgCustomer2"), "/opt/kestrova\\Minus.gif");
    EXPECT_EQ(Display("divCustomer2"), "");
    EXPECT_EQ(doc->Find("class", "Point"), std::nullopt);
}

// A document of the window's own making, for names the page never has.
class OddPicturesTest : public ::testing::Test {
protected:
    OddPicturesTest() {
        runtime::SetAppPath(kAppDir);
        doc->write(
            "<img name=\"imgOrder012\"><div id=\"divOrder12\" style=\"display:none\"></div>"
            "<img name=\"imgCustomer12\"><div id=\"divCustomer12\" style=\"display: none\"></div>"
            "<img name=\"anyName_5\"><div id=\"divOrder5\" style=\"display:none\"></div>"
            "<img name=\"imgCustoX\"><img name=\"imgCust\"><div id=\"divOrder0\"></div>"
            "<img name=\"imgOrder7\"><div id=\"divOrder7\" style=\"display:block\"></div>"
            "<img name=\"imgOrder9\">");
        form.BindDocument(doc);
    }
    std::string Attribute(const std::string& key, const std::string& value, const char* name) {
        return doc->Attribute(*doc->Find(key, value), name).value_or("(none)");
    }
    void Click(const std::string& name) {
        kestrova::testing::DiagnosticsCapture capture;
        EXPECT_EQ(doc->DispatchClick(doc->Find("name", name)), std::optional<bool>(false));
        diagnostics = capture.Text();
    }

    platform::MemoryBrowser browser;
    Form1 form{browser};
    std::shared_ptr<MemoryDocument> doc = std::make_shared<MemoryDocument>();
    std::string diagnostics;
};

TEST_F(OddPicturesTest, TheNumberLosesLeadingZerosAndNamesOnlyTheirFirstLettersAreRead) {
    Click("imgOrder012");
    EXPECT_EQ(Attribute("id", "divOrder12", "display"), "");
    Click("imgCustomer12");
    EXPECT_EQ(Attribute("id", "divCustomer12", "display"), "");
    Click("anyName_5");
    EXPECT_EQ(Attribute("id", "divOrder5", "display"), "");
    EXPECT_EQ(Attribute("name", "anyName_5", "src"), "/opt/kestrova\\Minus.gif");
}

TEST_F(OddPicturesTest, AnyDisplayButNoneCountsAsShown) {
    Click("imgOrder7");
    EXPECT_EQ(Attribute("id", "divOrder7", "display"), "none");
    EXPECT_EQ(Attribute("name", "imgOrder7", "src"), "/opt/kestrova\\Plus.gif");
}

TEST_F(OddPicturesTest, NamesWithoutANumberAndMissingDivisionsOnlyResetThePicture) {
    // "imgCustoX" is too short for a customer number, "imgCust" for an order
    // number: the number stays 0, and there is no division 0 of either kind
    // to show but "divOrder0", which the order picture "imgCust" reaches.
    Click("imgCustoX");
    EXPECT_NE(diagnostics.find("too short"), std::string::npos) << diagnostics;
    EXPECT_EQ(Attribute("name", "imgCustoX", "src"), "/opt/kestrova\\Plus.gif");
    EXPECT_EQ(Attribute("id", "divOrder0", "display"), "");
    Click("imgOrder9");
    EXPECT_EQ(Attribute("name", "imgOrder9", "src"), "/opt/kestrova\\Plus.gif");
    EXPECT_NE(diagnostics.find("divOrder9"), std::string::npos) << diagnostics;
}

TEST(FreshDocument, AClickRightAfterTheWriteFindsItsPicture) {
    // Found by fuzzing: the document had not read its elements yet.
    runtime::SetAppPath(kAppDir);
    platform::MemoryBrowser browser;
    Form1 form(browser);
    auto doc = std::make_shared<MemoryDocument>();
    doc->write("<img name=\"imgOrder4\"><div id=\"divOrder4\" style=\"display:none\">");
    form.BindDocument(doc);
    EXPECT_EQ(doc->DispatchClick(0), std::optional<bool>(false));
    EXPECT_EQ(doc->Attribute(1, "display"), "");
    // A click on an element the document does not have reaches no element.
    EXPECT_EQ(doc->DispatchClick(99), std::optional<bool>(false));
}

TEST(UnboundDocument, ClicksBeforeTheEventsAreBoundReachNoHandler) {
    platform::MemoryDocument doc;
    doc.write("<img name=\"imgCustomer1\"><div id=\"divCustomer1\" style=\"display:none\">");
    EXPECT_EQ(doc.DispatchClick(0), std::nullopt);
    EXPECT_EQ(doc.Attribute(1, "display"), "none");
}

}  // namespace
}  // namespace kestrova
