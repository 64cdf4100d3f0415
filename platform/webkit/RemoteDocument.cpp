#include "platform/webkit/RemoteDocument.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/RestOfPageSplit.h"

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
        document_->Put(RemoteDocument::PropertyPut{tagName_, index_, property, value});
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

GVariantPtr PutMessagePayload(const RemoteDocument::PropertyPut& put) {
    return GVariantPtr(g_variant_ref_sink(
        g_variant_new(messages::kPutElementPropertyType, put.tagName.c_str(),
                      static_cast<guint16>(put.index), put.property.c_str(), put.value.c_str())));
}

// The start of a long page goes to the view on its own, so that it shows
// the first rows while the rest is read: about two windows full of rows.
// The rest follows in larger parts, which the view writes while the next
// one is read.
constexpr std::size_t kStartBytes = 128 * 1024;
constexpr std::size_t kPartBytes = 1024 * 1024;

using messages::MoreText;

// A part of the page for the view: its divisions left out, and whether
// more follows.
GVariantPtr PartPayload(const deferred::DeferredPage& page, MoreText more) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE(messages::kPagePartType));
    g_variant_builder_open(&builder, G_VARIANT_TYPE("a(stt)"));
    for (const auto& division : page.Divisions()) {
        g_variant_builder_add(&builder, "(stt)", division.id.c_str(),
                              static_cast<guint64>(division.offset),
                              static_cast<guint64>(division.length));
    }
    g_variant_builder_close(&builder);
    g_variant_builder_add(&builder, "b", more == MoreText::Follows);
    return GVariantPtr(g_variant_ref_sink(g_variant_builder_end(&builder)));
}

// Properties whose attribute has the property's name: those can be written
// into the text.
bool IsAttribute(const std::string& property) {
    return property == "href" || property == "src";
}

}  // namespace

RemoteDocument::RemoteDocument(PageChannel& channel, PageLoading loading)
    : channel_(channel), loading_(loading) {}

RemoteDocument::~RemoteDocument() {
    if (handOverSource_) {
        g_source_remove(handOverSource_);
    }
}

void RemoteDocument::write(PageText text) {
    if (written_) {
        throw runtime::Failure("the page is already written; the document takes one write");
    }
    written_ = true;
    text_ = std::move(text);
    std::weak_ptr<RemoteDocument> self = weak_from_this();
    handOverSource_ = g_idle_add_full(
        G_PRIORITY_HIGH_IDLE,
        [](gpointer data) -> gboolean {
            if (auto document = static_cast<std::weak_ptr<RemoteDocument>*>(data)->lock()) {
                document->handOverSource_ = 0;
                document->HandOver();
            }
            return G_SOURCE_REMOVE;
        },
        new std::weak_ptr<RemoteDocument>(self),
        [](gpointer data) { delete static_cast<std::weak_ptr<RemoteDocument>*>(data); });
}

struct RemoteDocument::SplitForTheView {
    deferred::DeferredPage page;
    // What start-up set that could not be written into the text.
    std::vector<Message> putMessages;
};

// Properties set during start-up on elements the view builds first are
// written into the text it builds them from; the others go as messages.
RemoteDocument::SplitForTheView RemoteDocument::WithProperties(deferred::DeferredPage page) const {
    SplitForTheView split{std::move(page), {}};
    for (const auto& put : startupPuts_) {
        if (!IsAttribute(put.property) || put.index < 0 ||
            !split.page.SetAttribute(put.tagName, static_cast<std::size_t>(put.index), put.property,
                                     put.value)) {
            split.putMessages.push_back(
                Message{messages::kPutElementProperty, PutMessagePayload(put), nullptr});
        }
    }
    return split;
}

void RemoteDocument::HandOver() {
    if (!written_ || handedOver_) {
        return;
    }
    handedOver_ = true;
    const PageText text = std::move(text_);
    text_ = PageText();
    startupPuts_ = std::move(puts_);
    puts_.clear();
    if (loading_ == PageLoading::DeferHiddenDivisions && HandOverInParts(text)) {
        return;
    }
    auto whole = WithProperties(deferred::DeferredPage::Whole(text));
    std::move(whole.putMessages.begin(), whole.putMessages.end(), std::back_inserter(pending_));
    sent_ = pending_;
    loadedText_ = std::make_shared<const std::string>(whole.page.FirstText());
    Load();
}

// Unless the view builds it whole, it starts from an empty document and
// the web process writes the page into it from sealed copies of the text
// it builds first: the start of the page at once, and each part of the
// rest as a thread splits it. The whole text follows once the web process
// has written it all (see PassThePageTextOn). Says whether the page could
// be passed on so.
bool RemoteDocument::HandOverInParts(const PageText& text) {
    deferred::PartSplitter splitter(text);
    auto start = WithProperties(*splitter.Next(kStartBytes));
    const MoreText more = splitter.AtEnd() ? MoreText::Ends : MoreText::Follows;
    std::shared_ptr<const FileDescriptor> firstText;
    if (!runtime::Attempt("browser view: passing the page text on", [&] {
            firstText = std::make_shared<const FileDescriptor>(
                SealedCopy({start.page.FirstText()}, "kestrova-first-text"));
        })) {
        return false;
    }
    pending_.insert(pending_.begin(), Message{messages::kWritePage, PartPayload(start.page, more),
                                              std::move(firstText)});
    std::move(start.putMessages.begin(), start.putMessages.end(), std::back_inserter(pending_));
    wholeText_ = text;
    sent_ = pending_;
    Load();
    if (more == MoreText::Follows) {
        std::weak_ptr<RemoteDocument> self = weak_from_this();
        restSplit_ = std::make_unique<RestOfPageSplit>(
            text, std::move(splitter), kPartBytes, [self](RestOfPageSplit::Part part) {
                auto document = self.lock();
                if (!document) {
                    return;
                }
                if (!part.failure.empty()) {
                    runtime::ReportFailure("browser view: splitting the rest of the page",
                                           part.failure);
                }
                if (part.page) {
                    document->OnPartSplit(std::move(*part.page),
                                          part.last ? MoreText::Ends : MoreText::Follows);
                } else {
                    document->StartAgainInOnePart();
                }
            });
    }
    return true;
}

