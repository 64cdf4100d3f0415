#include "platform/webkit/RemoteDocument.h"

#include "platform/runtime/Failure.h"
#include "platform/webkit/Messages.h"

namespace kestrova::platform {

namespace {

// An element of the page, known by its tag name and position: what the
// window sets on it is carried over to the web process.
class RemoteElement final : public IHTMLElementProperties {
public:
    RemoteElement(std::shared_ptr<RemoteDocument> document, std::string tagName, std::int16_t index)
        : document_(std::move(document)), tagName_(std::move(tagName)), index_(index) {}

    void put_src(const std::string& address) override { Put("src", address); }
    void put_href(const std::string& address) override { Put("href", address); }
    void put_className(const std::string& className) override { Put("className", className); }

private:
    void Put(const char* property, const std::string& value) {
        document_->Post(messages::kPutElementProperty,
                        GVariantPtr(g_variant_ref_sink(
                            g_variant_new(messages::kPutElementPropertyType, tagName_.c_str(),
                                          static_cast<guint16>(index_), property, value.c_str()))));
    }

    std::shared_ptr<RemoteDocument> document_;
    std::string tagName_;
    std::int16_t index_;
};

class RemoteTagList final : public IHTMLElementList {
public:
    RemoteTagList(std::shared_ptr<RemoteDocument> document, std::string tagName)
        : document_(std::move(document)), tagName_(std::move(tagName)) {}

    std::unique_ptr<IHTMLElementProperties> Item(std::int16_t index) override {
        if (index < 0) {
            throw runtime::Failure("there is no element at position " + std::to_string(index));
        }
        return std::make_unique<RemoteElement>(document_, tagName_, index);
    }

private:
    std::shared_ptr<RemoteDocument> document_;
    std::string tagName_;
};

}  // namespace

RemoteDocument::RemoteDocument(PageChannel& channel) : channel_(channel) {}

void RemoteDocument::write(std::string text) {
    if (written_) {
        throw runtime::Failure("the page is already written; the document takes one write");
    }
    written_ = true;
    std::weak_ptr<RemoteDocument> self = weak_from_this();
    channel_.LoadPage(std::move(text), [self] {
        if (auto document = self.lock()) {
            document->OnLoaded();
        }
    });
}

std::unique_ptr<IHTMLElementList> RemoteDocument::getElementsByTagName(const std::string& tagName) {
    return std::make_unique<RemoteTagList>(shared_from_this(), tagName);
}

void RemoteDocument::Advise(HTMLDocumentEvents&) {
    // The events are dispatched in the web process, to the handlers of the
    // window there; this side only tells it to start.
    Post(messages::kBindEvents, nullptr);
}

void RemoteDocument::Unadvise() {}

void RemoteDocument::Post(const char* name, GVariantPtr payload) {
    if (loaded_) {
        channel_.Send(name, std::move(payload));
    } else {
        pending_.push_back(Message{name, std::move(payload)});
    }
}

void RemoteDocument::OnLoaded() {
    loaded_ = true;
    for (auto& message : pending_) {
        channel_.Send(message.name, std::move(message.payload));
    }
    pending_.clear();
}

}  // namespace kestrova::platform
