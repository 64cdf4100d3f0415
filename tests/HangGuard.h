#pragma once

#include <algorithm>
#include <cstdlib>

namespace kestrova::testing {

// A time limit in a test only catches a hang. Each limit is written as ten
// times or more the usual time of its case on a 2-core machine, and is
// stretched here for builds and runs that are slower by nature: about five
// times under the address and undefined-behaviour sanitizers, and by the
// factor in KESTROVA_SLOWDOWN (valgrind, say, sets 30).
inline double Slowdown() {
    double factor = 1;
#if defined(__SANITIZE_ADDRESS__)
    factor = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    factor = 5;
#endif
#endif
    if (const char* setting = std::getenv("KESTROVA_SLOWDOWN")) {
        factor *= std::max(1.0, std::atof(setting));
    }
    return factor;
}

// The seconds to wait before a case counts as hung.
inline double HangGuard(double usualTimesTen) {
    return usualTimesTen * Slowdown();
}

}  // namespace kestrova::testing
