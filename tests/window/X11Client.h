#pragma once

#include <string>
#include <vector>

namespace kestrova::testing {

// A connection of the tests' own to the X display, kept apart from the
// other test sources because Xlib's macros clash with theirs.
class X11Client {
public:
    X11Client();
    ~X11Client();
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    bool Connected() const { return display_ != nullptr; }
    // A top-level window with the given title of the given process, or 0.
    unsigned long FindWindow(const std::string& title, long processId);
    void Size(unsigned long window, int& width, int& height);
    // Whether the window is mapped and shows on the screen.
    bool Viewable(unsigned long window);
    // How many of the window's pixels are nearly black, as text is.
    long DarkPixels(unsigned long window);
    // The pixels of a part of the window as the screen shows it, row after
    // row, 0xRRGGBB; empty when it is not shown.
    std::vector<unsigned long> Pixels(unsigned long window, int x, int y, int width, int height);
    // Asks the window to close, as a window manager's close button does.
    void RequestClose(unsigned long window);

private:
    void* display_;
};

}  // namespace kestrova::testing
