#include "platform/mdbfile/FileHeader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/mdbfile/Rc4.h"

namespace kestrova::mdbfile {

namespace {

constexpr std::size_t kVersionAt = 0x14;
constexpr std::size_t kMaskedAt = 0x18;
constexpr std::size_t kPageKeyAt = 0x3E;
constexpr std::size_t kPasswordAt = 0x42;
constexpr std::size_t kCreationDateAt = 0x72;
// ACE: the encryption flags and the description of the encryption.
constexpr std::size_t kEncryptionInfoAt = 0x298;
constexpr std::size_t kEncryptionInfoEnd = 0x300;

std::uint32_t Little32(const unsigned char* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// In Jet 4 and later the stored password is masked, beyond the block's own
// mask, with the whole days of the file's creation date.
std::array<unsigned char, 4> PasswordMask(const FileHeader& header, const unsigned char* page) {
    std::array<unsigned char, 4> mask{};
    if (header.version == 0) {
        return mask;
    }
    double created = 0;
    std::memcpy(&created, page + kCreationDateAt, sizeof created);
    if (!std::isfinite(created) || created < 0 || created > 4.0e9) {
        return mask;
    }
    const auto days = static_cast<std::uint32_t>(created);
    for (std::size_t i = 0; i < mask.size(); ++i) {
        mask[i] = static_cast<unsigned char>(days >> (8 * i));
    }
    return mask;
}

}  // namespace

std::optional<FileHeader> HeaderOf(const unsigned char* bytes, std::size_t size) {
    if (size < kEncryptionInfoEnd) {
        return std::nullopt;
    }
    std::vector<unsigned char> page(bytes, bytes + kEncryptionInfoEnd);
    FileHeader header;
    header.version = page[kVersionAt];
    const std::size_t masked = header.version == 0 ? 126 : 128;
    Rc4(kHeaderMaskKey, sizeof kHeaderMaskKey, page.data() + kMaskedAt, masked);
    header.pageKey = Little32(page.data() + kPageKeyAt);
    const std::size_t passwordSize = header.version == 0 ? 20 : 40;
    const auto mask = PasswordMask(header, page.data());
    for (std::size_t i = 0; i < passwordSize; ++i) {
        header.hasPassword |= (page[kPasswordAt + i] ^ mask[i % mask.size()]) != 0;
    }
    header.hasEncryptionInfo =
        header.IsAce() && std::any_of(page.begin() + kEncryptionInfoAt, page.end(),
                                      [](unsigned char byte) { return byte != 0; });
    return header;
}

std::optional<FileHeader> ReadFileHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes(kEncryptionInfoEnd);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return HeaderOf(bytes.data(), static_cast<std::size_t>(file.gcount()));
}

std::optional<std::string> UnreadableEncryption(const FileHeader& header) {
    if (header.IsAce() && (header.pageKey != 0 || header.hasPassword || header.hasEncryptionInfo)) {
        return "it is encrypted with a password, and Kestrova cannot read encrypted files of "
               "Access 2007 and later";
    }
    return std::nullopt;
}

}  // namespace kestrova::mdbfile
