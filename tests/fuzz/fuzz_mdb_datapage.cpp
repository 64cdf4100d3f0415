// A data page of a classic .mdb file, read slot by slot as the reader
// scans a table: rows, deleted rows and the stored forms of moved rows,
// pointers to where a moved row stands, and that place on a second page,
// which must be a data page of the same table with a moved row's stored
// form in that slot. Input: a byte choosing the format's version, the
// table's definition page (4 bytes), then the page and the second page.
// The seeds are data pages of the real files.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/mdbfile/DataPage.h"
#include "tests/fuzz/ExactBytes.h"
#include "tests/fuzz/MdbLayouts.h"

namespace {

using namespace kestrova;

// A page of the layout's size from the input: cut, or filled with zeros.
std::string PageFrom(std::string_view& input, std::size_t size) {
    std::string page(input.substr(0, size));
    input.remove_prefix(std::min(size, input.size()));
    page.resize(size, '\0');
    return page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) {
        return 0;
    }
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto layout = fuzz::PageLayoutOf(fuzz::VersionOf(data[0]));
    std::uint32_t tablePage = 0;
    std::memcpy(&tablePage, data + 1, 4);
    input.remove_prefix(5);
    const fuzz::ExactBytes page(PageFrom(input, layout.pageSize));
    const fuzz::ExactBytes second(PageFrom(input, layout.pageSize));

    const auto count = mdbfile::SlotCount(page.View(), layout);
    KESTROVA_REQUIRE(!count || layout.rowCountAt + 2 * (*count + 1) <= layout.pageSize);
    // Never read past a page too short for its layout.
    KESTROVA_REQUIRE(!mdbfile::SlotCount(page.View().substr(1), layout));
    std::size_t end = layout.pageSize;
    for (std::size_t n = 0; count && n < *count; ++n) {
        const auto slot = mdbfile::SlotAt(page.View(), layout, n);
        if (!slot) {
            break;  // the rest of the page is as doubtful
        }
        // Each row lies inside the page, before the one before it.
        KESTROVA_REQUIRE(slot->start < layout.pageSize && slot->start + slot->length <= end);
        end = slot->start;
        if (slot->kind != mdbfile::Slot::Pointer) {
            continue;
        }
        const auto moved = mdbfile::PointerOf(page.View().substr(slot->start, slot->length));
        KESTROVA_REQUIRE(moved.has_value() == (slot->length >= 4));
        if (!moved) {
            continue;
        }
        const auto stored = mdbfile::MovedRowAt(second.View(), layout, tablePage, moved->row);
        if (stored) {
            KESTROVA_REQUIRE(stored->kind == mdbfile::Slot::Deleted);
            KESTROVA_REQUIRE(stored->start + stored->length <= layout.pageSize);
            KESTROVA_REQUIRE(static_cast<unsigned char>(second.View()[0]) == 1);
        }
    }
    KESTROVA_REQUIRE(!mdbfile::SlotAt(page.View(), layout, count.value_or(0)));
    return 0;
}
