#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/recordset/ColumnValues.h"
#include "platform/recordset/Recordset.h"
#include "tests/data/VariantPrinting.h"

namespace kestrova::platform {
namespace {

// One value of every kind, with the edges of each.
std::vector<Variant> EveryKind() {
    using Limits64 = std::numeric_limits<std::int64_t>;
    return {
        Empty{},
        Null{},
        true,
        false,
        std::uint8_t{255},
        std::int16_t{-32768},
        std::int32_t{-1},
        std::numeric_limits<std::int32_t>::max(),
        Limits64::min(),
        Limits64::max(),
        -0.0f,
        std::numeric_limits<float>::denorm_min(),
        std::numeric_limits<double>::infinity(),
        -1.0e-300,
        Currency{Limits64::min()},
        Currency{12345},
        Decimal{"-56505085819.424791296572280180"},
        Date{2024, 2, 29, 23, 59, 58, true, 1234567},
        Date{},
        std::string(),
        std::string("Zo\xc3\xab \xc3\x98rsted \xf0\x9f\x9a\xb2"),
        std::string("a\0b\0", 4),
        std::string(70000, 'x'),  // more than a block holds
        std::string("after the long one"),
        Binary{std::string("\0\xff", 2)},
        std::make_shared<Recordset>(),
    };
}

TEST(ColumnValues, GivesBackEveryKindOfValueAsItWasKept) {
    const std::vector<Variant> values = EveryKind();
    const ColumnValues column(values);
    ASSERT_EQ(column.size(), values.size());
    for (std::size_t row = 0; row < values.size(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(column[row].index(), values[row].index());
        EXPECT_EQ(column[row], values[row]);
        EXPECT_EQ(column.IsMissing(row), IsNull(values[row]) || values[row].index() == 0);
        EXPECT_EQ(column.IntegerAt(row), IntegerOf(values[row]));
    }
    // -0.0 keeps its sign, which == alone would not show.
    EXPECT_TRUE(std::signbit(std::get<float>(column[10])));
}

TEST(ColumnValues, KeepsTextOfEveryLengthAcrossItsBlocks) {
    ColumnValues column;
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        texts.push_back(std::string(static_cast<std::size_t>(i * 37 % 301), static_cast<char>(i)));
        if (i % 2 == 0) {
            column.PushText(texts.back());
        } else {
            column.push_back(texts.back());
        }
    }
    for (std::size_t row = 0; row < texts.size(); ++row) {
        ASSERT_EQ(column[row], Variant(texts[row])) << "row " << row;
    }
}

TEST(ColumnValues, ATextRepeatedRowAfterRowKeepsItsKindAndItsBytes) {
    const std::vector<Variant> values = {std::string("Trek"), std::string("Trek"),
                                         Decimal{"Trek"},     Binary{"Trek"},
                                         std::string("Trek"), std::string("Tre"),
                                         std::string("Trek"), std::string(),
                                         std::string(),       Null{},
                                         std::string("Trek")};
    ColumnValues column(values);
    column.PushText("Trek");
    for (std::size_t row = 0; row < values.size(); ++row) {
        EXPECT_EQ(column[row], values[row]) << "row " << row;
    }
    EXPECT_EQ(column[values.size()], Variant(std::string("Trek")));
}

TEST(ColumnValues, NarrowsItsIntegersAndGivesUpRowsInAnyOrder) {
    ColumnValues column(std::vector<Variant>{std::int64_t{-7}, std::string("text"), Null{},
                                             std::int64_t{2147483647}, std::int16_t{3}});
    column.NarrowIntegers();
    EXPECT_EQ(column[0], Variant(std::int32_t{-7}));
    EXPECT_EQ(column[3], Variant(std::int32_t{2147483647}));
    EXPECT_EQ(column[4], Variant(std::int16_t{3}));

    const ColumnValues taken = column.TakeRows({3, 1, 1, 0});
    EXPECT_TRUE(column.empty());
    ASSERT_EQ(taken.size(), 4U);
    EXPECT_EQ(taken[0], Variant(std::int32_t{2147483647}));
    EXPECT_EQ(taken[1], Variant(std::string("text")));
    EXPECT_EQ(taken[2], Variant(std::string("text")));
    EXPECT_EQ(taken[3], Variant(std::int32_t{-7}));
}

// Rows set aside in a file are written as bytes and read back: every kind
// but a recordset must come back as it was, and bytes cut anywhere must be
// refused rather than read past.
TEST(ColumnValues, ValuesWrittenAsBytesReadBackAsTheyWereAndCutBytesAreRefused) {
    std::vector<Variant> values = EveryKind();
    values.pop_back();  // the recordset
    const ColumnValues column(values);
    std::string bytes;
    for (std::size_t row = 0; row < column.size(); ++row) {
        column.AppendEncoded(row, bytes);
    }
    ColumnValues read;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        read.PushEncoded(rest);
    }
    ASSERT_EQ(read.size(), values.size());
    for (std::size_t row = 0; row < values.size(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(read[row].index(), values[row].index());
        EXPECT_EQ(read[row], values[row]);
    }

    std::string ignored;
    EXPECT_THROW(ColumnValues({std::make_shared<Recordset>()}).AppendEncoded(0, ignored),
                 std::exception);
    for (std::size_t row = 0; row < column.size(); ++row) {
        std::string one;
        column.AppendEncoded(row, one);
        for (std::size_t length = 1; length<one.size(); length += one.size()> 100 ? 997 : 1) {
            SCOPED_TRACE(std::to_string(row) + " cut at " + std::to_string(length));
            std::string_view cut = std::string_view(one).substr(0, length);
            EXPECT_THROW(ColumnValues().PushEncoded(cut), std::exception);
        }
    }
    std::string_view unknownKind = "\x7f";
    EXPECT_THROW(ColumnValues().PushEncoded(unknownKind), std::exception);
}

}  // namespace
}  // namespace kestrova::platform
