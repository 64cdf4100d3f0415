#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/App.h"
#include "platform/webkit/WebKitBrowser.h"
#include "shell/window/MainWindow.h"
#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/SampleDatabase.h"
#include "tests/window/Snapshot.h"
#include "tests/window/ViewProbe.h"

// The view builds the content of a hidden division when it is first shown.
// Whatever is clicked, it must look and hold exactly what a view that built
// the whole page at once looks and holds after the same clicks.

namespace kestrova {
namespace {

using testing::Evaluate;
using testing::SpinUntil;

constexpr const char* kStands =
    "document.readyState == 'complete' &&"
    " Array.from(document.images).every(i => i.complete && i.naturalWidth == 16) &&"
    " document.getElementsByTagName('base')[0].getAttribute('href') != 'D:\\\\0\\\\4.htm'";

// Every division shown, by id, with its markup.
constexpr const char* kShownDivisions =
    "Array.from(document.getElementsByTagName('div')).filter(d => d.style.display != 'none')"
    ".map(d => d.id + '=' + d.outerHTML).join('\\n')";

// The pictures a user can click now: those whose row is shown.
constexpr const char* kClickablePictures =
    "Array.from(document.images).filter(i => i.offsetParent !== null).map(i => i.name).join(' ')";

class DeferredViewTest : public ::testing::Test {
protected:
    DeferredViewTest()
        : copy(testing::SampleDatabase(folder, 50, 11), "deferred"),
          deferred((runtime::SetAppPath(copy.Path()), copy.Path()),
                   platform::PageLoading::DeferHiddenDivisions),
          whole(copy.Path(), platform::PageLoading::Whole) {
        deferred.Show();
        whole.Show();
    }

    bool BothStand() {
        return SpinUntil(
            [&] {
                return Evaluate(deferred.View(), kStands) == "true" &&
                       Evaluate(whole.View(), kStands) == "true";
            },
            testing::HangGuard(60));
    }

    // Clicks the picture in both views, inside each document's own dispatch.
    void Click(const std::string& name) {
        const std::string script = "document.all.item('" + name + "').click(); 'clicked'";
        ASSERT_EQ(Evaluate(deferred.View(), script), "clicked") << name;
        ASSERT_EQ(Evaluate(whole.View(), script), "clicked") << name;
    }

    void ExpectTheSame(const std::string& after) {
        ASSERT_TRUE(BothStand()) << after;
        EXPECT_EQ(Evaluate(deferred.View(), kShownDivisions),
                  Evaluate(whole.View(), kShownDivisions))
            << after;
        for (const auto region :
             {WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_REGION_FULL_DOCUMENT}) {
            const auto seen = testing::TakeSnapshot(deferred.View(), region);
            const auto expected = testing::TakeSnapshot(whole.View(), region);
            ASSERT_GT(seen.width, 0);
            const long differing = seen.DifferingPixels(expected);
            EXPECT_EQ(differing, 0) << after;
            if (differing) {
                seen.SavePng(std::string(KESTROVA_BUILT_APPDIR) + "/deferred-view-seen.png");
                expected.SavePng(std::string(KESTROVA_BUILT_APPDIR) +
                                 "/deferred-view-expected.png");
            }
        }
    }

