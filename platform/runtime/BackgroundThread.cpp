#include "platform/runtime/BackgroundThread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kestrova::runtime {

void RunInTheBackground() {
    // On Linux a niceness set for a thread's id is that thread's own.
    constexpr int kNiceness = 10;
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, kNiceness);
}

}  // namespace kestrova::runtime
