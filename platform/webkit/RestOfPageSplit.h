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
// paints, goes on turning meanwhile. The result comes back on the main
// loop. Ending the object stops the thread, and nothing comes back.
class RestOfPageSplit {
public:
    struct Result {
        // nullopt when the page must be split as one (see DeferredPage).
        std::optional<deferred::DeferredPage> rest;
        // What went wrong, when the split failed.
        std::string failure;
    };
    using Done = std::function<void(Result result)>;

    RestOfPageSplit(PageText page, deferred::DeferredPage start, Done done);
    ~RestOfPageSplit();
    RestOfPageSplit(const RestOfPageSplit&) = delete;
    RestOfPageSplit& operator=(const RestOfPageSplit&) = delete;

private:
    struct Delivery;
    static int Deliver(void* delivery);

    std::shared_ptr<Delivery> delivery_;
    // Declared last: it ends first, so the thread is stopped and joined
    // before anything it uses goes.
    std::jthread thread_;
};

}  // namespace kestrova::platform
