#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/document/PageText.h"
#include "shell/form/StorageBlock.h"

namespace kestrova {

// The page buffer's storage: text followed by spare blanks. The text lies
// in a page file, which the system can write out and read back, so that a
// page of many gigabytes does not hold as much memory; where no page file
// can be made or written, in memory of the program's own (said once on
// stderr). The spare blanks at its end are only written when something
// needs them.
//
// Text taken out with Share keeps the block it lies in, and the storage
// never writes the bytes that text sees: it writes after them, or moves to
// a fresh block first. Each block keeps a few bytes free before its text:
// when the storage is emptied and then given, after a line break, exactly
// the text it last shared, it takes that block back and writes the line
// break into those bytes, instead of copying the whole text. Building the
// page does just that with the page body.
class PageStorage {
public:
    // Where the storage keeps its text.
    enum class Keeping { NothingYet, InAFile, InMemory };

    PageStorage() = default;
    PageStorage(const PageStorage&) = delete;
    PageStorage& operator=(const PageStorage&) = delete;

    std::size_t size() const { return size_; }
    // Makes the storage `count` blanks; the block it had goes, or stays
    // with the text handed out from it.
    void AssignBlanks(std::size_t count);
    // Adds `count` blanks at the end; throws std::bad_alloc when it cannot.
    void AppendBlanks(std::size_t count);
    // Writes `prefix` and then `pieces` from `position` on; they must fit.
    // Throws std::bad_alloc when neither a file nor memory can keep them.
    void Write(std::size_t position, std::string_view prefix,
               std::initializer_list<std::string_view> pieces);
    // The first `length` characters, copied.
    std::string Prefix(std::size_t length) const;
    // The first `length` characters (at most its size), without a copy. The
    // text keeps the block it lies in, and the storage never changes a
    // character of it.
    platform::PageText Share(std::size_t length);
    // The whole storage, spare blanks included.
    std::string ToString() const { return Prefix(size_); }
    Keeping KeptIn() const;

private:
    bool Shared() const { return block_ && block_.use_count() > 1; }
    bool TakeBackSharedText(std::string_view prefix, std::string_view piece);
    // A block for the text: a page file, or memory when none can be made.
    std::shared_ptr<StorageBlock> FreshBlock(std::size_t bytes) const;
    static std::shared_ptr<StorageBlock> MemoryBlockFor(std::size_t bytes);
    void Reserve(std::size_t bytes);
    void Put(std::size_t position, std::string_view bytes);
    void FillBlanksUpTo(std::size_t position);
    // Copies the text written so far into a fresh block with room for
    // `bytes`: one in memory when `reason` says why the page file does not
    // serve, else of the same kind.
    void MoveToFreshBlock(std::size_t bytes, std::string_view reason = {});

    // Room before the text in each block, for a line break put before it.
    static constexpr std::size_t kHeadroom = 16;

    std::shared_ptr<StorageBlock> block_;
    std::size_t offset_ = kHeadroom;  // where the text starts in the block
    std::size_t size_ = 0;
    std::size_t written_ = 0;  // characters before this are written; the rest are blanks
    // Bytes of the block before this may be seen by a shared text.
    std::size_t sharedEnd_ = 0;
    // The text last shared from a block this storage has let go of.
    std::weak_ptr<StorageBlock> lastShared_;
    std::size_t lastSharedOffset_ = 0;
    std::size_t lastSharedLength_ = 0;
};

}  // namespace kestrova
