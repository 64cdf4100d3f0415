#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrova::mdbfile {

// What the first page of a classic .mdb file says about the file: its
// engine's version and whether, and how, it is protected. Read without the
// library, so that a file it cannot read is never handed to it.
struct FileHeader {
    // The engine version byte: 0 Jet 3, 1 Jet 4, 2 and above ACE.
    int version = 0;
    // The key its pages are encoded with (Jet 3 and Jet 4); 0 for none.
    std::uint32_t pageKey = 0;
    // A database password is set.
    bool hasPassword = false;
    // The block where ACE files keep how their pages are encrypted is
    // filled in.
    bool hasEncryptionInfo = false;

    bool IsAce() const { return version >= 2; }
};

// The header of the file at `path`; nullopt when its first page cannot be
// read whole.
std::optional<FileHeader> ReadFileHeader(const std::string& path);

// The header's fields, from the file's first bytes (`size` of them).
std::optional<FileHeader> HeaderOf(const unsigned char* bytes, std::size_t size);

// Why the pages of a file with this header cannot be read, or nullopt when
// they can: an ACE file with a password has its pages encrypted with the
// password itself, which the library does not decrypt.
std::optional<std::string> UnreadableEncryption(const FileHeader& header);

}  // namespace kestrova::mdbfile
