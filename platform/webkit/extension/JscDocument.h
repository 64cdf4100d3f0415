#pragma once

#include <jsc/jsc.h>

#include <memory>

#include "platform/document/HTMLDocument.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/DeferredDivisions.h"

namespace kestrova::platform {

struct DocumentState;

// The document contract over a page's real DOM, reached synchronously
// through JavaScriptCore in the web process.
class JscDocument final : public HTMLDocument {
public:
    // `context` is the JavaScript context of the frame that shows the page;
    // `deferred`, when given, the divisions whose content waits.
    explicit JscDocument(JSCContext* context,
                         std::shared_ptr<DeferredDivisions> deferred = nullptr);
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
