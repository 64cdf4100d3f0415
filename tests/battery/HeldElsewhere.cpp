#include "tests/battery/HeldElsewhere.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrova::testing {

HeldElsewhere::HeldElsewhere(const std::function<void()>& take) {
    int ready[2];
    if (pipe(ready) != 0) {
        return;
    }
    holder_ = fork();
    if (holder_ == 0) {
        take();
        const char taken = 1;
        [[maybe_unused]] auto written = write(ready[1], &taken, 1);
        pause();
        _exit(0);
    }
    char taken = 0;
    if (holder_ > 0 && read(ready[0], &taken, 1) != 1) {
        holder_ = -1;
    }
    close(ready[0]);
    close(ready[1]);
}

HeldElsewhere::~HeldElsewhere() {
    if (holder_ > 0) {
        kill(holder_, SIGKILL);
        waitpid(holder_, nullptr, 0);
    }
}

}  // namespace kestrova::testing
