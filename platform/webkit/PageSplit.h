#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/document/PageText.h"
#include "platform/runtime/FileDescriptor.h"
#include "platform/webkit/SealedText.h"

namespace kestrova::platform {

// Splits a page for the view in a thread of its own, part after part, as
// its text comes: the window's main loop, which shows what the view
// paints, goes on turning meanwhile. The text may come whole, or in
// stretches while start-up still writes it: each part is split as soon as
// the text it needs has come. Each part comes back on the main loop with
// its piece of the page text as the web process maps it (in the page's own
// file, or sealed), to build the divisions left out of that part from it. Ending the object stops
// the thread, and nothing more comes back.
class PageSplit {
public:
    struct Part {
        // nullopt when the page must be split as one (see PartSplitter), or
        // when the split failed.
        std::optional<deferred::DeferredPage> page;
        // The page text the part covers, and where it starts in the page.
        PagePiece pageText;
        std::uint64_t pageTextOffset = 0;
        // The text the view first builds, sealed, for every part but the
        // first: what start-up set on the page may still go into that one.
        std::shared_ptr<const runtime::FileDescriptor> firstText;
        bool first = false;
        bool last = false;
        // What went wrong, when the split failed.
        std::string failure;
        // Keeps the text the part's page lies in.
        PageText keep;
    };
    using Delivered = std::function<void(Part part)>;

    // The first part holds about `startBytes` of the text the view first
    // builds, each part after it about `partBytes`.
    PageSplit(std::size_t startBytes, std::size_t partBytes, Delivered delivered);
    ~PageSplit();
    PageSplit(const PageSplit&) = delete;
    PageSplit& operator=(const PageSplit&) = delete;

    // More of the page: its text so far, each time longer, or at last the
    // whole of it. From any one thread.
    void Grow(PageText soFar, deferred::PageEnd end);

private:
    struct Receiver;
    struct Delivery;
    static int Deliver(void* delivery);
    void Run(std::stop_token stop);
    // Splits what the text that has come allows; false once the last part
    // is on its way.
    bool SplitWhatHasCome(deferred::PartSplitter& splitter, const PageText& text,
                          std::stop_token stop);
    void Send(Part part);

    std::size_t startBytes_;
    std::size_t partBytes_;
    std::shared_ptr<Receiver> receiver_;
    std::mutex mutex_;
    std::condition_variable_any grown_;
    PageText latest_;
    bool whole_ = false;
    bool fresh_ = false;
    std::size_t parts_ = 0;
    // Declared last: it ends first, so the thread is stopped and joined
    // before anything it uses goes.
    std::jthread thread_;
};

}  // namespace kestrova::platform
