#include "shell/form/FileBlock.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrova {

namespace {

constexpr std::size_t kGatherBytes = 1024 * 1024;
constexpr std::size_t kPage = 4096;

}  // namespace

FileBlock::FileBlock() : file_(platform::PageFile::Create()) {
    gathered_.reserve(kGatherBytes);
}

// Room in a file costs nothing until it is written.
bool FileBlock::Reserve(std::size_t bytes, bool) {
    if (bytes > kMostStorageBytes) {
        throw std::bad_alloc();
    }
    return true;
}

void FileBlock::Write(std::size_t at, std::string_view bytes) {
    if (gathered_.empty()) {
        gatheredAt_ = at;
    }
    if (at != gatheredAt_ + gathered_.size() || gathered_.size() + bytes.size() > kGatherBytes) {
        Flush();
        if (at != gatheredAt_ || bytes.size() >= kGatherBytes) {
            file_->Write(at, bytes);
            return;
        }
    }
    gathered_.append(bytes);
}

void FileBlock::Flush() {
    if (!gathered_.empty()) {
        file_->Write(gatheredAt_, gathered_);  // kept gathered when it throws
        gatheredAt_ += gathered_.size();
        gathered_.clear();
    }
}

void FileBlock::Read(std::size_t at, std::size_t length, char* out) const {
    // Everything before the gathered bytes is in the file.
    const std::size_t inFile = gathered_.empty() ? at + length : gatheredAt_;
    const std::size_t fromFile = std::min(length, at < inFile ? inFile - at : 0);
    file_->Read(at, fromFile, out);
    if (fromFile < length) {
        std::memcpy(out + fromFile, gathered_.data() + (at + fromFile - gatheredAt_),
                    length - fromFile);
    }
}

const platform::PageFileMapping& FileBlock::MappingOf(std::size_t bytes) {
    if (mappings_.empty() || mappings_.back()->Bytes() < bytes) {
        const std::size_t last = mappings_.empty() ? 0 : mappings_.back()->Bytes();
        const std::size_t wanted = (std::max(bytes, 2 * last) + kPage - 1) / kPage * kPage;
        mappings_.push_back(std::make_unique<platform::PageFileMapping>(file_, wanted));
    }
    return *mappings_.back();
}

platform::PageText FileBlock::View(std::shared_ptr<const StorageBlock> self, std::size_t at,
                                   std::size_t length) {
    Flush();
    const auto& mapping = MappingOf(at + length);
    return platform::PageText(std::move(self), std::string_view(mapping.Data() + at, length),
                              {mapping.File(), at});
}

bool FileBlock::Shows(const char* data, std::size_t at) const {
    return std::any_of(mappings_.begin(), mappings_.end(),
                       [&](const auto& mapping) { return data == mapping->Data() + at; });
}

}  // namespace kestrova
