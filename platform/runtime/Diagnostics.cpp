#include "platform/runtime/Diagnostics.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

namespace kestrova::runtime {

namespace {

constexpr int kShownPerKind = 10;

long gFailureCount = 0;

// Start-up may report from the thread that assembles the page while the
// main loop reports too.
std::recursive_mutex& Lock() {
    static std::recursive_mutex lock;
    return lock;
}

std::map<std::string, int, std::less<>>& CountsByKind() {
    static std::map<std::string, int, std::less<>> counts;
    return counts;
}

DiagnosticsSink& Sink() {
    static DiagnosticsSink sink;
    return sink;
}

void WriteLine(const std::string& line) {
    if (Sink()) {
        Sink()(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace

DiagnosticsSink SetDiagnosticsSink(DiagnosticsSink sink) {
    const std::lock_guard lock(Lock());
    std::swap(Sink(), sink);
    return sink;
}

void ReportFailure(std::string_view what, std::string_view detail) {
    const std::lock_guard lock(Lock());
    ++gFailureCount;
    auto& counts = CountsByKind();
    auto it = counts.find(what);
    if (it == counts.end()) {
        it = counts.emplace(std::string(what), 0).first;
    }
    const int seen = ++it->second;
    if (seen <= kShownPerKind) {
        WriteLine("kestrova: " + std::string(what) + ": " + std::string(detail));
    } else if (seen == kShownPerKind + 1) {
        WriteLine("kestrova: " + std::string(what) +
                  ": further failures of this kind are not shown");
    }
}

long FailureCount() {
    const std::lock_guard lock(Lock());
    return gFailureCount;
}

long FailureCount(std::string_view what) {
    const std::lock_guard lock(Lock());
    const auto found = CountsByKind().find(what);
    return found == CountsByKind().end() ? 0 : found->second;
}

}  // namespace kestrova::runtime
