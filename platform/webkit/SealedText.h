#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "platform/document/PageText.h"
#include "platform/runtime/FileDescriptor.h"

namespace kestrova::platform {

// A copy of the parts, one after the other, in an anonymous file in memory, sealed so that nobody
// can change, grow or shrink it: the web process can map it and trust what it reads. Throws
// runtime::Failure when the system refuses.
runtime::FileDescriptor SealedCopy(std::initializer_list<std::string_view> parts, const char* name);

// A piece of the page text as the web process maps it: a file it can only
// read, and where in that file the piece lies.
struct PagePiece {
    std::shared_ptr<const runtime::FileDescriptor> file;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The `length` bytes of `text` from `from` on: in the page file the text
// lies in, which is never changed and never made shorter, without a copy;
// or else in a sealed copy. Throws runtime::Failure when the system refuses.
PagePiece PieceOf(const PageText& text, std::size_t from, std::size_t length);

}  // namespace kestrova::platform
