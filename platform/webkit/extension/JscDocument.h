#pragma once

#include <jsc/jsc.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/document/HTMLDocument.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/DeferredDivisions.h"

namespace kestrova::platform {

struct DocumentState;

// A property set on an element of the page, which is known by its id, or
// else by its name.
struct ElementChange {
    std::string element;
    std::string property;
    std::string value;
};
using ChangeObserver = std::function<void(const ElementChange&)>;

// The document contract over a page's real DOM, reached synchronously
// through JavaScriptCore in the web process.
class JscDocument final : public HTMLDocument {
public:
    // `context` is the JavaScript context of the frame that shows the page;
    // `deferred`, when given, the divisions whose content waits;
    // `observer`, when given, hears of every picture address, class and
    // display set through this document on an element with an id or name.
    explicit JscDocument(JSCContext* context, std::shared_ptr<DeferredDivisions> deferred = nullptr,
                         ChangeObserver observer = nullptr);
    ~JscDocument() override;

    void write(PageText text) override;
    std::unique_ptr<IHTMLElementList> getElementsByTagName(const std::string& tagName) override;
    std::unique_ptr<IHTMLWindow> parentWindow() override;
    std::unique_ptr<IHTMLElementCollection> all() override;
    void Advise(HTMLDocumentEvents& receiver) override;
    void Unadvise() override;

private:
    GObjectPtr<JSCContext> context_;
    GObjectPtr<JSCValue> document_;
    // Shared with the elements, collections and events handed out.
    std::shared_ptr<DocumentState> state_;
    HTMLDocumentEvents* receiver_ = nullptr;
};

}  // namespace kestrova::platform
