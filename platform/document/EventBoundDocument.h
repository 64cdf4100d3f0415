#pragma once

#include <memory>

#include "platform/document/HTMLDocument.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

// A document reference that carries its event binding: binding a document
// connects a receiver to that document's events (and disconnects the one
// bound before). It is never cleared once set.
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

    void Bind(std::shared_ptr<HTMLDocument> document,
              std::unique_ptr<HTMLDocumentEvents> receiver) {
        if (!document) {
            throw runtime::Failure("the browser control has no document");
        }
        if (document_) {
            document_->Unadvise();
        }
        document_ = std::move(document);
        receiver_ = std::move(receiver);
        document_->Advise(*receiver_);
    }

    explicit operator bool() const { return document_ != nullptr; }

    HTMLDocument& operator*() const {
        if (!document_) {
            throw runtime::Failure("no document is bound");
        }
        return *document_;
    }
    HTMLDocument* operator->() const { return &**this; }

private:
    std::shared_ptr<HTMLDocument> document_;
    std::unique_ptr<HTMLDocumentEvents> receiver_;
};

}  // namespace kestrova::platform
