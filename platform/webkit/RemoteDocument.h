#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/document/HTMLDocument.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/PageSplit.h"
#include "platform/webkit/SealedText.h"

namespace kestrova::platform {

class StretchesToSplit;

// How the view builds the document from the page text.
enum class PageLoading {
    // The content of each hidden division waits, in a sealed file the web
    // process maps, until that division is first shown; a long outline's
    // rows are in the document only around the part of the page in sight.
    DeferHiddenDivisions,
    // The same, but with every row of the outline in the document.
    DeferHiddenDivisionsEveryRow,
    // Everything at once, as written.
    Whole,
};

// What the window side of a document needs of the view that shows it.
class PageChannel {
public:
    virtual ~PageChannel() = default;
    // Shows `text` as the page (an empty document when it is empty); calls
    // `loaded` once the view has taken it (its document exists, though it
    // may not be parsed yet).
    virtual void LoadPage(std::shared_ptr<const std::string> text,
                          std::function<void()> loaded) = 0;
    // Sends a message to the page now shown, with copies of the files that
    // are open.
    virtual void Send(const char* name, GVariantPtr payload, const runtime::FileDescriptor& file,
                      const runtime::FileDescriptor& secondFile) = 0;
};

// The document as the window process sees it. The real document lives in
// the web process. The page's text goes to the view in parts, as a thread
// splits it (PageSplit), the first part as soon as it is split: while
// start-up still writes the page, when the text comes in stretches, or
// once it is written. Properties start-up sets on elements of the first
// part before it goes are written into the text the view builds them from,
// so that the page never shows before them; the rest (the events,
// properties of elements built later) is carried over as messages, in the
// order asked, once the view has taken the page. It keeps what it sent,
// and what the window's handlers set on the page since, so that it can put
// the page back as it stood into a fresh view process.
class RemoteDocument final : public BrowserDocument,
                             public std::enable_shared_from_this<RemoteDocument> {
public:
    RemoteDocument(PageChannel& channel, PageLoading loading);
    ~RemoteDocument() override;

    void write(PageText text) override;
    std::unique_ptr<IHTMLElementList> getElementsByTagName(const std::string& tagName) override;
    void Advise(HTMLDocumentEvents& receiver) override;
    void Unadvise() override;
    std::shared_ptr<PageStretches> TakeInStretches(std::string_view lead) override;

    struct PropertyPut {
        std::string tagName;
        std::int16_t index = 0;
        std::string property;
        std::string value;
    };
    void Put(PropertyPut put);

    // The window's handlers set a property of an element, known by its id
    // or else its name, on the page in the view.
    struct ElementChange {
        std::string element;
        std::string property;
        std::string value;
        // The block of the outline's rows that holds the element, in a
        // page whose rows are windowed; -1 otherwise.
        std::int64_t block = -1;
    };
    void Remember(ElementChange change);
    // Where the view of a long outline stands: the block of rows at its
    // top, and how far below that block's top.
    struct Place {
        gint64 block = 0;
        double offset = 0;
    };
    void Remember(Place place) { place_ = place; }
    // The view lost the page: it shows the same text again, and the
    // properties the handlers set, each with its last value. Says whether
    // there was a page to put back.
    bool PutBack();

private:
    // A message to the page. Copies share the payload and the file: one
    // is kept to put the page back.
    struct Message {
        Message(const char* name, GVariantPtr payload,
                std::shared_ptr<const runtime::FileDescriptor> file)
            : name(name), payload(std::move(payload)), file(std::move(file)) {}
        Message(const char* name, GVariantPtr payload,
                std::shared_ptr<const runtime::FileDescriptor> file,
                std::shared_ptr<const runtime::FileDescriptor> secondFile)
            : name(name),
              payload(std::move(payload)),
              file(std::move(file)),
              secondFile(std::move(secondFile)) {}
        Message(const Message& other)
            : name(other.name),
              payload(other.payload ? g_variant_ref(other.payload.get()) : nullptr),
              file(other.file),
              secondFile(other.secondFile) {}
        Message& operator=(const Message& other) {
            Message copy(other);
            return *this = std::move(copy);
        }
        Message(Message&&) noexcept = default;
        Message& operator=(Message&&) noexcept = default;

        const char* name;
        GVariantPtr payload;
        std::shared_ptr<const runtime::FileDescriptor> file;
        // A second file, for the parts of the page.
        std::shared_ptr<const runtime::FileDescriptor> secondFile;
    };
    // Sends now or once the view has taken the page; what is posted after
    // the first part went is kept.
    void Post(Message message);
    void Send(Message message);
    void OnLoaded();
    void Load();
    // The page's text split for the view, with what start-up set on its
    // elements written into the text it first builds.
    struct SplitForTheView;
    SplitForTheView WithProperties(deferred::DeferredPage page) const;
    // Splits the page in a thread; the parts come back to OnPart.
    void StartSplit();
    void OnPart(PageSplit::Part part);
    void SendFirstPart(PageSplit::Part part);
    // The page goes to the view as it is written, nothing left out.
    void LoadWhole();
    void FirstPartGoes();
    void ForgetTheParts();
    void Done();
    // The view writes the page again from its start, split as one.
    void StartAgainInOnePart();

    PageChannel& channel_;
    PageLoading loading_;
    bool written_ = false;
    // The first part of the page has gone to the view.
    bool firstSent_ = false;
    bool loaded_ = false;
    // The page's text: the lead, then the text that is split (the
    // stretches, then the written text after the lead).
    std::string lead_;
    PageText splitText_;
    std::shared_ptr<StretchesToSplit> stretches_;
    std::shared_ptr<PageSplit> split_;
    std::uint64_t splits_ = 0;
    guint loadWholeSource_ = 0;
    // The page must go again as one part once it is written whole.
    bool startAgainWhenWritten_ = false;
    std::vector<PropertyPut> puts_;
    // What start-up set on the page's elements before the first part went.
    std::vector<PropertyPut> startupPuts_;
    std::vector<Message> pending_;
    // What the view was given since the first part went: the text it loads,
    // and the messages sent or waiting, in order.
    std::shared_ptr<const std::string> loadedText_;
    std::vector<Message> sent_;
    // What the handlers set since, in the order first set, each last value.
    std::vector<ElementChange> changes_;
    // Where each element's property stands in changes_.
    std::unordered_map<std::string, std::size_t> changeIndex_;
    // Where the view stood last.
    std::optional<Place> place_;
};

}  // namespace kestrova::platform
