#include <gtest/gtest.h>

#include "platform/webkit/RestartBudget.h"

namespace kestrova::platform {
namespace {

using std::chrono::seconds;

TEST(RestartBudget, TheThirdEndWithinAMinuteIsOneTooManyButEndsFurtherApartAreNot) {
    const auto start = RestartBudget::Clock::time_point() + std::chrono::hours(1);
    RestartBudget spread;
    for (int end = 0; end < 10; ++end) {
        EXPECT_TRUE(spread.AllowsAfterEndAt(start + seconds(31) * end)) << "end " << end;
    }

    RestartBudget quick;
    EXPECT_TRUE(quick.AllowsAfterEndAt(start));
    EXPECT_TRUE(quick.AllowsAfterEndAt(start + seconds(30)));
    EXPECT_FALSE(quick.AllowsAfterEndAt(start + seconds(59)));

    // A minute after the first of three, only two count.
    RestartBudget edge;
    EXPECT_TRUE(edge.AllowsAfterEndAt(start));
    EXPECT_TRUE(edge.AllowsAfterEndAt(start + seconds(1)));
    EXPECT_TRUE(edge.AllowsAfterEndAt(start + seconds(60)));
    EXPECT_FALSE(edge.AllowsAfterEndAt(start + std::chrono::milliseconds(60'500)));
}

}  // namespace
}  // namespace kestrova::platform
