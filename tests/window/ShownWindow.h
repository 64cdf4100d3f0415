#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/window/MainWindow.h"
#include "tests/window/AppDirectoryCopy.h"

namespace kestrova::testing {

// The real window shown from a copied application directory, with a few
// ways to look into its page and to use it with the real pointer.
class ShownWindow {
public:
    // `beforeStart` runs once the application folder is copied, before the
    // window starts.
    explicit ShownWindow(const std::string& database, const std::string& folderName = "app",
                         const std::function<void()>& beforeStart = {});

    // Waits until the page stands with its base address set.
    bool WaitForPage();
    const std::string& Directory() const { return copy_.Path(); }
    MainWindow& Window() { return *window_; }

    // A script's result in the page, as text.
    std::string Page(const std::string& script);
    // Waits until a script gives `expected`; says whether it did. `seconds`
    // guards against a hang and is stretched in slower builds.
    bool WaitFor(const std::string& script, const std::string& expected, double seconds = 30);

    // Moves the pointer onto the element with that id or name (scrolled into
    // the window's visible part first) and clicks it, or leaves it.
    void Click(const std::string& idOrName);
    void PointAt(const std::string& idOrName);
    void PointAway();
    // Gives the window the keyboard focus and presses a key (an xdotool
    // key name, "Tab", "shift+Tab", "Return", "space") with real key events.
    void PressKey(const std::string& key);

    void Screenshot(const std::string& file);

private:
    std::string MovePointerTo(const std::string& idOrName);

    AppDirectoryCopy copy_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace kestrova::testing
