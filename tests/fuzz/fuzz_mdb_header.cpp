// The first page of a classic .mdb file, as the reader reads it before the
// library sees the file: its version, its page key, whether it has a
// password (unmasked with the key of its settings block and its creation
// date), and whether it is an .accdb file encrypted with a password, which
// is refused. The seeds are first pages of the real files.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/mdbfile/FileHeader.h"
#include "platform/mdbfile/HeaderLayout.h"
#include "tests/fuzz/ExactBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrova;
    constexpr std::size_t kHeaderBytes = 0x300;
    const fuzz::ExactBytes bytes({reinterpret_cast<const char*>(data), size});
    const auto header = mdbfile::HeaderOf(bytes.Data(), bytes.Size());
    // Too short a page is refused, never read past.
    KESTROVA_REQUIRE(header.has_value() == (size >= kHeaderBytes));
    if (!header) {
        return 0;
    }
    KESTROVA_REQUIRE(header->version == data[mdbfile::header::kVersionAt]);
    const auto refused = mdbfile::UnreadableEncryption(*header);
    // Only files of Access 2007 and later are refused.
    KESTROVA_REQUIRE(!refused || header->IsAce());
    // Masking the settings block twice gives it back.
    std::vector<std::uint8_t> page(data, data + kHeaderBytes);
    mdbfile::header::ToggleSettingsMask(page.data(), header->version);
    mdbfile::header::ToggleSettingsMask(page.data(), header->version);
    KESTROVA_REQUIRE(std::equal(page.begin(), page.end(), data));
    return 0;
}
