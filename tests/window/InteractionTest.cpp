#include <gtest/gtest.h>

#include <string>

#include "tests/window/ShownWindow.h"

namespace kestrova {
namespace {

// Expanding and collapsing in the real window, with real pointer input.
class InteractionTest : public ::testing::Test {
protected:
    std::string Display(const std::string& id) {
        return window.Page("document.all.item('" + id + "').style.display");
    }
    std::string Source(const std::string& name) {
        return window.Page("document.all.item('" + name + "').getAttribute('src')");
    }
    bool PictureShows(const std::string& name) {
        return window.WaitFor("(() => { const i = document.all.item('" + name +
                                  "'); return i.complete && i.naturalWidth == 16; })()",
                              "true");
    }

    testing::ShownWindow window{std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb"};
    const std::string artifacts = KESTROVA_BUILT_APPDIR;
};

TEST_F(InteractionTest, ClickingPicturesShowsAndHidesCustomersOrdersAndOrdersLineItems) {
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(PictureShows("imgCustomer1"));
    window.Screenshot(artifacts + "/interaction-before.png");
    const std::string minus = window.Directory() + "\\Minus.gif";
    const std::string plus = window.Directory() + "\\Plus.gif";

    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    EXPECT_EQ(Source("imgCustomer1"), minus);
    EXPECT_TRUE(PictureShows("imgCustomer1"));
    window.Screenshot(artifacts + "/interaction-customer-shown.png");

    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", "none"));
    EXPECT_EQ(Source("imgCustomer1"), plus);
    EXPECT_TRUE(PictureShows("imgCustomer1"));

    // Show it again and open its first order.
    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    window.Click("imgOrder1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divOrder1').style.display", ""));
    EXPECT_EQ(Source("imgOrder1"), minus);
    window.Screenshot(artifacts + "/interaction-order-shown.png");

    // Hiding and showing the customer keeps its order as it was.
    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", "none"));
    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    EXPECT_EQ(Display("divOrder1"), "");
    EXPECT_EQ(Display("divOrder2"), "none");
}

TEST_F(InteractionTest, OrderNumbersRunOnAcrossCustomers) {
    ASSERT_TRUE(window.WaitForPage());
    // Their orders are read once shown. The second customer first: the
    // window shows only the top of the view, and opening the first customer
    // first would leave the second one's picture below it.
    window.Click("imgCustomer2");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer2').style.display", ""));
    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    const std::string ordersOfCustomer1 =
        window.Page("document.all.item('divCustomer1').querySelectorAll('img').length");
    const int lastOfCustomer1 = std::stoi(ordersOfCustomer1);
    ASSERT_GT(lastOfCustomer1, 0);
    const std::string firstOfCustomer2 =
        window.Page("document.all.item('divCustomer2').querySelector('img').getAttribute('name')");
    EXPECT_EQ(firstOfCustomer2, "imgOrder" + std::to_string(lastOfCustomer1 + 1));

    window.Click(firstOfCustomer2);
    const std::string division = "divOrder" + std::to_string(lastOfCustomer1 + 1);
    EXPECT_TRUE(window.WaitFor("document.all.item('" + division + "').style.display", ""));
    EXPECT_EQ(Display("divCustomer1"), "");
}

TEST_F(InteractionTest, ThePointerLeavingAPictureOnlyGivesItTheClassDontPoint) {
    ASSERT_TRUE(window.WaitForPage());
    const std::string before = Source("imgCustomer3");
    window.PointAt("imgCustomer3");
    EXPECT_EQ(window.Page("document.all.item('imgCustomer3').className"), "");
    window.PointAway();
    EXPECT_TRUE(window.WaitFor("document.all.item('imgCustomer3').className", "DontPoint"));
    EXPECT_EQ(Source("imgCustomer3"), before);
    EXPECT_EQ(Display("divCustomer3"), "none");
    EXPECT_EQ(window.Page("document.querySelectorAll('.Point').length"), "0");
    window.Screenshot(KESTROVA_BUILT_APPDIR "/interaction-after.png");
}

}  // namespace
}  // namespace kestrova
