#include <gtest/gtest.h>

#include <string>

#include "tests/HangGuard.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/Snapshot.h"
#include "tests/window/ViewProbe.h"

// Every plus and minus picture works without a mouse: Tab reaches the shown
// ones in page order, Enter and Space do what a click does.

namespace kestrova {
namespace {

// Each key's effect is waited for: a busy machine may take a while to
// deliver it, and keys pressed meanwhile are handled in order.
constexpr const char* kFocused = "document.activeElement.name || document.activeElement.tagName";

bool FocusIsOn(testing::ShownWindow& window, const std::string& name) {
    return window.WaitFor(kFocused, name);
}

bool DisplayIs(testing::ShownWindow& window, const std::string& division,
               const std::string& display) {
    return window.WaitFor("document.getElementById('" + division + "').style.display", display);
}

TEST(Keyboard, TabReachesTheShownPicturesInOrderAndEnterOrSpaceClicksThem) {
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "keys");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(window.WaitFor("document.readyState + document.images.length", "complete25"));
    ASSERT_TRUE(window.WaitFor("document.images[0].getAttribute('role')", "button"));
    WebKitWebView* view = window.Window().View();
    const auto unfocused = testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE);

    window.PressKey("Tab");
    EXPECT_TRUE(FocusIsOn(window, "imgCustomer1"));
    // The focus shows: a ring around the picture, nothing else changed.
    EXPECT_TRUE(testing::SpinUntil(
        [&] {
            return testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE)
                       .DifferingPixels(unfocused) > 0;
        },
        testing::HangGuard(30)));
    window.PressKey("Return");
    EXPECT_TRUE(DisplayIs(window, "divCustomer1", ""));
    EXPECT_TRUE(
        window.WaitFor("document.all.item('imgCustomer1').src.endsWith('Minus.gif')", "true"));
    EXPECT_TRUE(FocusIsOn(window, "imgCustomer1"));
    EXPECT_EQ(window.Page("String(window.scrollY)"), "0");

    // The next picture is customer 1's first order, now shown.
    const std::string firstOrder =
        window.Page("document.getElementById('divCustomer1').querySelector('img').name");
    window.PressKey("Tab");
    EXPECT_TRUE(FocusIsOn(window, firstOrder));
    const std::string orderDivision = "divOrder" + firstOrder.substr(8);
    window.PressKey("space");
    EXPECT_TRUE(DisplayIs(window, orderDivision, ""));
    EXPECT_EQ(window.Page("String(window.scrollY)"), "0") << "space scrolled the page";
    window.PressKey("space");
    EXPECT_TRUE(DisplayIs(window, orderDivision, "none"));

    // Back to customer 1: a second Enter hides its orders again; the
    // pictures inside are skipped from then on.
    window.PressKey("shift+Tab");
    EXPECT_TRUE(FocusIsOn(window, "imgCustomer1"));
    window.PressKey("Return");
    EXPECT_TRUE(DisplayIs(window, "divCustomer1", "none"));
    EXPECT_TRUE(
        window.WaitFor("document.all.item('imgCustomer1').src.endsWith('Plus.gif')", "true"));
    window.PressKey("Tab");
    EXPECT_TRUE(FocusIsOn(window, "imgCustomer2"));
}

TEST(Keyboard, HidingTheDivisionThatHoldsTheFocusMovesItToThePicture) {
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "keys");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(window.WaitFor("document.readyState", "complete"));
    ASSERT_TRUE(window.WaitFor("document.images[0].getAttribute('role')", "button"));
    window.PressKey("Tab");
    window.PressKey("Return");
    ASSERT_TRUE(DisplayIs(window, "divCustomer1", ""));
    window.PressKey("Tab");
    ASSERT_TRUE(
        window.WaitFor("String(document.activeElement.name.startsWith('imgOrder'))", "true"));
    // A click on customer 1's picture that does not move the focus itself.
    window.Page("document.all.item('imgCustomer1').click()");
    EXPECT_TRUE(DisplayIs(window, "divCustomer1", "none"));
    EXPECT_TRUE(FocusIsOn(window, "imgCustomer1"));
}

TEST(Keyboard, ArrowsAndPageKeysScrollThePage) {
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "keys");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(window.WaitFor("document.readyState", "complete"));
    // Customer 1's orders make the page longer than the view.
    window.Page("document.all.item('imgCustomer1').click()");
    ASSERT_TRUE(window.WaitFor(
        "String(document.documentElement.scrollHeight > window.innerHeight + 200)", "true"));
    window.PressKey("End");
    EXPECT_TRUE(window.WaitFor("String(window.scrollY > 0)", "true"));
    window.PressKey("Home");
    EXPECT_TRUE(window.WaitFor("String(window.scrollY)", "0"));
    window.PressKey("Down");
    EXPECT_TRUE(window.WaitFor("String(window.scrollY > 0)", "true"));
    window.PressKey("Page_Up");
    EXPECT_TRUE(window.WaitFor("String(window.scrollY)", "0"));
}

}  // namespace
}  // namespace kestrova
