// kestrova-mdb-reader CPU_SECONDS MEMORY_BYTES FILE [TABLE...]: reads the
// named tables of a classic .mdb file and writes them to standard output as
// the image of a SQLite database. The program runs it as a process of its
// own, because the library that reads the format can crash or loop on a
// damaged file: here that ends only this process, within its limits.
//
// Standard error carries lines for the program: "kestrova-mdb: note: ..."
// for a value that could not be read, "kestrova-mdb: error: ..." when the
// file could not be read at all. Anything else there is the library's.

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/mdbfile/MdbTables.h"

#if defined(__SANITIZE_ADDRESS__)
#define KESTROVA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTROVA_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef KESTROVA_ADDRESS_SANITIZER
#define KESTROVA_ADDRESS_SANITIZER 0
#endif

#if KESTROVA_ADDRESS_SANITIZER
// In a sanitizer build a crash of the library (which is not instrumented)
// must still end the reader by its signal, as it does in any other build,
// so that the program tells it from an error the reader reports.
extern "C" const char* __asan_default_options() {
    return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0";
}
#endif

namespace {

constexpr bool kAddressSpaceIsShadowed = KESTROVA_ADDRESS_SANITIZER;

void Limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

// No core file and no other file is ever written; CPU time and memory are
// bounded. An address sanitizer reserves terabytes of address space for
// its shadow, so under it memory is bounded by the program's clock alone.
void SetLimits(rlim_t cpuSeconds, rlim_t memoryBytes) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_FSIZE, 0);
    const rlimit cpu{cpuSeconds, cpuSeconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    if (!kAddressSpaceIsShadowed) {
        Limit(RLIMIT_AS, memoryBytes);
    }
}

bool WriteAll(const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadNumber(const char* text, rlim_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    value = static_cast<rlim_t>(number);
    return errno == 0 && end != text && *end == '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
    rlim_t cpuSeconds = 0;
    rlim_t memoryBytes = 0;
    if (argc < 4 || !ReadNumber(argv[1], cpuSeconds) || !ReadNumber(argv[2], memoryBytes)) {
        std::fprintf(stderr,
                     "kestrova-mdb: error: usage: kestrova-mdb-reader CPU_SECONDS MEMORY_BYTES "
                     "FILE [TABLE...]\n");
        return 2;
    }
    SetLimits(cpuSeconds, memoryBytes);
    // The library's text conversion and debugging follow these; the
    // program wants UTF-8 and silence whatever the user's session says.
    unsetenv("MDBICONV");
    unsetenv("MDBOPTS");
    try {
        const std::vector<std::string> names(argv + 4, argv + argc);
        const std::string image =
            kestrova::mdbfile::CopyTablesToSqlite(argv[3], names, [](const std::string& note) {
                std::fprintf(stderr, "kestrova-mdb: note: %s\n", note.c_str());
            });
        if (!WriteAll(image)) {
            std::fprintf(stderr, "kestrova-mdb: error: the tables cannot be handed over\n");
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrova-mdb: error: %s\n", error.what());
        return 1;
    }
    return 0;
}
