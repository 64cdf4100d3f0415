#pragma once

#include <sys/types.h>

#include <functional>

namespace kestrova::testing {

// Another process that runs `take` (opening a file, taking a lock) and then
// holds what it took until this object ends it. Construction returns once
// `take` has run.
class HeldElsewhere {
public:
    explicit HeldElsewhere(const std::function<void()>& take);
    ~HeldElsewhere();
    HeldElsewhere(const HeldElsewhere&) = delete;
    HeldElsewhere& operator=(const HeldElsewhere&) = delete;

    bool Holding() const { return holder_ > 0; }

private:
    pid_t holder_ = -1;
};

}  // namespace kestrova::testing
