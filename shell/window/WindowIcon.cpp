#include "shell/window/WindowIcon.h"

#include "assets/WindowIconArt.h"

namespace kestrova {

GdkPixbuf* NewWindowIcon() {
    using assets::kIconSize;
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kIconSize, kIconSize);
    guchar* pixels = gdk_pixbuf_get_pixels(icon);
    const int stride = gdk_pixbuf_get_rowstride(icon);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const guint32 colour = assets::IconColour(assets::kIconRows[y][x]);
            guchar* pixel = pixels + y * stride + x * 3;
            pixel[0] = static_cast<guchar>(colour >> 16);
            pixel[1] = static_cast<guchar>(colour >> 8);
            pixel[2] = static_cast<guchar>(colour);
        }
    }
    return icon;
}

}  // namespace kestrova
