#include <gtest/gtest.h>

#include <string>

#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/SampleDatabase.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/Snapshot.h"
#include "tests/window/ViewProbe.h"

// The window stays alive while the rest of a long page is still read and
// written: a click on a shown picture shows its division, the keys scroll
// the page and reach the pictures. Each wait only guards against a hang.

namespace kestrova {
namespace {

constexpr int kCustomers = 20000;

// The page is still being written: the document is not closed, and the
// table does not know every customer row yet.
constexpr const char* kStillBuilt =
    "String(document.readyState != 'complete' && "
    "document.querySelector('table[aria-rowcount=\"40001\"]') === null)";

TEST(WhileThePageIsBuilt, AClickShowsItsDivisionAndTheKeysScrollAndReachThePictures) {
    testing::FixtureFolder folder;
    testing::ShownWindow window(testing::SampleDatabase(folder, kCustomers, 5), "building");
    ASSERT_TRUE(
        window.WaitFor("String(document.getElementsByName('imgCustomer3').length)", "1", 60));
    ASSERT_EQ(window.Page(kStillBuilt), "true") << "the page was whole before the test began";
    WebKitWebView* view = window.Window().View();
    const auto before = testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE);

    window.Click("imgCustomer1");
    EXPECT_TRUE(window.WaitFor("document.getElementById('divCustomer1').style.display", ""));
    EXPECT_TRUE(window.WaitFor(
        "String(document.getElementById('divCustomer1').getElementsByTagName('img').length > 0)",
        "true"));
    EXPECT_TRUE(testing::SpinUntil(
        [&] {
            return testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE)
                       .DifferingPixels(before) > 0;
        },
        testing::HangGuard(30)))
        << "the shown division was never painted";
    window.PointAway();

    window.Page("window.scrollTo(0, 0); 'top'");
    window.PressKey("Next");
    EXPECT_TRUE(window.WaitFor("String(window.scrollY > 0)", "true")) << "Page Down did not scroll";
    window.PressKey("Tab");
    EXPECT_TRUE(window.WaitFor("document.activeElement.tagName", "IMG"))
        << "Tab reached no picture";
    // All of it happened while the rest was still on its way.
    EXPECT_EQ(window.Page(kStillBuilt), "true");
    // The page still comes whole in the end: its last customer shows at
    // the end of the page.
    EXPECT_TRUE(window.WaitFor("document.readyState", "complete", 300));
    window.Page("window.scrollTo(0, document.documentElement.scrollHeight); 0");
    EXPECT_TRUE(
        window.WaitFor("String(document.getElementsByName('imgCustomer20000').length)", "1"));
}

}  // namespace
}  // namespace kestrova
