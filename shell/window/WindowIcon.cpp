#include "shell/window/WindowIcon.h"

#include <array>
#include <string_view>

namespace kestrova {

namespace {

// B black frame, W white, G grey tree lines, K black bar after a branch.
constexpr std::array<std::string_view, 14> kIconRows = {
    "BBBBBBBBBBBBBB",
    "BWWWWWWWWWWWWB",
    "BWGWWWWWWWWWWB",
    "BWGGGKKKKWWWWB",
    "BWGWGWWWWWWWWB",
    "BWGWGGGKKKKWWB",
    "BWGWGWWWWWWWWB",
    "BWGWGGGKKKKWWB",
    "BWGWWWWWWWWWWB",
    "BWGGGKKKKWWWWB",
    "BWWWGWWWWWWWWB",
    "BWWWGGGKKKKWWB",
    "BWWWWWWWWWWWWB",
    "BBBBBBBBBBBBBB",
};

guint32 ColourOf(char code) {
    switch (code) {
        case 'B':
        case 'K':
            return 0x000000;
        case 'G':
            return 0x808080;
        default:
            return 0xffffff;
    }
}

}  // namespace

GdkPixbuf* NewWindowIcon() {
    constexpr int kSize = 14;
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kSize, kSize);
    guchar* pixels = gdk_pixbuf_get_pixels(icon);
    const int stride = gdk_pixbuf_get_rowstride(icon);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const guint32 colour = ColourOf(kIconRows[y][x]);
            guchar* pixel = pixels + y * stride + x * 3;
            pixel[0] = static_cast<guchar>(colour >> 16);
            pixel[1] = static_cast<guchar>(colour >> 8);
            pixel[2] = static_cast<guchar>(colour);
        }
    }
    return icon;
}

}  // namespace kestrova
