#pragma once

#include "shell/form/StorageBlock.h"

namespace kestrova {

// Storage bytes in memory of the program's own: where no page file can be
// made or written. Pages are taken as they are first written, and growing
// remaps them rather than copying.
class MemoryBlock final : public StorageBlock {
public:
    MemoryBlock() = default;
    ~MemoryBlock() override;
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    bool Reserve(std::size_t bytes, bool shared) override;
    void Write(std::size_t at, std::string_view bytes) override;
    void Read(std::size_t at, std::size_t length, char* out) const override;
    platform::PageText View(std::shared_ptr<const StorageBlock> self, std::size_t at,
                            std::size_t length) override;
    bool Shows(const char* data, std::size_t at) const override { return data == data_ + at; }

private:
    char* data_ = nullptr;
    std::size_t bytes_ = 0;
};

}  // namespace kestrova
