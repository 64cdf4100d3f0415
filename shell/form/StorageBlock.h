#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/document/PageText.h"

namespace kestrova {

// The bytes behind the page buffer's storage, in a page file or in memory
// of the program's own. Bytes are written at positions the storage chooses
// and read where they lie; text handed out keeps the block it lies in.
class StorageBlock {
public:
    virtual ~StorageBlock() = default;

    // Makes room for the first `bytes`. False when the block cannot grow
    // while `shared` text lies in it without moving it (the storage then
    // moves to a fresh block); throws std::bad_alloc when no memory can
    // be had for it.
    virtual bool Reserve(std::size_t bytes, bool shared) = 0;
    // Writes `bytes` at `at`, inside the room reserved. Throws
    // runtime::Failure when the block cannot keep them; nothing handed out
    // changes then.
    virtual void Write(std::size_t at, std::string_view bytes) = 0;
    // Copies `length` written bytes from `at` to `out`.
    virtual void Read(std::size_t at, std::size_t length, char* out) const = 0;
    // `length` written bytes from `at` as a text that keeps `self` (this
    // block) alive. Throws runtime::Failure when they cannot be reached.
    virtual platform::PageText View(std::shared_ptr<const StorageBlock> self, std::size_t at,
                                    std::size_t length) = 0;
    // Whether `data` is where a view of this block shows the byte at `at`.
    virtual bool Shows(const char* data, std::size_t at) const = 0;
};

// The most a storage block holds: far beyond any page, and within what a
// process can map.
inline constexpr std::size_t kMostStorageBytes = std::size_t{1} << 46;

}  // namespace kestrova
