#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/runtime/FileDescriptor.h"

namespace kestrova::platform {

// Page text (or other bytes too many to hold in memory) in an unnamed file
// in the folder for large temporary files ($TMPDIR, else /var/tmp, else
// /tmp); where that folder is held in memory, one line says so. Unlike
// memory of the program's own, its pages are the system's to write out
// when memory runs short and to read back when they are needed. Nobody can open it by name,
// and it is gone once the last process holding it ends, however that ends.
// Text written into it is never changed again, so whoever maps a part of it
// can rely on what it reads.
class PageFile {
public:
    // A file for `contents`, as messages name them. Throws
    // runtime::Failure, naming the folder and the reason, when no such file
    // can be made there.
    static std::shared_ptr<PageFile> Create(std::string contents = "the page text");
    // The folder the files go in: $TMPDIR when it is set, else /var/tmp
    // where it can be written, else /tmp.
    static std::string Folder();
    static constexpr const char* kLargeFilesFolder = "/var/tmp";

    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    // Writes `bytes` at `offset`. Throws runtime::Failure when the system
    // refuses: the disk is full, or a file size limit is reached.
    void Write(std::uint64_t offset, std::string_view bytes) const;
    // Reads `length` bytes from `offset`, which must have been written.
    void Read(std::uint64_t offset, std::size_t length, char* out) const;
    int Descriptor() const { return file_.Get(); }
    // A descriptor that can only read the file, for another process: made
    // once, on first use, from any thread. Throws runtime::Failure.
    std::shared_ptr<const runtime::FileDescriptor> ReadOnly() const;

private:
    PageFile(runtime::FileDescriptor file, std::string contents)
        : file_(std::move(file)), contents_(std::move(contents)) {}

    runtime::FileDescriptor file_;
    std::string contents_;
    mutable std::mutex readOnlyLock_;
    mutable std::shared_ptr<const runtime::FileDescriptor> readOnly_;
};

}  // namespace kestrova::platform