    testing::FixtureFolder folder;
    testing::AppDirectoryCopy copy;
    MainWindow deferred;
    MainWindow whole;
};

TEST_F(DeferredViewTest, LooksAndHoldsWhatTheWholePageDoesAfterAnyClicks) {
    ASSERT_TRUE(BothStand());
    ExpectTheSame("at the start");
    // Nothing of a hidden division's content is there before it is shown.
    EXPECT_EQ(Evaluate(deferred.View(), "document.getElementsByName('imgOrder1').length"), "0");
    EXPECT_EQ(Evaluate(whole.View(), "document.getElementsByName('imgOrder1').length"), "1");

    for (const unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        std::string steps;
        for (int step = 0; step < 12; ++step) {
            std::istringstream clickable(Evaluate(deferred.View(), kClickablePictures));
            std::vector<std::string> customers;
            std::vector<std::string> orders;
            for (std::string name; clickable >> name;) {
                (name.rfind("imgCustomer", 0) == 0 ? customers : orders).push_back(name);
            }
            ASSERT_FALSE(customers.empty());
            // Orders when there are any, half of the time; a recent picture
            // again now and then, for second and third clicks.
            const bool order = !orders.empty() && random() % 2 == 0;
            const auto& from = order ? orders : customers;
            const std::string name = from[random() % std::min<std::size_t>(from.size(), 6)];
            steps += " " + name;
            Click(name);
        }
        ExpectTheSame("after" + steps);
    }
}

// A page where a picture stands outside the hidden division that holds the
// division it names: the click handler's lookup of that division must find
// it, though its content has not been built.
constexpr const char* kOrderInsideAHiddenCustomer =
    "<html><head><base href=\"D:\\0\\4.htm\"></head><body>"
    "<img name=\"imgOrder7\" src=\"plus.gif\">"
    "<div id=\"divCustomer1\" style=\"display:none\"><table><tr><td>"
    "<div id=\"divOrder7\" style=\"display:none\">seven</div>"
    "</td></tr></table></div></body></html>";

class NoEvents final : public platform::HTMLDocumentEvents {
public:
    bool onclick() override { return false; }
    void onmouseout() override {}
};

// A bare browser control showing `page` with the window's handlers bound.
class PageInView {
public:
    PageInView(const std::string& directory, platform::PageLoading loading, const char* page)
        : browser_(directory, loading), window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
        gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(browser_.View()));
        gtk_widget_show_all(window_);
        browser_.Navigate("about:blank");
        const auto document = browser_.Document();
        document->Advise(events_);
        document->write(page);
        document->getElementsByTagName("base")->Item(0)->put_href(directory);
    }
    ~PageInView() { gtk_widget_destroy(window_); }
    std::string Page(const std::string& script) { return Evaluate(browser_.View(), script); }

private:
    NoEvents events_;
    platform::WebKitBrowser browser_;
    GtkWidget* window_;
};

// One page in a view that builds its hidden divisions when first shown and
// in one that builds it whole, from one copied application directory.
struct DeferredAndWhole {
    explicit DeferredAndWhole(const std::string& page)
        : deferred((runtime::SetAppPath(copy.Path()), copy.Path()),
                   platform::PageLoading::DeferHiddenDivisions, page.c_str()),
          whole(copy.Path(), platform::PageLoading::Whole, page.c_str()) {}

    testing::AppDirectoryCopy copy;
    PageInView deferred;
    PageInView whole;
};

// Waits until the page is written whole, with this many pictures.
bool Written(PageInView& view, int pictures) {
    const std::string written = "String(document.images.length == " + std::to_string(pictures) +
                                " && document.readyState == 'complete')";
    return SpinUntil([&] { return view.Page(written) == "true"; }, testing::HangGuard(60));
}

TEST(DeferredView, ALookupOfAnElementInsideAHiddenDivisionBuildsWhatHoldsIt) {
    DeferredAndWhole views(kOrderInsideAHiddenCustomer);
    PageInView& deferred = views.deferred;
    PageInView& whole = views.whole;
    ASSERT_TRUE(Written(deferred, 1));
    ASSERT_TRUE(Written(whole, 1));
    EXPECT_EQ(deferred.Page("document.getElementById('divOrder7')"), "null");

    const std::string click = "document.all.item('imgOrder7').click(); 'clicked'";
    ASSERT_EQ(deferred.Page(click), "clicked");
    ASSERT_EQ(whole.Page(click), "clicked");
    const std::string body = "document.body.innerHTML";
    EXPECT_EQ(deferred.Page("document.getElementById('divOrder7').style.display"), "");
    EXPECT_EQ(deferred.Page(body), whole.Page(body));
    EXPECT_NE(deferred.Page(body).find("Minus.gif"), std::string::npos);
}

