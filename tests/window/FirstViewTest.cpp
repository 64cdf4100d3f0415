#include <gtest/gtest.h>
// After gtest: Xlib's macros would clash with its names.
#include <gdk/gdkx.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/App.h"
#include "shell/window/MainWindow.h"
#include "tests/HangGuard.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/ViewProbe.h"
#include "tests/window/X11Client.h"

// The first view of the page, as the screen shows it, is the page with its
// pictures loaded, at every start: no picture ever shows a broken state and
// no mark of one is left behind. So are the views after a click, a second
// click and a scroll.

namespace kestrova {
namespace {

using testing::Evaluate;
using testing::SpinUntil;

// The page stands: written (not the empty document it is written into) and
// closed, with every picture shown.
constexpr const char* kStands =
    "document.images.length > 0 && document.readyState == 'complete' &&"
    " Array.from(document.images).every(i => i.complete && i.naturalWidth == 16)";
constexpr int kScrolledTo = 20;

using Pixels = std::vector<unsigned long>;

// The part of the view the window shows, from the screen.
Pixels ShownPart(MainWindow& window) {
    GtkWidget* toplevel = GTK_WIDGET(window.Window());
    GtkAllocation client;
    gtk_widget_get_allocation(toplevel, &client);
    testing::X11Client x11;
    return x11.Pixels(gdk_x11_window_get_xid(gtk_widget_get_window(toplevel)),
                      MainWindow::kBrowserLeft, MainWindow::kBrowserTop,
                      client.width - MainWindow::kBrowserLeft,
                      client.height - MainWindow::kBrowserTop);
}

long Differing(const Pixels& a, const Pixels& b) {
    if (a.size() != b.size() || a.empty()) {
        return -1;
    }
    long differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        differing += a[i] != b[i];
    }
    return differing;
}

// What the window shows once its paints have reached the screen: the same
// pixels twice in a row, a fifth of a second apart.
Pixels SettledPart(MainWindow& window) {
    Pixels last = ShownPart(window);
    SpinUntil(
        [&] {
            SpinUntil([] { return false; }, 0.2);
            Pixels now = ShownPart(window);
            const bool same = !now.empty() && now == last;
            last = std::move(now);
            return same;
        },
        testing::HangGuard(30));
    return last;
}

// How many pixels the window shows differently from `expected`: 0 as soon
// as it shows them, else what it still shows when a busy machine has had
// ample time to paint. A mark left on the screen stays, and is counted.
long DifferingFrom(MainWindow& window, const Pixels& expected) {
    long differing = -1;
    SpinUntil(
        [&] {
            differing = Differing(ShownPart(window), expected);
            return differing == 0;
        },
        testing::HangGuard(10));
    return differing;
}

class Shown {
public:
    Shown(const std::string& directory, platform::PageLoading loading)
        : window_(std::make_unique<MainWindow>(directory, loading)) {
        window_->Show();
    }
    bool Stands() {
        return SpinUntil([&] { return Evaluate(window_->View(), kStands) == "true"; },
                         testing::HangGuard(60));
    }
    std::string Page(const std::string& script) { return Evaluate(window_->View(), script); }
    MainWindow& Window() { return *window_; }

    // A real click with the pointer on the picture.
    void ClickPicture(const std::string& name) {
        const std::string where =
            Page("(() => { const r = document.all.item('" + name +
                 "').getBoundingClientRect(); return Math.round(r.left + r.width / 2) + ' ' +"
                 " Math.round(r.top + r.height / 2); })()");
        const auto space = where.find(' ');
        GtkWidget* toplevel = GTK_WIDGET(window_->Window());
        int originX = 0;
        int originY = 0;
        gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
        const std::string command =
            "xdotool mousemove " +
            std::to_string(originX + MainWindow::kBrowserLeft + std::stoi(where.substr(0, space))) +
            " " +
            std::to_string(originY + MainWindow::kBrowserTop + std::stoi(where.substr(space + 1))) +
            " click 1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void PointAway() { std::system("xdotool mousemove 1200 1000"); }

private:
    std::unique_ptr<MainWindow> window_;
};

TEST(FirstView, IsThePageWithItsPicturesAtEveryStartAndStaysSoAfterClicksAndAScroll) {
    testing::AppDirectoryCopy copy(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "first");
    runtime::SetAppPath(copy.Path());
    const std::string scroll =
        "window.scrollTo(0, " + std::to_string(kScrolledTo) + "); String(window.scrollY)";

    // The reference: the whole page text, its base set and its pictures
    // loaded, shown in the same window; the same clicks go to its document.
    std::vector<Pixels> expected;
    {
        Shown reference(copy.Path(), platform::PageLoading::Whole);
        ASSERT_TRUE(reference.Stands());
        expected.push_back(SettledPart(reference.Window()));
        reference.Page("document.all.item('imgCustomer1').click()");
        ASSERT_TRUE(reference.Stands());
        expected.push_back(SettledPart(reference.Window()));
        ASSERT_EQ(reference.Page(scroll), std::to_string(kScrolledTo));
        expected.push_back(SettledPart(reference.Window()));
        reference.Page("document.all.item('imgCustomer1').click()");
        ASSERT_TRUE(reference.Stands());
        expected.push_back(SettledPart(reference.Window()));
    }

    for (int start = 1; start <= 10; ++start) {
        Shown shown(copy.Path(), platform::PageLoading::DeferHiddenDivisions);
        ASSERT_TRUE(shown.Stands()) << "start " << start;
        EXPECT_EQ(DifferingFrom(shown.Window(), expected[0]), 0)
            << "start " << start << ", the first view";
        const auto clickAndCompare = [&](const Pixels& after, const char* which) {
            shown.ClickPicture("imgCustomer1");
            shown.PointAway();
            EXPECT_EQ(DifferingFrom(shown.Window(), after), 0) << "start " << start << which;
        };
        clickAndCompare(expected[1], ", after a click");
        ASSERT_EQ(shown.Page(scroll), std::to_string(kScrolledTo));
        EXPECT_EQ(DifferingFrom(shown.Window(), expected[2]), 0)
            << "start " << start << ", after a scroll";
        clickAndCompare(expected[3], ", after a second click");
    }
}

}  // namespace
}  // namespace kestrova
