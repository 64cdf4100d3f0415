#include "platform/runtime/MemoryPolicy.h"

#include <malloc.h>

namespace kestrova::runtime {

void KeepLargeBlocksForReuse() {
    constexpr int kOneGiB = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, kOneGiB);
    mallopt(M_TRIM_THRESHOLD, kOneGiB);
}

void ReleaseKeptMemory() {
    malloc_trim(0);
}

}  // namespace kestrova::runtime
