#include "platform/runtime/MemoryPolicy.h"

#include <malloc.h>

#include <mutex>

namespace kestrova::runtime {

namespace {

constexpr int kOneGiB = 1 << 30;
// glibc's own starting values of both thresholds.
constexpr int kUsualThreshold = 128 * 1024;

int gInForce = 0;

// The page may be assembled in a thread of its own while the main loop runs.
std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

LargeBlockReuse::LargeBlockReuse() {
    const std::lock_guard lock(Lock());
    if (gInForce++ == 0) {
        mallopt(M_MMAP_THRESHOLD, kOneGiB);
        mallopt(M_TRIM_THRESHOLD, kOneGiB);
    }
}

LargeBlockReuse::~LargeBlockReuse() {
    const std::lock_guard lock(Lock());
    if (--gInForce > 0) {
        return;
    }
    mallopt(M_MMAP_THRESHOLD, kUsualThreshold);
    mallopt(M_TRIM_THRESHOLD, kUsualThreshold);
    malloc_trim(0);
}

}  // namespace kestrova::runtime
