#include "platform/mdbfile/FileHeader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/mdbfile/HeaderLayout.h"
#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

using namespace header;
// ACE: the encryption flags and the description of the encryption.
constexpr std::size_t kEncryptionInfoAt = 0x298;
constexpr std::size_t kEncryptionInfoEnd = 0x300;

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
    ToggleSettingsMask(page.data(), header.version);
    header.pageKey = static_cast<std::uint32_t>(LittleEndian(page.data() + kPageKeyAt, 4));
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
        return "it is encrypted with a password, which Kestrova cannot read in files of Access "
               "2007 and later";
    }
    return std::nullopt;
}

}  // namespace kestrova::mdbfile
