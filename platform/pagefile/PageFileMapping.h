#pragma once

#include <cstddef>
#include <memory>

#include "platform/pagefile/PageFile.h"

namespace kestrova::platform {

// The first bytes of a page file, mapped read only. The mapping may reach
// beyond what is written so far; only text that is written may be read
// through it, and what is written later shows there too.
class PageFileMapping {
public:
    // Throws runtime::Failure when the space cannot be mapped.
    PageFileMapping(std::shared_ptr<const PageFile> file, std::size_t bytes);
    ~PageFileMapping();
    PageFileMapping(const PageFileMapping&) = delete;
    PageFileMapping& operator=(const PageFileMapping&) = delete;

    const char* Data() const { return data_; }
    std::size_t Bytes() const { return bytes_; }
    const std::shared_ptr<const PageFile>& File() const { return file_; }

private:
    std::shared_ptr<const PageFile> file_;
    const char* data_ = nullptr;
    std::size_t bytes_ = 0;
};

}  // namespace kestrova::platform
