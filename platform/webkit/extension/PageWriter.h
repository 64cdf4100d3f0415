#pragma once

#include <jsc/jsc.h>

#include <deque>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/extension/MappedText.h"

namespace kestrova::platform {

using messages::MoreText;

// Writes a page's text into a frame's document a piece at a time, with a
// turn of the main loop between pieces: the view lays out and paints what
// has come so far, so the first rows show while the rest is still written.
// The document is opened first and closed after the last piece, as a page
// loaded from a file is.
//
// The text may come in parts: the writer then waits after each part until
// the next one comes, and closes the document after the last.

class PageWriter {
public:
    // `text` lies in `mapping`; `partWritten` runs after each part but the
    // last, `done` once the document is closed.
    PageWriter(JSCContext* context, std::shared_ptr<const MappedText> mapping,
               std::string_view text, MoreText more, std::function<void()> done,
               std::function<void()> partWritten = {});
    // Stops writing, if it has not finished.
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // The next part of the text, written after the parts before it.
    void Continue(std::shared_ptr<const MappedText> mapping, std::string_view text, MoreText more);
    bool Done() const { return closed_; }
    // Everything given so far is in the document.
    bool CaughtUp() const { return position_ >= text_.size() && next_.empty(); }

private:
    // Moves on to the next part when the one before is written.
    bool TakeNextPart();
    void Close();
    static gboolean OnTurn(gpointer self);
    // Writes pieces for about `seconds`; says whether text is left.
    bool WriteFor(double seconds);
    void WritePiece(std::size_t length);

    GObjectPtr<JSCContext> context_;
    GObjectPtr<JSCValue> document_;
    std::shared_ptr<const MappedText> mapping_;
    std::string_view text_;
    std::size_t position_ = 0;
    MoreText more_;
    struct Part {
        std::shared_ptr<const MappedText> mapping;
        std::string_view text;
        MoreText more;
    };
    // Parts that came before the one being written was finished.
    std::deque<Part> next_;
    bool closed_ = false;
    std::function<void()> done_;
    std::function<void()> partWritten_;
    guint source_ = 0;
};

}  // namespace kestrova::platform
