#include "platform/webkit/RemoteDocument.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/PageSplit.h"
#include "platform/webkit/SealedText.h"

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

// A part of the page for the view: its divisions left out, whether more
// follows, and where the page text it carries starts in the page.
GVariantPtr PartPayload(const deferred::DeferredPage& page, MoreText more,
                        std::uint64_t pageTextOffset, const PagePiece& piece) {
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
    g_variant_builder_add(&builder, "t", static_cast<guint64>(pageTextOffset));
    g_variant_builder_add(&builder, "t", static_cast<guint64>(piece.offset));
    g_variant_builder_add(&builder, "t", static_cast<guint64>(piece.length));
    return GVariantPtr(g_variant_ref_sink(g_variant_builder_end(&builder)));
}

// Properties whose attribute has the property's name: those can be written
// into the text.
bool IsAttribute(const std::string& property) {
    return property == "href" || property == "src";
}

}  // namespace

// Where start-up's stretches of the page go: on to the thread that splits
// it, and the latest kept, so that the written text can be checked to go
// on from it.
class StretchesToSplit final : public PageStretches {
public:
    explicit StretchesToSplit(std::shared_ptr<PageSplit> split) : split_(std::move(split)) {}

    void Grown(PageText soFar) override {
        {
            const std::lock_guard lock(mutex_);
            latest_ = soFar;
        }
        split_->Grow(std::move(soFar), deferred::PageEnd::NotYet);
    }

    PageText Latest() {
        const std::lock_guard lock(mutex_);
        return latest_;
    }

private:
    std::shared_ptr<PageSplit> split_;
    std::mutex mutex_;
    PageText latest_;
};

RemoteDocument::RemoteDocument(PageChannel& channel, PageLoading loading)
    : channel_(channel), loading_(loading) {}

RemoteDocument::~RemoteDocument() {
    if (loadWholeSource_) {
        g_source_remove(loadWholeSource_);
    }
}

// Parts of a split given up on are not taken: each split has its number.
void RemoteDocument::StartSplit() {
    std::weak_ptr<RemoteDocument> self = weak_from_this();
    const std::uint64_t number = ++splits_;
    split_ =
        std::make_shared<PageSplit>(kStartBytes, kPartBytes, [self, number](PageSplit::Part part) {
            auto document = self.lock();
            if (document && document->splits_ == number && document->split_) {
                document->OnPart(std::move(part));
            }
        });
}

std::shared_ptr<PageStretches> RemoteDocument::TakeInStretches(std::string_view lead) {
    if (loading_ == PageLoading::Whole || written_ || stretches_) {
        return nullptr;
    }
    lead_ = std::string(lead);
    StartSplit();
    stretches_ = std::make_shared<StretchesToSplit>(split_);
    return stretches_;
}

