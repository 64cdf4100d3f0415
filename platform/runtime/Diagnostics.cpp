#include "platform/runtime/Diagnostics.h"

#include <cstdio>
#include <map>
#include <string>

namespace kestrova::runtime {

namespace {

constexpr int kShownPerKind = 10;

long gFailureCount = 0;

std::map<std::string, int, std::less<>>& CountsByKind() {
    static std::map<std::string, int, std::less<>> counts;
    return counts;
}

}  // namespace

void ReportFailure(std::string_view what, std::string_view detail) {
    ++gFailureCount;
    auto& counts = CountsByKind();
    auto it = counts.find(what);
    if (it == counts.end()) {
        it = counts.emplace(std::string(what), 0).first;
    }
    const int seen = ++it->second;
    if (seen <= kShownPerKind) {
        std::fprintf(stderr, "kestrova: %.*s: %.*s\n", static_cast<int>(what.size()), what.data(),
                     static_cast<int>(detail.size()), detail.data());
    } else if (seen == kShownPerKind + 1) {
        std::fprintf(stderr, "kestrova: %.*s: further failures of this kind are not shown\n",
                     static_cast<int>(what.size()), what.data());
    }
}

long FailureCount() {
    return gFailureCount;
}

}  // namespace kestrova::runtime
