#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/App.h"
#include "platform/webkit/WebKitBrowser.h"
#include "shell/window/MainWindow.h"
#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/SampleDatabase.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/Snapshot.h"
#include "tests/window/ViewProbe.h"

// A long outline's rows are in the document only around the part of the
// page in sight. Whatever the place and whatever is shown, the view looks
// exactly as one that holds every row, and what the user did to rows is
// there when they come back.

namespace kestrova {
namespace {

using testing::Evaluate;
using testing::SpinUntil;

constexpr int kCustomers = 3000;

constexpr const char* kStands =
    "String(document.readyState == 'complete' &&"
    " Array.from(document.images).every(i => i.complete && i.naturalWidth == 16) &&"
    " document.getElementsByTagName('base')[0].getAttribute('href') != 'D:\\\\0\\\\4.htm')";

// The customer pictures in the document, as "first last count".
constexpr const char* kCustomersHeld =
    "(() => { const p = Array.from(document.images).filter(i => i.name.startsWith('imgCustomer'));"
    " return p.length ? p[0].name + ' ' + p[p.length - 1].name + ' ' + p.length : 'none'; })()";

// The first customer whose picture is in sight.
constexpr const char* kFirstInSight =
    "(() => { for (const i of document.images) { const r = i.getBoundingClientRect();"
    " if (i.name.startsWith('imgCustomer') && r.top >= 0 && r.bottom <= innerHeight) return "
    "i.name; } return ''; })()";

// A sample of kCustomers customers, changed by `sql`.
std::string Sample(const testing::FixtureFolder& folder, const std::string& sql = "") {
    const std::string database = testing::SampleDatabase(folder, kCustomers, 11);
    if (!sql.empty()) {
        testing::ExecuteSql(database, sql);
    }
    return database;
}

// One page in the window as it is, and in one that holds every row.
class RowWindowTest : public ::testing::Test {
protected:
    explicit RowWindowTest(const std::string& sql = "")
        : copy(Sample(folder, sql), "rows"),
          windowed((runtime::SetAppPath(copy.Path()), copy.Path())),
          everyRow(copy.Path(), platform::PageLoading::DeferHiddenDivisionsEveryRow) {
        windowed.Show();
        everyRow.Show();
    }

    bool BothStand() {
        return SpinUntil(
            [&] {
                return Evaluate(windowed.View(), kStands) == "true" &&
                       Evaluate(everyRow.View(), kStands) == "true";
            },
            testing::HangGuard(120));
    }

    std::string Both(const std::string& script) {
        const std::string a = Evaluate(windowed.View(), script);
        const std::string b = Evaluate(everyRow.View(), script);
        return a == b ? a : "windowed: " + a + ", every row: " + b;
    }

    // Scrolls both views to `y` and lets the window follow.
    void ScrollTo(const std::string& y) {
        const std::string script = "window.scrollTo(0, " + y + "); String(window.scrollY)";
        Evaluate(windowed.View(), script);
        Evaluate(everyRow.View(), script);
        SpinUntil([] { return false; }, 0.3);
        Evaluate(windowed.View(), "window.scrollTo(0, " + y + "); 0");
        SpinUntil([] { return false; }, 0.3);
    }

    void Click(const std::string& name) {
        const std::string script = "document.all.item('" + name + "').click(); 'clicked'";
        ASSERT_EQ(Evaluate(windowed.View(), script), "clicked") << name;
        ASSERT_EQ(Evaluate(everyRow.View(), script), "clicked") << name;
    }

    void ExpectTheSamePixels(const std::string& where) {
        ASSERT_TRUE(BothStand()) << where;
        EXPECT_EQ(Both("String(window.scrollY) + ' of ' + document.documentElement.scrollHeight"),
                  Evaluate(everyRow.View(),
                           "String(window.scrollY) + ' of ' + "
                           "document.documentElement.scrollHeight"))
            << where;
        const auto seen = testing::TakeSnapshot(windowed.View(), WEBKIT_SNAPSHOT_REGION_VISIBLE);
        const auto expected =
            testing::TakeSnapshot(everyRow.View(), WEBKIT_SNAPSHOT_REGION_VISIBLE);
        ASSERT_GT(seen.width, 0);
        const long differing = seen.DifferingPixels(expected);
        EXPECT_EQ(differing, 0) << where;
        if (differing) {
            seen.SavePng(std::string(KESTROVA_BUILT_APPDIR) + "/row-window-seen.png");
            expected.SavePng(std::string(KESTROVA_BUILT_APPDIR) + "/row-window-expected.png");
        }
    }

