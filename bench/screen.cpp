// kestrova-bench-screen COMMAND [ARG...]
//   Starts COMMAND on the X display and watches the screen's top-left part
//   until customer rows are painted (pixels of the customer cells' colour,
//   #ffffc0, cover three rows or more). Prints the seconds from the start
//   of the command to that moment. Then waits until the command and its
//   child processes have been idle for a second (the page stands) and
//   prints, in KiB: the resident memory of the command, of its WebKit web
//   process and of its network process, the peak resident memory of the
//   command and of the web process, and the size of the page text kept in
//   memory files (counted once, though both processes may map it); then
//   the memory in use system-wide that the system cannot reclaim, once the
//   page stands and at its peak from the start on (the rise of anonymous
//   pages, shared memory and page tables from before the start: it counts
//   memory files, which no process's resident memory does unless mapped,
//   and leaves out file pages the system may write out or drop); then the
//   processor seconds of the command and of its web process. Ends the
//   command.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Pixels of the customer cells' colour in the screen's top-left part.
long CustomerCellPixels(Display* display) {
    constexpr unsigned kWidth = 1000;
    constexpr unsigned kHeight = 500;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) {
        return 0;
    }
    long count = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            count += (XGetPixel(image, x, y) & 0xffffff) == 0xffffc0;
        }
    }
    XDestroyImage(image);
    return count;
}

struct ProcessInfo {
    std::string name;
    long parent = 0;
    long rssKib = 0;
    long peakKib = 0;
    long cpuTicks = 0;
};

ProcessInfo Read(long pid) {
    ProcessInfo info;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "Name:")
            fields >> info.name;
        if (key == "PPid:")
            fields >> info.parent;
        if (key == "VmRSS:")
            fields >> info.rssKib;
        if (key == "VmHWM:")
            fields >> info.peakKib;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    if (const auto close = content.rfind(')'); close != std::string::npos) {
        std::istringstream fields(content.substr(close + 2));
        std::string field;
        long user = 0;
        long system = 0;
        for (int i = 3; i <= 15; ++i) {
            fields >> field;
            if (i == 14)
                user = std::stol(field);
            if (i == 15)
                system = std::stol(field);
        }
        info.cpuTicks = user + system;
    }
    return info;
}

// The command and every process below it.
std::map<long, ProcessInfo> Family(long root) {
    std::map<long, ProcessInfo> all;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            all[std::stol(name)] = Read(std::stol(name));
        }
    }
    std::map<long, ProcessInfo> family;
    std::set<long> members = {root};
    bool grew = true;
    while (grew) {
        grew = false;
        for (const auto& [pid, info] : all) {
            if (!members.count(pid) && members.count(info.parent)) {
                members.insert(pid);
                grew = true;
            }
        }
    }
    for (const long pid : members) {
        if (all.count(pid)) {
            family[pid] = all[pid];
        }
    }
    return family;
}

// Memory in use system-wide that the system cannot reclaim, in KiB: the
// anonymous pages, shared memory (memory files among it) and page tables
// of /proc/meminfo. File pages, which the system may write out or drop,
// are left out, and so is what the system itself frees later (after a
// large run it hands memory back for a while, which MemAvailable would
// count).
long UnreclaimableKib() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long kib = 0;
    long total = 0;
    while (meminfo >> key >> kib) {
        if (key == "AnonPages:" || key == "Shmem:" || key == "PageTables:") {
            total += kib;
        }
        meminfo.ignore(64, '\n');
    }
    return total;
}

// Whether a WebKit process of an earlier command is still there.
bool WebKitProcessesLeft() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            Read(std::stol(name)).name.rfind("WebKit", 0) == 0) {
            return true;
        }
    }
    return false;
}

// The memory before the start, once the commands before this one (and
// their WebKit processes, which end a little after them) are gone; twenty
// seconds at most.
long BaselineKib() {
    for (int round = 0; round < 100 && WebKitProcessesLeft(); ++round) {
        usleep(200000);
    }
    return UnreclaimableKib();
}

// The most memory the system could not reclaim since the start, as the
// rise from before it.
struct SystemMemory {
    long before = BaselineKib();
    long peak = 0;
    long Sample() {
        const long used = UnreclaimableKib() - before;
        peak = std::max(peak, used);
        return used;
    }
};

long TotalTicks(const std::map<long, ProcessInfo>& family) {
    long total = 0;
    for (const auto& [pid, info] : family) {
        total += info.cpuTicks;
    }
    return total;
}

// Memory files held open by the family, each counted once.
long MemoryFileKib(const std::map<long, ProcessInfo>& family) {
    std::set<std::pair<dev_t, ino_t>> seen;
    long kib = 0;
    for (const auto& [pid, info] : family) {
        const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
            const auto target = std::filesystem::read_symlink(entry.path(), error);
            if (error || target.string().rfind("/memfd:kestrova", 0) != 0) {
                continue;
            }
            struct stat status {};
            if (stat(entry.path().c_str(), &status) == 0 &&
                seen.insert({status.st_dev, status.st_ino}).second) {
                kib += status.st_size / 1024;
            }
        }
    }
    return kib;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrova-bench-screen COMMAND [ARG...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "kestrova-bench-screen: no X display\n");
        return 2;
    }
    SystemMemory system;
    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    // Three rows of a window about 800 pixels wide, 18 pixels high.
    constexpr long kThreeRows = 3 * 18 * 500;
    while (CustomerCellPixels(display) < kThreeRows) {
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "kestrova-bench-screen: the command ended first\n");
            return 1;
        }
        system.Sample();
        usleep(20000);
    }
    const double firstRows = Now() - start;

    // The page stands once the family has used no processor for a second.
    long ticks = -1;
    for (int idle = 0; idle < 4;) {
        usleep(250000);
        system.Sample();
        const long now = TotalTicks(Family(child));
        idle = now == ticks ? idle + 1 : 0;
        ticks = now;
    }
    const long systemAfter = system.Sample();
    long window = 0, web = 0, network = 0, windowPeak = 0, webPeak = 0;
    long windowTicks = 0, webTicks = 0;
    const auto family = Family(child);
    for (const auto& [pid, info] : family) {
        if (pid == child) {
            window = info.rssKib;
            windowPeak = info.peakKib;
            windowTicks = info.cpuTicks;
        } else if (info.name.rfind("WebKitWebProces", 0) == 0) {
            web += info.rssKib;
            webPeak += info.peakKib;
            webTicks += info.cpuTicks;
        } else if (info.name.rfind("WebKitNetworkPr", 0) == 0) {
            network += info.rssKib;
        }
    }
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::printf("%.4f %ld %ld %ld %ld %ld %ld %ld %ld %.2f %.2f\n", firstRows, window, web, network,
                windowPeak, webPeak, MemoryFileKib(family), systemAfter, system.peak,
                static_cast<double>(windowTicks) / tick, static_cast<double>(webTicks) / tick);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
