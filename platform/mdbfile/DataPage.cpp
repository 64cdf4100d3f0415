#include "platform/mdbfile/DataPage.h"

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

// The flags in a slot's offset.
constexpr std::size_t kDeleted = 0x8000;  // deleted, or the stored form of a moved row
constexpr std::size_t kPointer = 0x4000;  // the slot holds where the row now stands
constexpr std::size_t kOffset = 0x1fff;
constexpr std::uint8_t kDataPage = 0x01;
constexpr std::size_t kOwnerAt = 4;  // the table's definition page

std::size_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
    return static_cast<std::size_t>(LittleEndian(bytes.data() + at, size));
}

}  // namespace

std::optional<std::size_t> SlotCount(std::string_view page, const PageLayout& layout) {
    if (page.size() != layout.pageSize || layout.rowCountAt + 2 > page.size()) {
        return std::nullopt;
    }
    const std::size_t count = Little(page, layout.rowCountAt, 2);
    if (layout.rowCountAt + 2 * (count + 1) > page.size()) {
        return std::nullopt;
    }
    return count;
}

std::optional<Slot> SlotAt(std::string_view page, const PageLayout& layout, std::size_t n) {
    const auto count = SlotCount(page, layout);
    if (!count || n >= *count) {
        return std::nullopt;
    }
    const std::size_t offset = Little(page, layout.rowCountAt + 2 + 2 * n, 2);
    const std::size_t end =
        n == 0 ? page.size() : Little(page, layout.rowCountAt + 2 * n, 2) & kOffset;
    const std::size_t start = offset & kOffset;
    if (start >= page.size() || start > end || end > page.size()) {
        return std::nullopt;
    }
    Slot slot;
    slot.kind = offset & kDeleted ? Slot::Deleted : offset & kPointer ? Slot::Pointer : Slot::Row;
    slot.start = start;
    slot.length = end - start;
    return slot;
}

std::optional<MovedRow> PointerOf(std::string_view pointer) {
    if (pointer.size() < 4) {
        return std::nullopt;
    }
    const std::size_t value = Little(pointer, 0, 4);
    return MovedRow{static_cast<std::uint32_t>(value >> 8), value & 0xff};
}

std::optional<Slot> MovedRowAt(std::string_view page, const PageLayout& layout,
                               std::uint32_t tablePage, std::size_t row) {
    if (page.size() != layout.pageSize || page.size() < kOwnerAt + 4 ||
        static_cast<std::uint8_t>(page[0]) != kDataPage || Little(page, kOwnerAt, 4) != tablePage) {
        return std::nullopt;
    }
    const auto slot = SlotAt(page, layout, row);
    if (!slot || slot->kind != Slot::Deleted) {
        return std::nullopt;
    }
    // Marked as a stored form only: a slot that is both is neither.
    const std::size_t offset = Little(page, layout.rowCountAt + 2 + 2 * row, 2);
    if (offset & kPointer) {
        return std::nullopt;
    }
    return slot;
}

}  // namespace kestrova::mdbfile