    testing::FixtureFolder folder;
    testing::AppDirectoryCopy copy;
    MainWindow windowed;
    MainWindow everyRow;
};

// The first order picture in a customer's orders.
std::string FirstOrderOf(WebKitWebView* view, const std::string& customer) {
    return Evaluate(view, "document.getElementById('div" + customer.substr(3) +
                              "').querySelector('img[name^=\"imgOrder\"]').name");
}

TEST_F(RowWindowTest, LooksAsEveryRowAtTheTopTheMiddleAndTheEndWithOrdersShown) {
    ASSERT_TRUE(BothStand());
    // Far fewer rows than the page's are in the document.
    const std::string all = std::to_string(kCustomers);
    EXPECT_EQ(Evaluate(everyRow.View(), kCustomersHeld),
              "imgCustomer1 imgCustomer" + all + " " + all);
    const std::string held = Evaluate(windowed.View(), kCustomersHeld);
    EXPECT_EQ(held.rfind("imgCustomer1 ", 0), 0U) << held;
    EXPECT_LT(std::stoi(held.substr(held.rfind(' ') + 1)), 300) << held;
    ExpectTheSamePixels("at the top");
    std::vector<std::string> shown;
    for (const std::string place : {"0", "document.documentElement.scrollHeight / 2",
                                    "document.documentElement.scrollHeight"}) {
        ScrollTo(place);
        ExpectTheSamePixels("scrolled to " + place);
        const std::string customer = Evaluate(windowed.View(), kFirstInSight);
        ASSERT_FALSE(customer.empty()) << place;
        Click(customer);
        ExpectTheSamePixels(customer + " shown at " + place);
        const std::string order = FirstOrderOf(windowed.View(), customer);
        Click(order);
        ExpectTheSamePixels(order + " of " + customer + " shown at " + place);
        shown.push_back(customer);
        shown.push_back(order);
        const std::string now = Evaluate(windowed.View(), kCustomersHeld);
        EXPECT_LT(std::stoi(now.substr(now.rfind(' ') + 1)), 300) << now;
    }
    // What was shown is shown again as its rows come back, in both views.
    for (const std::string place : {"0", "document.documentElement.scrollHeight / 2"}) {
        ScrollTo(place);
        ExpectTheSamePixels("back at " + place);
    }
    ScrollTo("0");
    EXPECT_EQ(Both("document.getElementById('divCustomer1').style.display + ' ' +"
                   " document.all.item('imgCustomer1').src.endsWith('Minus.gif')"),
              " true");
}

// The widest name and the widest total stand far down the page, and many
// long names of narrow letters before them: the columns are as wide at the
// top as with every row there.
class WidestFarDown : public RowWindowTest {
protected:
    WidestFarDown()
        : RowWindowTest(
              "UPDATE Customers SET CompanyName = 'iiii lllll iiiii ' || CompanyName"
              " WHERE CustomerID % 7 = 0;"
              "UPDATE Customers SET CompanyName = 'WMWMW Wide Mountain Wheelworks & Sons'"
              " WHERE CustomerID = 2900;"
              "UPDATE Order_Details SET UnitPrice = 987654.32 WHERE OrderID = (SELECT"
              " min(OrderID) FROM Orders WHERE CustomerID = 2950);") {}
};

TEST_F(WidestFarDown, TheColumnsAreAsWideAsWithEveryRow) {
    ASSERT_TRUE(BothStand());
    EXPECT_EQ(Evaluate(windowed.View(),
                       "String(document.getElementsByName('imgCustomer2900')"
                       ".length)"),
              "0");
    ExpectTheSamePixels("at the top");
    ScrollTo("document.documentElement.scrollHeight");
    ExpectTheSamePixels("at the end");
}

}  // namespace
}  // namespace kestrova

