#include "tests/window/PageProcesses.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace kestrova::testing {

namespace {

// Every live process, with its parent.
std::map<pid_t, pid_t> ParentsOfProcesses() {
    std::map<pid_t, pid_t> parents;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string statLine;
        std::getline(stat, statLine);
        const auto afterName = statLine.rfind(')');
        if (afterName == std::string::npos) {
            continue;
        }
        std::istringstream fields(statLine.substr(afterName + 2));
        char state = 0;
        long parent = 0;
        fields >> state >> parent;
        if (state != 'Z') {
            parents[std::stoi(pid)] = static_cast<pid_t>(parent);
        }
    }
    return parents;
}

// Whether a process descends from this one: the web process runs inside
// the sandbox's own process.
bool OfThisProcess(pid_t pid, const std::map<pid_t, pid_t>& parents) {
    for (int depth = 0; depth < 8; ++depth) {
        const auto parent = parents.find(pid);
        if (parent == parents.end()) {
            return false;
        }
        if (parent->second == getpid()) {
            return true;
        }
        pid = parent->second;
    }
    return false;
}

}  // namespace

std::vector<pid_t> PageProcesses() {
    std::vector<pid_t> found;
    const auto parents = ParentsOfProcesses();
    for (const auto& entry : parents) {
        const pid_t process = entry.first;
        if (!OfThisProcess(process, parents)) {
            continue;
        }
        // A process that ends while it is read fails the read: it is none.
        std::string mapped;
        try {
            std::ifstream maps("/proc/" + std::to_string(process) + "/maps");
            mapped.assign(std::istreambuf_iterator<char>(maps), {});
        } catch (const std::exception&) {
            continue;
        }
        if (mapped.find("kestrova-first-text") != std::string::npos) {
            found.push_back(process);
        }
    }
    return found;
}

}  // namespace kestrova::testing
