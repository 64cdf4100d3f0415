#pragma once

#include <jsc/jsc.h>

#include <functional>
#include <memory>
#include <string_view>

#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/MappedText.h"

namespace kestrova::platform {

// Writes a page's text into a frame's document a piece at a time, with a
// turn of the main loop between pieces: the view lays out and paints what
// has come so far, so the first rows show while the rest is still written.
// The document is opened first and closed after the last piece, as a page
// loaded from a file is.
class PageWriter {
public:
    // `text` lies in `mapping`; `done` runs once the document is closed.
    PageWriter(JSCContext* context, std::shared_ptr<const MappedText> mapping,
               std::string_view text, std::function<void()> done);
    // Stops writing, if it has not finished.
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    bool Done() const { return position_ >= text_.size() && !source_; }

private:
    static gboolean OnTurn(gpointer self);
    // Writes pieces for about `seconds`; says whether text is left.
    bool WriteFor(double seconds);
    void WritePiece(std::size_t length);

    GObjectPtr<JSCContext> context_;
    GObjectPtr<JSCValue> document_;
    std::shared_ptr<const MappedText> mapping_;
    std::string_view text_;
    std::size_t position_ = 0;
    std::function<void()> done_;
    guint source_ = 0;
};

}  // namespace kestrova::platform