namespace kestrova {
namespace {

constexpr const char* kFocused = "document.activeElement.name || document.activeElement.tagName";

// Whether the focused picture is wholly in sight.
constexpr const char* kFocusInSight =
    "(() => { const r = document.activeElement.getBoundingClientRect();"
    " return String(r.top >= 0 && r.bottom <= innerHeight); })()";

std::string Keys(const std::string& key, int times) {
    std::string keys = "--delay 12";
    for (int i = 0; i < times; ++i) {
        keys += " " + key;
    }
    return keys;
}

class LongOutline : public ::testing::Test {
protected:
    LongOutline() : window(testing::SampleDatabase(folder, kCustomers, 11), "long") {}

    void SetUp() override {
        ASSERT_TRUE(window.WaitForPage());
        ASSERT_TRUE(window.WaitFor(kStands, "true", 120));
    }

    testing::FixtureFolder folder;
    testing::ShownWindow window;
};

// Tab and Shift+Tab go from picture to picture across the window's edges,
// the view following the focus; a focus whose rows left the window goes on
// from where it was.
TEST_F(LongOutline, TabAndShiftTabReachEveryPictureInPageOrderAcrossTheWindowsEdges) {
    window.PressKey("Tab");
    ASSERT_TRUE(window.WaitFor(kFocused, "imgCustomer1"));
    window.PressKey(Keys("Tab", 200));
    EXPECT_TRUE(window.WaitFor(kFocused, "imgCustomer201"));
    EXPECT_EQ(window.Page(kFocusInSight), "true");
    EXPECT_EQ(window.Page("String(document.getElementsByName('imgCustomer1').length)"), "0");
    window.PressKey(Keys("shift+Tab", 199));
    EXPECT_TRUE(window.WaitFor(kFocused, "imgCustomer2"));
    EXPECT_EQ(window.Page(kFocusInSight), "true");

    // The rows of the focus leave the window while the view is far away.
    window.Page("window.scrollTo(0, document.documentElement.scrollHeight); 0");
    ASSERT_TRUE(window.WaitFor("String(document.getElementsByName('imgCustomer2').length)", "0"));
    window.PressKey("Tab");
    EXPECT_TRUE(window.WaitFor(kFocused, "imgCustomer3"));
    EXPECT_EQ(window.Page(kFocusInSight), "true");
}

// A screen reader hears the table's real number of rows and each row's
// place in it, wherever the view stands.
TEST_F(LongOutline, TheTableTellsItsRealRowsAndEachRowsPlace) {
    const std::string rowOf =
        "(name => { const r = document.all.item(name).closest('tr');"
        " return r.getAttribute('aria-rowindex') + ' ' +"
        " r.nextElementSibling.getAttribute('aria-rowindex') + ' of ' +"
        " r.closest('table').getAttribute('aria-rowcount'); })";
    const std::string rows = " of " + std::to_string(2 * kCustomers + 1);
    EXPECT_EQ(window.Page(rowOf + "('imgCustomer1')"), "2 3" + rows);
    EXPECT_EQ(window.Page("document.querySelector('tr[aria-rowindex=\"1\"]').textContent"
                          ".includes('Customer')"),
              "true");
    window.Page("window.scrollTo(0, document.documentElement.scrollHeight / 2); 0");
    ASSERT_TRUE(
        window.WaitFor("String(document.getElementsByName('imgCustomer1500').length)", "1"));
    EXPECT_EQ(window.Page(rowOf + "('imgCustomer1500')"), "3000 3001" + rows);
    // The rows that stand for others are not the table's rows.
    EXPECT_EQ(window.Page("String(Array.from(document.querySelectorAll('tr:not([aria-rowindex])'))"
                          ".filter(r => r.closest('table').hasAttribute('aria-rowcount'))"
                          ".every(r => r.getAttribute('aria-hidden') == 'true'))"),
              "true");
}

}  // namespace
}  // namespace kestrova
