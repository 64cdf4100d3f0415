#include "platform/rowwindow/RowHeights.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kestrova::platform {
namespace {

// Sums and searches agree with the heights added up one by one, as blocks
// come, are measured and the usual height is learnt.
TEST(RowHeights, AgreesWithTheHeightsAddedUpOneByOne) {
    RowHeights heights;
    std::vector<double> plain;
    std::mt19937 random(5);
    heights.SetUsual(21.25);
    for (int round = 0; round < 300; ++round) {
        const auto grow = static_cast<std::size_t>(random() % 40);
        heights.Resize(heights.Count() + grow);
        plain.resize(plain.size() + grow, 21.25);
        if (!plain.empty()) {
            const auto block = random() % plain.size();
            const double pixels = (random() % 4 == 0) ? 0 : (random() % 4000) / 64.0;
            heights.Set(block, pixels);
            plain[block] = pixels;
        }
        double above = 0;
        for (std::size_t block = 0; block < plain.size(); block += 1 + plain.size() / 17) {
            above = 0;
            for (std::size_t b = 0; b < block; ++b) {
                above += plain[b];
            }
            ASSERT_DOUBLE_EQ(heights.Above(block), above);
            if (plain[block] > 0) {
                ASSERT_EQ(heights.At(above), block);
                ASSERT_EQ(heights.At(above + plain[block] - 1 / 64.0), block);
            }
        }
    }
    double total = 0;
    for (const double pixels : plain) {
        total += pixels;
    }
    EXPECT_DOUBLE_EQ(heights.Total(), total);
    EXPECT_EQ(heights.At(total), heights.Count());
    EXPECT_EQ(heights.At(-5), 0U);
}

TEST(RowHeights, TheUsualHeightChangesOnlyBlocksNotMeasured) {
    RowHeights heights;
    heights.Resize(4);
    heights.Set(1, 50);
    heights.SetUsual(20);
    EXPECT_DOUBLE_EQ(heights.Total(), 110);
    EXPECT_EQ(heights.At(25), 1U);
    EXPECT_EQ(heights.At(70), 2U);
    heights.Resize(2);
    EXPECT_DOUBLE_EQ(heights.Total(), 70);
    heights.Set(7, 99);  // no such block: nothing changes
    EXPECT_DOUBLE_EQ(heights.Total(), 70);
}

}  // namespace
}  // namespace kestrova::platform
