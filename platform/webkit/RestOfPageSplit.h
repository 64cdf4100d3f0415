#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/document/PageText.h"

namespace kestrova::platform {

// Splits the rest of a page, after its start has gone to the view, in a
// thread of its own: the window's main loop, which shows what the view
// paints, goes on turning meanwhile. Each part comes back on the main loop
// as soon as it is split, so that the view writes it while the next one is
// read. Ending the object stops the thread, and nothing more comes back.
class RestOfPageSplit {
public:
    struct Part {
        // nullopt when the page must be split as one (see PartSplitter), or
        // when the split failed.
        std::optional<deferred::DeferredPage> page;
        bool last = false;
        // What went wrong, when the split failed.
        std::string failure;
    };
    using Delivered = std::function<void(Part part)>;

    // `splitter` has given the start of `page`; each part after it holds
    // about `partBytes` of the text the view first builds.
    RestOfPageSplit(PageText page, deferred::PartSplitter splitter, std::size_t partBytes,
                    Delivered delivered);
    ~RestOfPageSplit();
    RestOfPageSplit(const RestOfPageSplit&) = delete;
    RestOfPageSplit& operator=(const RestOfPageSplit&) = delete;

private:
    struct Receiver;
    struct Delivery;
    static int Deliver(void* delivery);

    std::shared_ptr<Receiver> receiver_;
    // Declared last: it ends first, so the thread is stopped and joined
    // before anything it uses goes.
    std::jthread thread_;
};

}  // namespace kestrova::platform