// The written text goes on from the stretches, if it holds them; else the
// page is split from its start again.
void RemoteDocument::write(PageText text) {
    if (written_) {
        throw runtime::Failure("the page is already written; the document takes one write");
    }
    written_ = true;
    if (loading_ == PageLoading::Whole) {
        // Once start-up has asked all it asks of the document now, when the
        // main loop is next idle: what it sets goes into the text.
        lead_.clear();
        splitText_ = std::move(text);
        std::weak_ptr<RemoteDocument> self = weak_from_this();
        loadWholeSource_ = g_idle_add_full(
            G_PRIORITY_HIGH_IDLE,
            [](gpointer data) -> gboolean {
                if (auto document = static_cast<std::weak_ptr<RemoteDocument>*>(data)->lock()) {
                    document->loadWholeSource_ = 0;
                    document->LoadWhole();
                }
                return G_SOURCE_REMOVE;
            },
            new std::weak_ptr<RemoteDocument>(self),
            [](gpointer data) { delete static_cast<std::weak_ptr<RemoteDocument>*>(data); });
        return;
    }
    if (stretches_) {
        const PageText latest = stretches_->Latest();
        const bool goesOn = text.View().substr(0, lead_.size()) == lead_ &&
                            text.From(lead_.size()).BeginsWith(latest);
        stretches_.reset();
        if (!goesOn) {
            lead_.clear();
        }
        splitText_ = goesOn ? text.From(lead_.size()) : std::move(text);
        if (goesOn && split_ && !startAgainWhenWritten_) {
            split_->Grow(splitText_, deferred::PageEnd::Known);
            return;
        }
        if (firstSent_ || startAgainWhenWritten_) {
            StartAgainInOnePart();
            return;
        }
    } else {
        splitText_ = std::move(text);
    }
    StartSplit();
    split_->Grow(splitText_, deferred::PageEnd::Known);
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

void RemoteDocument::OnPart(PageSplit::Part part) {
    if (!part.failure.empty()) {
        runtime::ReportFailure("browser view: splitting the page", part.failure);
    }
    if (part.first) {
        SendFirstPart(std::move(part));
        return;
    }
    if (!part.page || !part.firstText || !part.pageText.file) {
        StartAgainInOnePart();
        return;
    }
    if (part.last) {
        Done();
    }
    Post(Message{messages::kMorePage,
                 PartPayload(*part.page, part.last ? MoreText::Ends : MoreText::Follows,
                             part.pageTextOffset, part.pageText),
                 std::move(part.firstText), std::move(part.pageText.file)});
}

// The view starts from an empty document, and the web process writes the
// page into it from sealed copies of the text it builds first: the first
// part at once, the others as they come. Each part brings its piece of the
// page text, from which the divisions it left out are built.
void RemoteDocument::SendFirstPart(PageSplit::Part part) {
    if (firstSent_) {
        return;
    }
    startupPuts_ = std::move(puts_);
    puts_.clear();
    std::shared_ptr<const runtime::FileDescriptor> firstText;
    std::optional<SplitForTheView> start;
    if (part.page && part.pageText.file) {
        runtime::Attempt("browser view: passing the page text on", [&] {
            start.emplace(WithProperties(std::move(*part.page)));
            firstText = std::make_shared<const runtime::FileDescriptor>(
                SealedCopy({lead_, start->page.FirstText()}, "kestrova-first-text"));
        });
    }
    if (!firstText) {
        split_.reset();
        if (written_) {
            LoadWhole();
        } else {
            startAgainWhenWritten_ = true;  // it goes whole, once written
        }
        return;
    }
    firstSent_ = true;
    if (part.last) {
        Done();
    }
    pending_.insert(pending_.begin(),
                    Message{messages::kWritePage,
                            PartPayload(start->page, part.last ? MoreText::Ends : MoreText::Follows,
                                        part.pageTextOffset, part.pageText),
                            std::move(firstText), std::move(part.pageText.file)});
    std::move(start->putMessages.begin(), start->putMessages.end(), std::back_inserter(pending_));
    sent_ = pending_;
    Load();
}

// The view builds the page from its text as written, with what start-up
// set on it, nothing left out.
void RemoteDocument::LoadWhole() {
    split_.reset();
    startAgainWhenWritten_ = false;
    FirstPartGoes();
    std::string text = lead_;
    text += splitText_.View();
    auto whole = WithProperties(deferred::DeferredPage::Whole(text));
    ForgetTheParts();
    std::move(whole.putMessages.begin(), whole.putMessages.end(), std::back_inserter(sent_));
    loadedText_ = std::make_shared<const std::string>(whole.page.FirstText());
    splitText_ = PageText();
    PutBack();
}

// A part left out a division whose id a later part uses again, or a part
// could not be split or passed on: the page goes to the view again, split
// as one, or else whole, once its text is written. What was sent and set
// since goes again too.
void RemoteDocument::StartAgainInOnePart() {
    split_.reset();
    if (!written_) {
        startAgainWhenWritten_ = true;
        return;
    }
    startAgainWhenWritten_ = false;
    FirstPartGoes();
    // The page written again in one part holds the parts sent so far.
    ForgetTheParts();
    const bool split = runtime::Attempt("browser view: passing the page text on", [&] {
        auto page = WithProperties(deferred::DeferredPage::Split(splitText_.View()));
        PagePiece piece = PieceOf(splitText_, 0, splitText_.size());
        sent_.insert(sent_.begin(),
                     Message{messages::kWritePage, PartPayload(page.page, MoreText::Ends, 0, piece),
                             std::make_shared<const runtime::FileDescriptor>(
                                 SealedCopy({lead_, page.page.FirstText()}, "kestrova-first-text")),
                             std::move(piece.file)});
    });
    if (!split) {
        LoadWhole();
        return;
    }
    loadedText_.reset();
    splitText_ = PageText();
    PutBack();
}

// The parts of the page sent so far: the page goes again from its start.
void RemoteDocument::ForgetTheParts() {
    sent_.erase(std::remove_if(sent_.begin(), sent_.end(),
                               [](const Message& message) {
                                   const std::string_view name = message.name;
                                   return name == messages::kWritePage ||
                                          name == messages::kMorePage;
                               }),
                sent_.end());
}

// Every part is on its way, each with its piece of the page text: the text
// itself is not needed here any more.
void RemoteDocument::Done() {
    split_.reset();
    splitText_ = PageText();
}

// From the first part on, what start-up set goes into it or after it, and
// everything sent is kept for a put-back.
void RemoteDocument::FirstPartGoes() {
    if (firstSent_) {
        return;
    }
    firstSent_ = true;
    startupPuts_ = std::move(puts_);
    puts_.clear();
    sent_ = pending_;
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
    if (!firstSent_) {
        puts_.push_back(std::move(put));  // may still go into the text
    } else {
        Post(Message{messages::kPutElementProperty, PutMessagePayload(put), nullptr});
    }
}

void RemoteDocument::Post(Message message) {
    if (firstSent_) {
        sent_.push_back(message);
    }
    Send(std::move(message));
}

void RemoteDocument::Send(Message message) {
    if (!loaded_) {
        pending_.push_back(std::move(message));
        return;
    }
    static const runtime::FileDescriptor kNoFile;
    channel_.Send(message.name, std::move(message.payload), message.file ? *message.file : kNoFile,
                  message.secondFile ? *message.secondFile : kNoFile);
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
        changes_[known->second].block = change.block;
    }
}

bool RemoteDocument::PutBack() {
    if (!firstSent_) {
        return false;  // the first part, still to come, loads the page
    }
    loaded_ = false;
    pending_ = sent_;
    for (const auto& change : changes_) {
        pending_.push_back(Message{
            messages::kRestoreProperty,
            GVariantPtr(g_variant_ref_sink(g_variant_new(
                messages::kElementPropertyType, change.element.c_str(), change.property.c_str(),
                change.value.c_str(), static_cast<gint64>(change.block)))),
            nullptr});
    }
    if (place_) {
        pending_.push_back(Message{messages::kRestorePlace,
                                   GVariantPtr(g_variant_ref_sink(g_variant_new(
                                       messages::kPlaceType, place_->block, place_->offset))),
                                   nullptr});
    }
    Load();
    return true;
}

}  // namespace kestrova::platform
