#pragma once

#include <sys/types.h>

#include <vector>

namespace kestrova::testing {

// The web processes of this process that show a page (they map its text),
// however deep below it they run: inside their sandbox, they are children
// of its own process.
std::vector<pid_t> PageProcesses();

}  // namespace kestrova::testing
