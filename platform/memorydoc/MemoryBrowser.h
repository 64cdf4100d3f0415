#pragma once

#include <memory>
#include <string>

#include "platform/document/WebBrowser.h"
#include "platform/memorydoc/MemoryDocument.h"

namespace kestrova::platform {

// A browser control without a view: navigating to "about:blank" gives a
// fresh in-memory document.
class MemoryBrowser final : public WebBrowser {
public:
    void Navigate(const std::string& address) override;
    std::shared_ptr<BrowserDocument> Document() override;

    // The document of the last navigation, or nullptr.
    std::shared_ptr<MemoryDocument> CurrentDocument() const { return document_; }

private:
    std::shared_ptr<MemoryDocument> document_;
};

}  // namespace kestrova::platform
