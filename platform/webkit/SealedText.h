#pragma once

#include <initializer_list>
#include <string_view>

#include "platform/webkit/FileDescriptor.h"

namespace kestrova::platform {

// A copy of the parts, one after the other, in an anonymous file in memory, sealed so that nobody
// can change, grow or shrink it: the web process can map it and trust what it reads. Throws
// runtime::Failure when the system refuses.
FileDescriptor SealedCopy(std::initializer_list<std::string_view> parts, const char* name);

}  // namespace kestrova::platform
