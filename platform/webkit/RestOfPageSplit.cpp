#include "platform/webkit/RestOfPageSplit.h"

#include <glib.h>

#include <exception>

namespace kestrova::platform {

struct RestOfPageSplit::Delivery {
    Done done;
    Result result;
};

RestOfPageSplit::RestOfPageSplit(PageText page, deferred::DeferredPage start, Done done)
    : delivery_(std::make_shared<Delivery>(Delivery{std::move(done), {}})) {
    std::weak_ptr<Delivery> weak = delivery_;
    Delivery* delivery = delivery_.get();
    thread_ = std::jthread([page = std::move(page), start = std::move(start), weak,
                            delivery](std::stop_token stop) {
        try {
            delivery->result.rest = deferred::DeferredPage::SplitRest(page, start, stop);
        } catch (const std::exception& error) {
            delivery->result.failure = error.what();
        }
        if (stop.stop_requested()) {
            return;
        }
        // The main loop hands the result over only while this object lives.
        g_idle_add_full(G_PRIORITY_HIGH_IDLE, &RestOfPageSplit::Deliver,
                        new std::weak_ptr<Delivery>(weak),
                        [](gpointer data) { delete static_cast<std::weak_ptr<Delivery>*>(data); });
    });
}

RestOfPageSplit::~RestOfPageSplit() = default;

int RestOfPageSplit::Deliver(void* data) {
    const auto delivery = static_cast<std::weak_ptr<Delivery>*>(data)->lock();
    if (delivery && delivery->done) {
        auto done = std::move(delivery->done);
        done(std::move(delivery->result));  // may end this object
    }
    return G_SOURCE_REMOVE;
}

}  // namespace kestrova::platform
