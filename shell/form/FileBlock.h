#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pagefile/PageFile.h"
#include "platform/pagefile/PageFileMapping.h"
#include "shell/form/StorageBlock.h"

namespace kestrova {

// Storage bytes in a page file. Appends are gathered in a small buffer and
// written a megabyte at a time, so that the text is in memory of the
// program's own only while it is that buffer; views map the file.
class FileBlock final : public StorageBlock {
public:
    // Throws runtime::Failure when no page file can be made.
    FileBlock();

    bool Reserve(std::size_t bytes, bool shared) override;
    void Write(std::size_t at, std::string_view bytes) override;
    void Read(std::size_t at, std::size_t length, char* out) const override;
    platform::PageText View(std::shared_ptr<const StorageBlock> self, std::size_t at,
                            std::size_t length) override;
    bool Shows(const char* data, std::size_t at) const override;

private:
    void Flush();
    const platform::PageFileMapping& MappingOf(std::size_t bytes);

    std::shared_ptr<platform::PageFile> file_;
    // Bytes from `gatheredAt_` on that are not in the file yet.
    std::string gathered_;
    std::size_t gatheredAt_ = 0;
    // Each mapping stays while the block lives: text handed out lies in
    // them. A longer one is made when the text outgrows the last.
    std::vector<std::unique_ptr<platform::PageFileMapping>> mappings_;
};

}  // namespace kestrova
