#include "platform/webkit/PageSplit.h"

#include <glib.h>

#include <exception>

#include "platform/runtime/BackgroundThread.h"
#include "platform/webkit/SealedText.h"

namespace kestrova::platform {

struct PageSplit::Receiver {
    Delivered delivered;
};

// One part on its way to the main loop, handed over only while the object
// that asked for it lives.
struct PageSplit::Delivery {
    std::weak_ptr<Receiver> receiver;
    Part part;
};

PageSplit::PageSplit(std::size_t startBytes, std::size_t partBytes, Delivered delivered)
    : startBytes_(startBytes),
      partBytes_(partBytes),
      receiver_(std::make_shared<Receiver>(Receiver{std::move(delivered)})),
      thread_([this](std::stop_token stop) { Run(stop); }) {}

PageSplit::~PageSplit() {
    thread_.request_stop();
    grown_.notify_all();
}

void PageSplit::Grow(PageText soFar, deferred::PageEnd end) {
    {
        const std::lock_guard lock(mutex_);
        latest_ = std::move(soFar);
        whole_ = end == deferred::PageEnd::Known;
        fresh_ = true;
    }
    grown_.notify_one();
}

void PageSplit::Run(std::stop_token stop) {
    std::optional<deferred::PartSplitter> splitter;
    for (;;) {
        PageText text;
        bool whole = false;
        {
            std::unique_lock lock(mutex_);
            if (!grown_.wait(lock, stop, [&] { return fresh_; })) {
                return;
            }
            fresh_ = false;
            text = latest_;
            whole = whole_;
        }
        const auto end = whole ? deferred::PageEnd::Known : deferred::PageEnd::NotYet;
        if (!splitter) {
            splitter.emplace(text.View(), end);
        } else {
            splitter->Grow(text.View(), end);
        }
        if (!SplitWhatHasCome(*splitter, text, stop)) {
            return;
        }
    }
}

bool PageSplit::SplitWhatHasCome(deferred::PartSplitter& splitter, const PageText& text,
                                 std::stop_token stop) {
    // A page with no text at all still comes, as one part.
    while (!splitter.AtEnd() || parts_ == 0) {
        Part part;
        part.first = parts_ == 0;
        part.keep = text;
        const std::size_t from = splitter.End();
        try {
            part.page = splitter.Next(part.first ? startBytes_ : partBytes_, stop);
            if (stop.stop_requested()) {
                return false;
            }
            if (!part.page && splitter.Waiting()) {
                return true;  // until more of the text comes
            }
            if (part.page) {
                part.pageTextOffset = from;
                part.pageText = PieceOf(text, from, part.page->End() - from);
                if (!part.first) {
                    part.firstText = std::make_shared<const runtime::FileDescriptor>(
                        SealedCopy({part.page->FirstText()}, "kestrova-first-text"));
                }
            }
        } catch (const std::exception& error) {
            part.page.reset();
            part.failure = error.what();
        }
        part.last = !part.page || splitter.AtEnd();
        const bool last = part.last;
        if (++parts_ == 1) {
            // Once the first rows are on their way, a click on them is
            // answered before the rest of a long page is split.
            runtime::RunInTheBackground();
        }
        Send(std::move(part));
        if (last) {
            return false;
        }
    }
    return false;
}

void PageSplit::Send(Part part) {
    g_idle_add_full(G_PRIORITY_HIGH_IDLE, &PageSplit::Deliver,
                    new Delivery{receiver_, std::move(part)},
                    [](gpointer data) { delete static_cast<Delivery*>(data); });
}

int PageSplit::Deliver(void* data) {
    auto& delivery = *static_cast<Delivery*>(data);
    const auto receiver = delivery.receiver.lock();
    if (receiver && receiver->delivered) {
        receiver->delivered(std::move(delivery.part));  // may end the object
    }
    return G_SOURCE_REMOVE;
}

}  // namespace kestrova::platform
