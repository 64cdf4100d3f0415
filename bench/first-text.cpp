// kestrova-bench-first-text PAGEFILE: prints the text the view first builds
// of a page: the page with the content of each hidden division left out.
// A plain WebKit view of it shows what the view shows before any division
// is opened. The page file is mapped, not read: it may be many gigabytes.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/deferredpage/DeferredPage.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrova-bench-first-text PAGEFILE\n");
        return 2;
    }
    const int file = open(argv[1], O_RDONLY);
    struct stat status {};
    if (file < 0 || fstat(file, &status) != 0 || status.st_size == 0) {
        std::fprintf(stderr, "kestrova-bench-first-text: cannot read %s\n", argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    if (mapped == MAP_FAILED) {
        std::fprintf(stderr, "kestrova-bench-first-text: cannot map %s\n", argv[1]);
        return 1;
    }
    const auto split = kestrova::platform::deferred::DeferredPage::Split(
        std::string_view(static_cast<const char*>(mapped), size));
    const std::string& first = split.FirstText();
    return std::fwrite(first.data(), 1, first.size(), stdout) == first.size() ? 0 : 1;
}
