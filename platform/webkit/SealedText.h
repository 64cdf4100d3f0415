#pragma once

#include <string_view>

#include "platform/webkit/FileDescriptor.h"

namespace kestrova::platform {

// A copy of `text` in an anonymous file in memory, sealed so that nobody can
// change, grow or shrink it: the web process can map it and trust what it
// reads. Throws runtime::Failure when the system refuses.
FileDescriptor SealedCopy(std::string_view text, const char* name);

}  // namespace kestrova::platform
