#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova::mdbfile {

// Where a data page keeps its slot table: the number of rows at
// `rowCountAt`, then each row's offset, the first row's first. Rows lie
// from the end of the page backwards: a row ends where the one before it
// starts (the first one at the page's end).
struct PageLayout {
    std::size_t pageSize = 0;
    std::size_t rowCountAt = 0;
};

// A slot of the table: a row, a deleted row (or the stored form of a moved
// row), or a pointer to where a moved row stands now.
struct Slot {
    enum Kind { Row, Deleted, Pointer } kind = Row;
    std::size_t start = 0;
    std::size_t length = 0;
};

// How many slots the page lists; nullopt when its table does not fit it.
std::optional<std::size_t> SlotCount(std::string_view page, const PageLayout& layout);

// Slot `n` (below the count); nullopt when its row lies outside the page,
// or before the next row's end.
std::optional<Slot> SlotAt(std::string_view page, const PageLayout& layout, std::size_t n);

// Where a pointer slot's bytes say its row stands: a page, and a row on it.
struct MovedRow {
    std::uint32_t page = 0;
    std::size_t row = 0;
};
// nullopt when they are too few to say it.
std::optional<MovedRow> PointerOf(std::string_view pointer);

// The stored form of the moved row in slot `row` of `page`: found only on
// a data page of the table whose definition starts at `tablePage`, in a
// slot that marks it as a moved row's stored form (a pointer elsewhere is
// damage, and following it could read a row twice or go round).
std::optional<Slot> MovedRowAt(std::string_view page, const PageLayout& layout,
                               std::uint32_t tablePage, std::size_t row);

}  // namespace kestrova::mdbfile
