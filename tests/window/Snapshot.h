#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova::testing {

// A picture of what a view shows, pixel by pixel.
struct Snapshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // row after row, 0xAARRGGBB

    // How many pixels differ; a different size counts every pixel.
    long DifferingPixels(const Snapshot& other) const;
    void SavePng(const std::string& file) const;
};

// The view's whole document, or its visible part, as the view paints it.
Snapshot TakeSnapshot(WebKitWebView* view, WebKitSnapshotRegion region);

}  // namespace kestrova::testing
