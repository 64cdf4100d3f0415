#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kestrova::testing {

// A live process as /proc/PID/stat shows it.
struct LiveProcess {
    std::string name;
    char state = 0;
    pid_t parent = 0;
};

// Every live process that is not a zombie, by its pid.
std::map<pid_t, LiveProcess> LiveProcesses();

// The web processes of this process that show a page (they map its text),
// however deep below it they run: inside their sandbox, they are children
// of its own process.
std::vector<pid_t> PageProcesses();

}  // namespace kestrova::testing
