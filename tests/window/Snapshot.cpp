#include "tests/window/Snapshot.h"

#include <cairo.h>

#include <memory>

#include "tests/HangGuard.h"
#include "tests/window/ViewProbe.h"

namespace kestrova::testing {

namespace {

struct SnapshotOutcome {
    bool done = false;
    cairo_surface_t* surface = nullptr;
};

void OnSnapshot(GObject* source, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<std::shared_ptr<SnapshotOutcome>> outcome(
        static_cast<std::shared_ptr<SnapshotOutcome>*>(data));
    (*outcome)->surface =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
    (*outcome)->done = true;
}

}  // namespace

long Snapshot::DifferingPixels(const Snapshot& other) const {
    if (width != other.width || height != other.height) {
        return std::max<long>(static_cast<long>(pixels.size()),
                              static_cast<long>(other.pixels.size()));
    }
    long differing = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        differing += pixels[i] != other.pixels[i];
    }
    return differing;
}

void Snapshot::SavePng(const std::string& file) const {
    std::vector<std::uint32_t> copy = pixels;
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(copy.data()),
                                            CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cairo_surface_write_to_png(surface, file.c_str());
    cairo_surface_destroy(surface);
}

Snapshot TakeSnapshot(WebKitWebView* view, WebKitSnapshotRegion region) {
    auto outcome = std::make_shared<SnapshotOutcome>();
    webkit_web_view_get_snapshot(view, region, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr, &OnSnapshot,
                                 new std::shared_ptr<SnapshotOutcome>(outcome));
    SpinUntil([&] { return outcome->done; }, HangGuard(60));
    Snapshot snapshot;
    if (!outcome->surface) {
        return snapshot;
    }
    cairo_surface_t* image = outcome->surface;
    cairo_surface_flush(image);
    snapshot.width = cairo_image_surface_get_width(image);
    snapshot.height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    snapshot.pixels.resize(static_cast<std::size_t>(snapshot.width) * snapshot.height);
    for (int y = 0; y < snapshot.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        std::copy(row, row + snapshot.width, snapshot.pixels.begin() + y * snapshot.width);
    }
    cairo_surface_destroy(image);
    return snapshot;
}

}  // namespace kestrova::testing
