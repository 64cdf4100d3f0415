#include "platform/webkit/RestOfPageSplit.h"

#include <glib.h>

#include <exception>

namespace kestrova::platform {

struct RestOfPageSplit::Receiver {
    Delivered delivered;
};

// One part on its way to the main loop, handed over only while the object
// that asked for it lives.
struct RestOfPageSplit::Delivery {
    std::weak_ptr<Receiver> receiver;
    Part part;
};

RestOfPageSplit::RestOfPageSplit(PageText page, deferred::PartSplitter splitter,
                                 std::size_t partBytes, Delivered delivered)
    : receiver_(std::make_shared<Receiver>(Receiver{std::move(delivered)})) {
    std::weak_ptr<Receiver> receiver = receiver_;
    thread_ = std::jthread([page = std::move(page), splitter = std::move(splitter), partBytes,
                            receiver](std::stop_token stop) mutable {
        while (!splitter.AtEnd()) {
            Part part;
            try {
                part.page = splitter.Next(partBytes, stop);
            } catch (const std::exception& error) {
                part.failure = error.what();
            }
            if (stop.stop_requested()) {
                return;
            }
            part.last = !part.page || splitter.AtEnd();
            const bool last = part.last;
            g_idle_add_full(G_PRIORITY_HIGH_IDLE, &RestOfPageSplit::Deliver,
                            new Delivery{receiver, std::move(part)},
                            [](gpointer data) { delete static_cast<Delivery*>(data); });
            if (last) {
                return;
            }
        }
    });
}

RestOfPageSplit::~RestOfPageSplit() = default;

int RestOfPageSplit::Deliver(void* data) {
    auto& delivery = *static_cast<Delivery*>(data);
    const auto receiver = delivery.receiver.lock();
    if (receiver && receiver->delivered) {
        receiver->delivered(std::move(delivery.part));  // may end the object
    }
    return G_SOURCE_REMOVE;
}

}  // namespace kestrova::platform
