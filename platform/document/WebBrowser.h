#pragma once

#include <memory>
#include <string>

#include "platform/document/HTMLDocument.h"

namespace kestrova::platform {

// The browser control on the main window.
class WebBrowser {
public:
    virtual ~WebBrowser() = default;
    // Starts loading `address`; does not wait for it.
    virtual void Navigate(const std::string& address) = 0;
    // The control's current document, usable at once after Navigate.
    virtual std::shared_ptr<BrowserDocument> Document() = 0;
};

}  // namespace kestrova::platform
