#include "platform/runtime/MemoryPolicy.h"

#include <malloc.h>

namespace kestrova::runtime {

namespace {

constexpr int kOneGiB = 1 << 30;
// glibc's own starting values of both thresholds.
constexpr int kUsualThreshold = 128 * 1024;

}  // namespace

LargeBlockReuse::LargeBlockReuse() {
    mallopt(M_MMAP_THRESHOLD, kOneGiB);
    mallopt(M_TRIM_THRESHOLD, kOneGiB);
}

LargeBlockReuse::~LargeBlockReuse() {
    mallopt(M_MMAP_THRESHOLD, kUsualThreshold);
    mallopt(M_TRIM_THRESHOLD, kUsualThreshold);
    malloc_trim(0);
}

}  // namespace kestrova::runtime
