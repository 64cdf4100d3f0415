#pragma once

#include <webkit2/webkit2.h>

#include <optional>
#include <string>

#include "platform/webkit/GlibHandles.h"

namespace kestrova::platform {

// The memory the page's web process may use, in MiB: half of the
// machine's memory, and no less than 1 GiB.
unsigned WebProcessMemoryLimitMiB();

// Why WebKit's sandbox cannot start here (bubblewrap missing, or refused
// the namespaces it makes); nothing when it can.
std::optional<std::string> SandboxUnavailable();

// The web context of the program's view: it keeps its cache, cookies,
// storage and HSTS records in memory only, and its web process is ended
// when it uses more than WebProcessMemoryLimitMiB(). Its web process runs
// in WebKit's sandbox, where it sees the application directory (its
// extension and pictures, read only) and what it is handed, and none of
// the user's files; where the sandbox cannot start, one line says so and
// the process runs without it.
GObjectPtr<WebKitWebContext> NewPageContext(const std::string& applicationDirectory);

}  // namespace kestrova::platform
