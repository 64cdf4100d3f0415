#include "tests/window/ShownWindow.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macros would clash with its names.
#include <gdk/gdkx.h>

#include <cstdlib>
#include <sstream>

#include "platform/runtime/App.h"
#include "tests/HangGuard.h"
#include "tests/window/ViewProbe.h"

namespace kestrova::testing {

ShownWindow::ShownWindow(const std::string& database, const std::string& folderName,
                         const std::function<void()>& beforeStart)
    : copy_(database, folderName) {
    if (beforeStart) {
        beforeStart();
    }
    runtime::SetAppPath(copy_.Path());
    window_ = std::make_unique<MainWindow>(copy_.Path());
    window_->Show();
}

bool ShownWindow::WaitForPage() {
    return WaitFor(
        "(document.getElementsByTagName('base')[0] || {getAttribute: () => ''})"
        ".getAttribute('href')",
        copy_.Path(), 60);
}

std::string ShownWindow::Page(const std::string& script) {
    return Evaluate(window_->View(), script);
}

bool ShownWindow::WaitFor(const std::string& script, const std::string& expected, double seconds) {
    return SpinUntil([&] { return Page(script) == expected; }, HangGuard(seconds));
}

std::string ShownWindow::MovePointerTo(const std::string& idOrName) {
    // Scroll the element near the top of the page, where the window shows it.
    const std::string where = Page(
        "(() => { const e = document.all.item('" + idOrName +
        "');"
        " window.scrollBy(0, e.getBoundingClientRect().top - 40);"
        " const r = e.getBoundingClientRect();"
        " return Math.round(r.left + r.width / 2) + ' ' + Math.round(r.top + r.height / 2); })()");
    int x = 0;
    int y = 0;
    std::istringstream(where) >> x >> y;
    GtkWidget* toplevel = GTK_WIDGET(window_->Window());
    int viewX = 0;
    int viewY = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(window_->View()), toplevel, 0, 0, &viewX, &viewY);
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
    SpinUntil([] { return false; }, 0.2);  // let the scroll reach the screen
    return std::to_string(originX + viewX + x) + " " + std::to_string(originY + viewY + y);
}

void ShownWindow::Click(const std::string& idOrName) {
    const std::string command = "xdotool mousemove " + MovePointerTo(idOrName) + " click 1";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE_AT(__FILE__, __LINE__);
    }
    SpinUntil([] { return false; }, 0.3);
}

void ShownWindow::PointAt(const std::string& idOrName) {
    const std::string command = "xdotool mousemove " + MovePointerTo(idOrName);
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE_AT(__FILE__, __LINE__);
    }
    SpinUntil([] { return false; }, 0.3);
}

void ShownWindow::PointAway() {
    GtkWidget* toplevel = GTK_WIDGET(window_->Window());
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
    // Over the customers' value cells, away from any picture.
    const std::string command =
        "xdotool mousemove " + std::to_string(originX + 400) + " " + std::to_string(originY + 120);
    std::system(command.c_str());
    SpinUntil([] { return false; }, 0.3);
}

void ShownWindow::PressKey(const std::string& key) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_->Window()));
    // Without a window manager the window has the keyboard only when given it.
    const std::string command = "xdotool windowfocus --sync " +
                                std::to_string(gdk_x11_window_get_xid(window)) + " key " + key;
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE_AT(__FILE__, __LINE__) << command;
    }
    SpinUntil([] { return false; }, 0.3);
}

void ShownWindow::Screenshot(const std::string& file) {
    SpinUntil([] { return false; }, 0.3);
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_->Window()));
    const std::string command =
        "import -window " + std::to_string(gdk_x11_window_get_xid(window)) + " '" + file + "'";
    std::system(command.c_str());
}

}  // namespace kestrova::testing
