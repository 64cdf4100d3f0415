#include "tests/window/PageProcesses.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace kestrova::testing {

std::map<pid_t, LiveProcess> LiveProcesses() {
    std::map<pid_t, LiveProcess> processes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        LiveProcess process;
        process.name = line.substr(open + 1, close - open - 1);
        long parent = 0;
        std::istringstream(line.substr(close + 2)) >> process.state >> parent;
        process.parent = static_cast<pid_t>(parent);
        if (process.state != 'Z') {
            processes[std::stoi(pid)] = process;
        }
    }
    return processes;
}

namespace {

// Whether a process descends from this one: the web process runs inside
// the sandbox's own process.
bool OfThisProcess(pid_t pid, const std::map<pid_t, LiveProcess>& processes) {
    for (int depth = 0; depth < 8; ++depth) {
        const auto process = processes.find(pid);
        if (process == processes.end()) {
            return false;
        }
        if (process->second.parent == getpid()) {
            return true;
        }
        pid = process->second.parent;
    }
    return false;
}

}  // namespace

std::vector<pid_t> PageProcesses() {
    std::vector<pid_t> found;
    const auto processes = LiveProcesses();
    for (const auto& entry : processes) {
        const pid_t process = entry.first;
        if (!OfThisProcess(process, processes)) {
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
