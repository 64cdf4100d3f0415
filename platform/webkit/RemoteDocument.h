#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/document/HTMLDocument.h"
#include "platform/webkit/GlibHandles.h"

namespace kestrova::platform {

// What the window side of a document needs of the view that shows it.
class PageChannel {
public:
    virtual ~PageChannel() = default;
    // Shows `text` as the page; calls `loaded` once the view has taken it
    // (its document exists, though it may not be parsed yet).
    virtual void LoadPage(std::string text, std::function<void()> loaded) = 0;
    // Sends a message to the page now shown.
    virtual void Send(const char* name, GVariantPtr payload) = 0;
};

// The document as the window process sees it. The real document lives in
// the web process; what start-up asks of it here (setting properties of
// elements, binding the events) is carried over as messages, in the order
// asked, once the view has taken the page; the web process applies each as
// soon as the parser has reached its element.
class RemoteDocument final : public BrowserDocument,
                             public std::enable_shared_from_this<RemoteDocument> {
public:
    explicit RemoteDocument(PageChannel& channel);

    void write(std::string text) override;
    std::unique_ptr<IHTMLElementList> getElementsByTagName(const std::string& tagName) override;
    void Advise(HTMLDocumentEvents& receiver) override;
    void Unadvise() override;

    // Carried over once the page is loaded (at once if it is).
    void Post(const char* name, GVariantPtr payload);

private:
    void OnLoaded();

    struct Message {
        const char* name;
        GVariantPtr payload;
    };
    PageChannel& channel_;
    bool written_ = false;
    bool loaded_ = false;
    std::vector<Message> pending_;
};

}  // namespace kestrova::platform
