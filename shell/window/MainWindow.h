#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/webkit/WebKitBrowser.h"
#include "shell/form/Form1.h"

namespace kestrova {

// The window on screen: caption, icon, size and the browser control at its
// fixed place, with Form1 behind it. Building it runs the load handler, so
// the page is on its way before the window is first shown.
class MainWindow {
public:
    explicit MainWindow(
        const std::string& applicationDirectory,
        platform::PageLoading loading = platform::PageLoading::DeferHiddenDivisions);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void Show();
    GtkWindow* Window() const { return window_; }
    WebKitWebView* View() const { return browser_.View(); }

    // Sizes in pixels, from the window's settings in twips (15 to a pixel).
    static constexpr int kClientWidth = 12180 / 15;
    static constexpr int kClientHeight = 3090 / 15;
    static constexpr int kBrowserLeft = 120 / 15;
    static constexpr int kBrowserTop = 120 / 15;
    static constexpr int kBrowserWidth = 15015 / 15;
    static constexpr int kBrowserHeight = 9975 / 15;

private:
    platform::WebKitBrowser browser_;
    GtkWindow* window_;
    std::unique_ptr<Form1> form_;
};

}  // namespace kestrova
