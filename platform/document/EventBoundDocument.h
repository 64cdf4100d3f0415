#pragma once

#include <memory>

#include "platform/document/HTMLDocument.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

// A document reference that carries its event binding: binding a document
// connects a receiver to that document's events (and disconnects the one
// bound before). It is never cleared once set.
//
// The event handlers read the bound document's elements. Only a document
// that holds them can be read so: the one in the process that dispatches
// the events. The window process binds its browser control's document only
// to have its events dispatched to the handlers at all.
class EventBoundDocument {
public:
    EventBoundDocument() = default;
    EventBoundDocument(const EventBoundDocument&) = delete;
    EventBoundDocument& operator=(const EventBoundDocument&) = delete;
    ~EventBoundDocument() {
        if (document_) {
            document_->Unadvise();
        }
    }

    void Bind(std::shared_ptr<BrowserDocument> document,
              std::unique_ptr<HTMLDocumentEvents> receiver) {
        if (!document) {
            throw runtime::Failure("the browser control has no document");
        }
        if (document_) {
            document_->Unadvise();
        }
        document_ = std::move(document);
        readable_ = dynamic_cast<HTMLDocument*>(document_.get());
        receiver_ = std::move(receiver);
        document_->Advise(*receiver_);
    }

    explicit operator bool() const { return document_ != nullptr; }

    // The bound document, to read its elements and events.
    HTMLDocument& operator*() const {
        if (!document_) {
            throw runtime::Failure("no document is bound");
        }
        if (!readable_) {
            throw runtime::Failure("the bound document's elements live in another process");
        }
        return *readable_;
    }
    HTMLDocument* operator->() const { return &**this; }

private:
    std::shared_ptr<BrowserDocument> document_;
    HTMLDocument* readable_ = nullptr;
    std::unique_ptr<HTMLDocumentEvents> receiver_;
};

}  // namespace kestrova::platform
