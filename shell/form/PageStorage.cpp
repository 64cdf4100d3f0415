#include "shell/form/PageStorage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "shell/form/FileBlock.h"
#include "shell/form/MemoryBlock.h"

namespace kestrova {

namespace {

// Blanks and copies go in pieces of this size.
constexpr std::size_t kChunk = 1024 * 1024;

// Said once in a run: every later page's text goes the same way.
void SayKeptInMemory(std::string_view reason) {
    static std::atomic<bool> said = false;
    if (!said.exchange(true)) {
        runtime::ReportFailure("the page text is kept in memory", reason);
    }
}

}  // namespace

PageStorage::Keeping PageStorage::KeptIn() const {
    if (!block_) {
        return Keeping::NothingYet;
    }
    return dynamic_cast<const FileBlock*>(block_.get()) ? Keeping::InAFile : Keeping::InMemory;
}

void PageStorage::AssignBlanks(std::size_t count) {
    if (Shared()) {
        // The text handed out keeps it; it may be given back soon.
        lastShared_ = block_;
        lastSharedOffset_ = offset_;
        lastSharedLength_ = sharedEnd_ - offset_;
    }
    block_.reset();
    offset_ = kHeadroom;
    sharedEnd_ = 0;
    size_ = count;
    written_ = 0;
}

void PageStorage::AppendBlanks(std::size_t count) {
    if (count > kMostStorageBytes - offset_ - size_) {
        throw std::bad_alloc();
    }
    Reserve(size_ + count);
    size_ += count;
}

// A fresh block is a page file, unless none can be made.
std::shared_ptr<StorageBlock> PageStorage::FreshBlock(std::size_t bytes) const {
    try {
        auto file = std::make_shared<FileBlock>();
        file->Reserve(offset_ + bytes, false);
        // The room in front is written too: a line break put there later
        // then needs no new space in the file.
        file->Write(0, std::string(offset_, ' '));
        return file;
    } catch (const runtime::Failure& failure) {
        SayKeptInMemory(failure.what());
    }
    return MemoryBlockFor(offset_ + bytes);
}

std::shared_ptr<StorageBlock> PageStorage::MemoryBlockFor(std::size_t bytes) {
    auto memory = std::make_shared<MemoryBlock>();
    memory->Reserve(bytes, false);
    return memory;
}

void PageStorage::Reserve(std::size_t bytes) {
    if (block_ && !block_->Reserve(offset_ + bytes, Shared())) {
        MoveToFreshBlock(bytes);
    }
}

// The old block stays until the fresh one holds the text: when memory runs
// out on the way, the storage is as it was.
void PageStorage::MoveToFreshBlock(std::size_t bytes, std::string_view reason) {
    bytes = std::max(bytes, size_);
    std::shared_ptr<StorageBlock> fresh;
    if (reason.empty() && dynamic_cast<const FileBlock*>(block_.get())) {
        fresh = FreshBlock(bytes);
    } else {
        if (!reason.empty()) {
            SayKeptInMemory(reason);
        }
        fresh = MemoryBlockFor(offset_ + bytes);
    }
    // The room in front goes too: a line break may already stand there.
    std::string chunk;
    for (std::size_t at = 0; at < offset_ + written_; at += kChunk) {
        chunk.resize(std::min(kChunk, offset_ + written_ - at));
        block_->Read(at, chunk.size(), chunk.data());
        fresh->Write(at, chunk);
    }
    block_ = std::move(fresh);
    sharedEnd_ = 0;
}

// A page file that cannot take more (the disk is full, a file size limit)
// gives way to memory, the text written so far copied over.
void PageStorage::Put(std::size_t position, std::string_view bytes) {
    try {
        block_->Write(offset_ + position, bytes);
    } catch (const runtime::Failure& failure) {
        MoveToFreshBlock(size_, failure.what());
        block_->Write(offset_ + position, bytes);
    }
    written_ = std::max(written_, position + bytes.size());
}

bool PageStorage::TakeBackSharedText(std::string_view prefix, std::string_view piece) {
    auto last = lastShared_.lock();
    if (!last || written_ != 0 || prefix.size() > lastSharedOffset_ ||
        piece.size() != lastSharedLength_ || !last->Shows(piece.data(), lastSharedOffset_)) {
        return false;
    }
    block_ = std::move(last);
    lastShared_.reset();
    offset_ = lastSharedOffset_ - prefix.size();
    sharedEnd_ = lastSharedOffset_ + lastSharedLength_;
    // Counted as written before growing: a block that cannot grow in place
    // is left for a fresh one, and the text must go with it.
    written_ = prefix.size() + piece.size();
    Reserve(size_);
    Put(0, prefix);
    return true;
}

void PageStorage::Write(std::size_t position, std::string_view prefix,
                        std::initializer_list<std::string_view> pieces) {
    if (position == 0 && pieces.size() == 1 && TakeBackSharedText(prefix, *pieces.begin())) {
        return;
    }
    if (!block_) {
        block_ = FreshBlock(size_);
    } else if (Shared() && offset_ + position < sharedEnd_) {
        MoveToFreshBlock(size_);
    }
    FillBlanksUpTo(position);
    Put(position, prefix);
    position += prefix.size();
    for (const auto piece : pieces) {
        Put(position, piece);
        position += piece.size();
    }
}

void PageStorage::FillBlanksUpTo(std::size_t position) {
    if (position <= written_) {
        return;
    }
    const std::string blanks(std::min(kChunk, position - written_), ' ');
    while (written_ < position) {
        Put(written_, std::string_view(blanks).substr(0, position - written_));
    }
}

std::string PageStorage::Prefix(std::size_t length) const {
    std::string prefix(std::min(length, written_), ' ');
    if (block_ && !prefix.empty()) {
        block_->Read(offset_, prefix.size(), prefix.data());
    }
    prefix.resize(length, ' ');
    return prefix;
}

platform::PageText PageStorage::Share(std::size_t length) {
    length = std::min(length, size_);
    if (length == 0 || !block_) {
        return platform::PageText(std::string(length, ' '));
    }
    FillBlanksUpTo(length);
    sharedEnd_ = std::max(sharedEnd_, offset_ + length);
    try {
        return block_->View(block_, offset_, length);
    } catch (const runtime::Failure& failure) {
        MoveToFreshBlock(size_, failure.what());
        sharedEnd_ = offset_ + length;
        return block_->View(block_, offset_, length);
    }
}

}  // namespace kestrova
