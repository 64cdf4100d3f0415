#pragma once

#include <webkit2/webkit-web-extension.h>

#include <string>

#include "platform/webkit/extension/OutlineFeed.h"

namespace kestrova::webprocess {

// Sets up the web process side of the program: the window's event handlers
// bound to the page's real document on the window's request.
void Initialize(WebKitWebExtension* extension, std::string applicationDirectory,
                platform::LongOutlines longOutlines);

}  // namespace kestrova::webprocess
