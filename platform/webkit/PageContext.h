#pragma once

#include <webkit2/webkit2.h>

#include "platform/webkit/GlibHandles.h"

namespace kestrova::platform {

// The memory the page's web process may use, in MiB: half of the
// machine's memory, and no less than 1 GiB.
unsigned WebProcessMemoryLimitMiB();

// The web context of the program's view: it keeps its cache, cookies,
// storage and HSTS records in memory only, and its web process is ended
// when it uses more than WebProcessMemoryLimitMiB().
GObjectPtr<WebKitWebContext> NewPageContext();

}  // namespace kestrova::platform
