#include "platform/memorydoc/MemoryBrowser.h"

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

void MemoryBrowser::Navigate(const std::string& address) {
    if (address != "about:blank") {
        throw runtime::Failure("cannot navigate to " + address);
    }
    document_ = std::make_shared<MemoryDocument>();
}

std::shared_ptr<BrowserDocument> MemoryBrowser::Document() {
    if (!document_) {
        throw runtime::Failure("the browser control has no document");
    }
    return document_;
}

}  // namespace kestrova::platform
