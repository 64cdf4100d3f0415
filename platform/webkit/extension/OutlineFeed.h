#pragma once

#include <jsc/jsc.h>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/deferredpage/OutlineRows.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/extension/DeferredDivisions.h"
#include "platform/webkit/extension/MappedText.h"
#include "platform/webkit/extension/PageWriter.h"
#include "platform/webkit/extension/RowWindow.h"

namespace kestrova::platform {

// Whether a long outline's rows are in the document only around the part
// of the page in sight, or all of them.
enum class LongOutlines { Windowed, EveryRow };

// Takes the text the view builds first as it comes, part after part, and
// decides what of it the document gets. The first part goes in at once, up
// to its last whole customer's rows, so that the first rows show. An
// outline of up to kWholeRows customers then goes in whole, as written,
// once its text has all come; a longer one gets a window over its rows
// (RowWindow): the document keeps the customers written so far as the
// window, and the page's frame after the rows once it comes, and the
// window takes every customer's rows as they come.
class OutlineFeed {
public:
    static constexpr std::size_t kWholeRows = 2000;

    struct Hooks {
        // The document is closed, the page whole.
        std::function<void()> done;
        // A part of the text is in the document.
        std::function<void()> partWritten;
        // The rows written so far became the window over them.
        std::function<void(RowWindow& window)> windowTaken;
        RowWindow::Hooks window;
    };

    OutlineFeed(JSCContext* context, std::shared_ptr<DeferredDivisions> deferred,
                LongOutlines longOutlines, Hooks hooks);
    OutlineFeed(const OutlineFeed&) = delete;
    OutlineFeed& operator=(const OutlineFeed&) = delete;

    // The next part of the text; `text` lies in `mapping`.
    void Read(std::shared_ptr<const MappedText> mapping, std::string_view text, MoreText more);
    bool Done() const { return writer_ && writer_->Done(); }
    // The window over the rows, once there is one.
    RowWindow* Window() const { return window_.get(); }

private:
    enum class Mode { Deciding, Whole, Windowing, Windowed };
    void Feed();
    // Gives the writer the text from `written_` to `to`.
    void Give(deferred::PartPlace to, MoreText more);
    void OnPartWritten();
    void TakeTheWindow();

    GObjectPtr<JSCContext> context_;
    std::shared_ptr<DeferredDivisions> deferred_;
    LongOutlines longOutlines_;
    Hooks hooks_;
    deferred::OutlineRows rows_;
    std::vector<std::shared_ptr<const MappedText>> mappings_;
    std::vector<std::string_view> texts_;
    bool ended_ = false;
    Mode mode_ = Mode::Deciding;
    deferred::PartPlace written_;
    std::size_t writtenRows_ = 0;
    bool tailGiven_ = false;
    std::unique_ptr<PageWriter> writer_;
    std::shared_ptr<RowWindow> window_;
};

}  // namespace kestrova::platform
