#include "platform/mdbfile/DataPage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// A data page's slots as the .mdb reader reads them, from the page's
// bytes: rows from the page's end backwards, their flags, and where a
// moved row's pointer may lead.

namespace kestrova::mdbfile {
namespace {

constexpr PageLayout kJet4{4096, 12};
constexpr std::uint32_t kTable = 77;

// A data page of table `owner` whose slot table holds `offsets` as given
// (flags included).
std::string Page(const std::vector<std::uint16_t>& offsets, std::uint32_t owner = kTable) {
    std::string page(kJet4.pageSize, '\0');
    page[0] = 1;
    for (int i = 0; i < 4; ++i) {
        page[4 + i] = static_cast<char>(owner >> (8 * i));
    }
    const auto put16 = [&](std::size_t at, std::uint16_t value) {
        page[at] = static_cast<char>(value & 0xff);
        page[at + 1] = static_cast<char>(value >> 8);
    };
    put16(kJet4.rowCountAt, static_cast<std::uint16_t>(offsets.size()));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        put16(kJet4.rowCountAt + 2 + 2 * i, offsets[i]);
    }
    return page;
}

TEST(DataPage, ReadsEachSlotsRowFromThePagesEndBackwards) {
    const std::string page = Page({4000, 0x8000 | 3900, 0x4000 | 3890, 3000});
    ASSERT_EQ(SlotCount(page, kJet4), 4u);
    const struct {
        Slot::Kind kind;
        std::size_t start;
        std::size_t length;
    } expected[] = {{Slot::Row, 4000, 96},
                    {Slot::Deleted, 3900, 100},
                    {Slot::Pointer, 3890, 10},
                    {Slot::Row, 3000, 890}};
    for (std::size_t n = 0; n < 4; ++n) {
        const auto slot = SlotAt(page, kJet4, n);
        ASSERT_TRUE(slot) << n;
        EXPECT_EQ(slot->kind, expected[n].kind) << n;
        EXPECT_EQ(slot->start, expected[n].start) << n;
        EXPECT_EQ(slot->length, expected[n].length) << n;
    }
    EXPECT_FALSE(SlotAt(page, kJet4, 4));
}

TEST(DataPage, RefusesSlotsAndTablesThatDoNotFit) {
    // A row beyond the page, a row that ends before the next one starts, a
    // slot table longer than the page, a page cut short.
    EXPECT_FALSE(SlotAt(Page({5000}), kJet4, 0));
    EXPECT_FALSE(SlotAt(Page({3000, 3500}), kJet4, 1));
    std::string tooMany = Page({});
    tooMany[kJet4.rowCountAt] = '\xff';
    tooMany[kJet4.rowCountAt + 1] = '\x07';
    EXPECT_FALSE(SlotCount(tooMany, kJet4));
    EXPECT_FALSE(SlotCount(Page({4000}).substr(0, 100), kJet4));
}

TEST(DataPage, APointerLeadsOnlyToAMovedRowsStoredFormOfTheSameTable) {
    const std::string pointer = {'\x01', '\x02', '\x00', '\x00'};  // page 2, row 1
    const auto moved = PointerOf(pointer);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->page, 2u);
    EXPECT_EQ(moved->row, 1u);
    EXPECT_FALSE(PointerOf(pointer.substr(0, 3)));

    const std::string target = Page({4000, 0x8000 | 3900, 3800, 0xC000 | 3700});
    const auto stored = MovedRowAt(target, kJet4, kTable, 1);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->start, 3900u);
    EXPECT_EQ(stored->length, 100u);
    EXPECT_FALSE(MovedRowAt(target, kJet4, kTable, 2)) << "a live row";
    EXPECT_FALSE(MovedRowAt(target, kJet4, kTable, 3)) << "a pointer of its own";
    EXPECT_FALSE(MovedRowAt(target, kJet4, kTable, 9)) << "no such slot";
    EXPECT_FALSE(MovedRowAt(target, kJet4, kTable + 1, 1)) << "another table's page";
    std::string notData = target;
    notData[0] = 2;
    EXPECT_FALSE(MovedRowAt(notData, kJet4, kTable, 1)) << "no data page";
}

}  // namespace
}  // namespace kestrova::mdbfile