void RemoteDocument::OnPartSplit(deferred::DeferredPage part, MoreText more) {
    if (more == MoreText::Ends) {
        restSplit_.reset();
    }
    std::shared_ptr<const FileDescriptor> partText;
    if (!runtime::Attempt("browser view: passing the page text on", [&] {
            partText = std::make_shared<const FileDescriptor>(
                SealedCopy({part.FirstText()}, "kestrova-first-text"));
        })) {
        StartAgainInOnePart();
        return;
    }
    Post(Message{messages::kMorePage, PartPayload(part, more), std::move(partText)});
}

// A part left out a division whose id a later part uses again, or the rest
// could not be split or passed on: the page goes to the view again, split as
// one, or else whole. What was sent and set since goes again too.
void RemoteDocument::StartAgainInOnePart() {
    restSplit_.reset();
    // The page written again in one part holds the parts sent so far.
    sent_.erase(std::remove_if(sent_.begin(), sent_.end(),
                               [](const Message& message) {
                                   return std::string_view(message.name) == messages::kMorePage;
                               }),
                sent_.end());
    const auto writePage = std::find_if(sent_.begin(), sent_.end(), [](const Message& message) {
        return std::string_view(message.name) == messages::kWritePage;
    });
    if (wholeText_.empty() || writePage == sent_.end()) {
        return;
    }
    const bool split = runtime::Attempt("browser view: passing the page text on", [&] {
        auto page = WithProperties(deferred::DeferredPage::Split(wholeText_));
        *writePage = Message{messages::kWritePage, PartPayload(page.page, MoreText::Ends),
                             std::make_shared<const FileDescriptor>(
                                 SealedCopy({page.page.FirstText()}, "kestrova-first-text"))};
    });
    if (!split) {
        sent_.erase(writePage);
        loadedText_ = std::make_shared<const std::string>(
            WithProperties(deferred::DeferredPage::Whole(wholeText_)).page.FirstText());
        wholeText_ = PageText();
    }
    PutBack();
}

void RemoteDocument::Load() {
    std::weak_ptr<RemoteDocument> self = weak_from_this();
    channel_.LoadPage(loadedText_, [self] {
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
    Post(Message{messages::kBindEvents, nullptr, nullptr});
}

void RemoteDocument::Unadvise() {}

void RemoteDocument::Put(PropertyPut put) {
    if (written_ && !handedOver_) {
        puts_.push_back(std::move(put));  // may still go into the text
    } else {
        Post(Message{messages::kPutElementProperty, PutMessagePayload(put), nullptr});
    }
}

void RemoteDocument::Post(Message message) {
    if (handedOver_) {
        sent_.push_back(message);
    }
    Send(std::move(message));
}

void RemoteDocument::Send(Message message) {
    if (!loaded_) {
        pending_.push_back(std::move(message));
        return;
    }
    static const FileDescriptor kNoFile;
    channel_.Send(message.name, std::move(message.payload), message.file ? *message.file : kNoFile);
}

void RemoteDocument::OnLoaded() {
    loaded_ = true;
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& message : pending) {
        Send(std::move(message));
    }
}

void RemoteDocument::Remember(ElementChange change) {
    std::string key = change.element;
    key.append(1, '\0').append(change.property);
    const auto [known, added] = changeIndex_.try_emplace(std::move(key), changes_.size());
    if (added) {
        changes_.push_back(std::move(change));
    } else {
        changes_[known->second].value = std::move(change.value);
    }
}

bool RemoteDocument::PutBack() {
    if (!handedOver_) {
        return false;  // the hand-over, still to come, loads the page
    }
    loaded_ = false;
    pending_ = sent_;
    for (const auto& change : changes_) {
        pending_.push_back(Message{messages::kRestoreProperty,
                                   GVariantPtr(g_variant_ref_sink(g_variant_new(
                                       messages::kElementPropertyType, change.element.c_str(),
                                       change.property.c_str(), change.value.c_str()))),
                                   nullptr});
    }
    Load();
    return true;
}

// Copying the whole text holds this process's main loop, which shows what
// the web process paints; so the copy waits until the page is written. A
// division shown before the text comes is built when it comes.
void RemoteDocument::PassThePageTextOn() {
    if (wholeText_.empty()) {
        return;
    }
    const PageText text = std::move(wholeText_);
    wholeText_ = PageText();
    runtime::Attempt("browser view: passing the page text on", [&] {
        Post(Message{
            messages::kPageText, nullptr,
            std::make_shared<const FileDescriptor>(SealedCopy({text.View()}, "kestrova-page"))});
    });
}

}  // namespace kestrova::platform
