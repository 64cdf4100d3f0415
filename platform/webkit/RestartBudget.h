#pragma once

#include <chrono>
#include <deque>

namespace kestrova::platform {

// How often the page is put back after its web process ended: not when
// the process ended three times within a minute, which says the page
// cannot stand in a fresh one either.
class RestartBudget {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kEnds = 3;
    static constexpr Clock::duration kWithin = std::chrono::minutes(1);

    // Counts an end of the process at `now`; says whether the page may be
    // put back after it.
    bool AllowsAfterEndAt(Clock::time_point now) {
        ends_.push_back(now);
        while (now - ends_.front() >= kWithin) {
            ends_.pop_front();
        }
        return static_cast<int>(ends_.size()) < kEnds;
    }

private:
    std::deque<Clock::time_point> ends_;
};

}  // namespace kestrova::platform
