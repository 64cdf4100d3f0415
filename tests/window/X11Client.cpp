#include "tests/window/X11Client.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kestrova::testing {

namespace {
Display* AsDisplay(void* display) {
    return static_cast<Display*>(display);
}
}  // namespace

X11Client::X11Client() : display_(XOpenDisplay(nullptr)) {}

X11Client::~X11Client() {
    if (display_) {
        XCloseDisplay(AsDisplay(display_));
    }
}

namespace {

long ProcessOf(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
        data && count == 1) {
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) {
        XFree(data);
    }
    return pid;
}

}  // namespace

unsigned long X11Client::FindWindow(const std::string& title, long processId) {
    Display* display = AsDisplay(display_);
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                if (title == name && ProcessOf(display, children[i]) == processId) {
                    found = children[i];
                }
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

void X11Client::Size(unsigned long window, int& width, int& height) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(AsDisplay(display_), window, &attributes);
    width = attributes.width;
    height = attributes.height;
}

bool X11Client::Viewable(unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(AsDisplay(display_), window, &attributes) &&
           attributes.map_state == IsViewable;
}

long X11Client::DarkPixels(unsigned long window) {
    Display* display = AsDisplay(display_);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return 0;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) {
        return 0;
    }
    long dark = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const auto red = (pixel & image->red_mask) >> 16;
            const auto green = (pixel & image->green_mask) >> 8;
            const auto blue = pixel & image->blue_mask;
            dark += red < 80 && green < 80 && blue < 80;
        }
    }
    XDestroyImage(image);
    return dark;
}

std::vector<unsigned long> X11Client::Pixels(unsigned long window, int x, int y, int width,
                                             int height) {
    Display* display = AsDisplay(display_);
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        return {};
    }
    std::vector<unsigned long> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < image->height; ++row) {
        for (int column = 0; column < image->width; ++column) {
            pixels.push_back(XGetPixel(image, column, row) & 0xffffff);
        }
    }
    XDestroyImage(image);
    return pixels;
}

void X11Client::RequestClose(unsigned long window) {
    Display* display = AsDisplay(display_);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
    XFlush(display);
}

}  // namespace kestrova::testing