// A page long enough to go to the view in three parts: the start, and two
// parts of the rest as they are split. `again` is a division id of the
// start that the last part uses once more, or empty.
std::string ThreePartPage(const std::string& again) {
    std::string page = "<html><head><base href=\"D:\\0\\4.htm\"></head><body>";
    for (int customer = 1; customer <= 8000; ++customer) {
        const std::string n = std::to_string(customer);
        page += "<p><img name=\"imgCustomer" + n + "\" src=\"plus.gif\">customer " + n +
                "</p><div id=\"divCustomer" + n + "\" style=\"display:none\"><b>orders of " + n +
                "</b></div>\n";
    }
    if (!again.empty()) {
        page += "<div id=\"" + again + "\" style=\"display:none\">the same id</div>";
    }
    return page + "</body></html>";
}

// The divisions of later parts wait as those of the start do, and the page
// holds what the whole page holds after clicks on both.
TEST(DeferredView, APageInPartsHoldsWhatTheWholePageDoes) {
    DeferredAndWhole views(ThreePartPage(""));
    PageInView& deferred = views.deferred;
    PageInView& whole = views.whole;
    ASSERT_TRUE(Written(deferred, 8000));
    ASSERT_TRUE(Written(whole, 8000));
    EXPECT_EQ(deferred.Page("document.getElementById('divCustomer7999').innerHTML"), "");
    for (const char* name : {"imgCustomer7999", "imgCustomer3", "imgCustomer7999"}) {
        const std::string click =
            std::string("document.all.item('") + name + "').click(); 'clicked'";
        ASSERT_EQ(deferred.Page(click), "clicked");
        ASSERT_EQ(whole.Page(click), "clicked");
    }
    EXPECT_EQ(deferred.Page(kShownDivisions), whole.Page(kShownDivisions));
    EXPECT_EQ(deferred.Page("document.getElementById('divCustomer3').style.display"), "");
    EXPECT_EQ(deferred.Page("document.getElementById('divCustomer7999').style.display"), "none");
    EXPECT_EQ(deferred.Page("document.getElementById('divCustomer7999').innerHTML"),
              "<b>orders of 7999</b>");
}

// An id of the start that the last part uses again, found after a part
// was written: the page is written again as one part, both divisions
// whole, as the whole page has them.
TEST(DeferredView, AnIdOfTheStartUsedAgainInALaterPartLeavesBothDivisionsWhole) {
    DeferredAndWhole views(ThreePartPage("divCustomer2"));
    PageInView& deferred = views.deferred;
    PageInView& whole = views.whole;
    ASSERT_TRUE(Written(deferred, 8000));
    ASSERT_TRUE(Written(whole, 8000));
    const std::string both =
        "Array.from(document.querySelectorAll('div[id=divCustomer2]'))"
        ".map(d => d.innerHTML).join('|')";
    ASSERT_EQ(whole.Page(both), "<b>orders of 2</b>|the same id");
    EXPECT_TRUE(
        SpinUntil([&] { return deferred.Page(both) == whole.Page(both); }, testing::HangGuard(60)))
        << deferred.Page(both);
    // The other divisions still wait.
    EXPECT_EQ(deferred.Page("document.getElementById('divCustomer7999').innerHTML"), "");
}

// Text beyond ASCII across the places where the page is cut into pieces
// for writing: every character arrives whole.
TEST(DeferredView, WritesTextBeyondAsciiWholeAcrossItsPieces) {
    std::string page = "<html><head><base href=\"D:\\0\\4.htm\"></head><body><p id=\"text\">";
    std::string text;
    while (text.size() < 700 * 1024) {
        text += "a\u00e9\u20ac\U0001D11E";  // one, two, three and four bytes
    }
    page += text + "</p></body></html>";
    testing::AppDirectoryCopy copy;
    runtime::SetAppPath(copy.Path());
    PageInView deferred(copy.Path(), platform::PageLoading::DeferHiddenDivisions, page.c_str());
    // The empty document the page is written into is complete too: wait
    // for the page's own element and the document closed after it.
    ASSERT_TRUE(SpinUntil(
        [&] {
            return deferred.Page(
                       "String(document.getElementById('text') !== null &&"
                       " document.readyState == 'complete')") == "true";
        },
        testing::HangGuard(60)));
    EXPECT_EQ(deferred.Page("document.getElementById('text').textContent.length"),
              std::to_string(text.size() / 10 * 5));
    EXPECT_EQ(deferred.Page("document.getElementById('text').textContent") == text, true);
}

}  // namespace
}  // namespace kestrova
