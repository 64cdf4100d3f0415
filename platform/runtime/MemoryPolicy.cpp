#include "platform/runtime/MemoryPolicy.h"

#include <malloc.h>

#include <map>
#include <mutex>

namespace kestrova::runtime {

namespace {

constexpr int kOneGiB = 1 << 30;
// glibc's own starting values of both thresholds.
constexpr int kUsualThreshold = 128 * 1024;

int gInForce = 0;

// The page may be assembled in a thread of its own while the main loop runs.
std::recursive_mutex& Lock() {
    static std::recursive_mutex lock;
    return lock;
}

std::map<const void*, std::function<void()>>& Releases() {
    static std::map<const void*, std::function<void()>> releases;
    return releases;
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
    auto releases = std::move(Releases());
    Releases().clear();
    for (auto& [owner, release] : releases) {
        release();
    }
    mallopt(M_MMAP_THRESHOLD, kUsualThreshold);
    mallopt(M_TRIM_THRESHOLD, kUsualThreshold);
    malloc_trim(0);
}

bool LargeBlockReuse::InForce() {
    const std::lock_guard lock(Lock());
    return gInForce > 0;
}

void LargeBlockReuse::ReleaseWhenDone(const void* owner, std::function<void()> release) {
    const std::lock_guard lock(Lock());
    if (!InForce()) {
        release();
        return;
    }
    Releases()[owner] = std::move(release);
}

void LargeBlockReuse::Forget(const void* owner) {
    const std::lock_guard lock(Lock());
    Releases().erase(owner);
}

}  // namespace kestrova::runtime
