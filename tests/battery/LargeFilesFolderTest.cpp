#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/HangGuard.h"
#include "tests/TemporaryFolder.h"
#include "tests/battery/ProgramRun.h"
#include "tests/battery/SampleApp.h"
#include "tests/data/FixtureDatabase.h"

// On many desktops /tmp is held in memory. The page export's large
// temporary files (the page text, the query's rows set aside) go to $TMPDIR
// when it is set, else to /var/tmp, else to /tmp; where they land in memory,
// one line says so. Each run here has mounts of its own, where a memory
// file system of the test's covers /tmp and /var/tmp is as the case has it.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// How /var/tmp stands in a run.
enum class LargeFiles { OnDisk, InMemory, ReadOnly, Missing };

std::string HeldInMemoryLine(const std::string& folder) {
    return "kestrova: the page text is kept in " + folder +
           ", which is held in memory: set TMPDIR to a folder on disk to spare it\n";
}

bool InMemory(const std::string& folder) {
    struct statfs system {};
    return statfs(folder.c_str(), &system) == 0 &&
           (system.f_type == TMPFS_MAGIC || system.f_type == RAMFS_MAGIC);
}

bool Bind(const std::string& from, const std::string& to) {
    return mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// The desktop of one run, as its own mounts make it.
struct Desktop {
    LargeFiles varTmp;
    std::string disk;          // a folder on disk for /var/tmp
    std::string memoryVarTmp;  // a memory file system for /var/tmp
    std::string memoryTmp;     // the memory file system that covers /tmp
    std::string keep;          // the test's own folder, in its place again
    bool temporaryIsTmp;       // TMPDIR=/tmp, else no TMPDIR

    // In the run's own process, before the program starts; says on stderr
    // what could not be made.
    bool Make() const {
        if (!Done(unshare(CLONE_NEWNS) == 0, "have mounts of its own") ||
            !Done(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0,
                  "keep its mounts to itself")) {
            return false;
        }
        // Held from within the new mounts: only those can be bound again.
        const int kept = open(keep.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (!Done(kept >= 0, "hold the test's folder") || !Done(MakeVarTmp(), "make /var/tmp") ||
            !Done(Bind(memoryTmp, "/tmp"), "cover /tmp")) {
            return false;
        }
        std::error_code error;
        fs::create_directories(keep, error);
        if (!Done(Bind("/proc/self/fd/" + std::to_string(kept), keep), "put back its folder")) {
            return false;
        }
        return temporaryIsTmp ? setenv("TMPDIR", "/tmp", 1) == 0 : unsetenv("TMPDIR") == 0;
    }
    static bool Done(bool done, const std::string& what) {
        if (!done) {
            const std::string line = "cannot " + what + ": " + std::strerror(errno) + "\n";
            static_cast<void>(write(STDERR_FILENO, line.data(), line.size()));
        }
        return done;
    }
    bool MakeVarTmp() const {
        switch (varTmp) {
            case LargeFiles::OnDisk:
                return Bind(disk, "/var/tmp");
            case LargeFiles::InMemory:
                return Bind(memoryVarTmp, "/var/tmp");
            case LargeFiles::ReadOnly:
                return Bind(disk, "/var/tmp") &&
                       mount(nullptr, "/var/tmp", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                             nullptr) == 0;
            case LargeFiles::Missing:
                return mount("tmpfs", "/var", "tmpfs", 0, "size=1m") == 0;
        }
        return false;
    }
};

// What is in `folder`, but for the path to `kept` (folders made only to
// put the test's own folder back in its place below /tmp).
std::vector<std::string> LeftIn(const fs::path& folder, const fs::path& kept = {}) {
    const fs::path below = kept.lexically_relative("/tmp");
    if (!kept.empty() && !below.empty() && *below.begin() != "..") {
        for (fs::path made = below; !made.empty(); made = made.parent_path()) {
            std::error_code ignored;
            fs::remove(folder / made, ignored);
        }
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        left.push_back(entry.path().string());
    }
    return left;
}

TEST(LargeFilesFolder, GoesToVarTmpWhereTmpIsMemoryAndSaysWhenItLandsInMemory) {
    std::optional<testing::FixtureFolder> disk;
    try {
        disk.emplace("/var/tmp");
    } catch (const std::exception&) {
    }
    if (!disk || InMemory(disk->Path())) {
        GTEST_SKIP() << "this machine's /var/tmp is not a folder on disk to write in";
    }
    // About 11 MB of page.
    const testing::SampleApp sample(100);
    const auto usual = sample.Page(sample.temporary.string());
    ASSERT_EQ(usual.exitCode, 0) << usual.err;

    const fs::path root = sample.root.Path();
    fs::create_directories(root / "memory-tmp");
    fs::create_directories(root / "memory-var-tmp");
    const testing::SmallDisk memoryTmp((root / "memory-tmp").string(), 64u << 20);
    const testing::SmallDisk memoryVarTmp((root / "memory-var-tmp").string(), 64u << 20);
    if (!memoryTmp.Unmounted().empty()) {
        GTEST_SKIP() << memoryTmp.Unmounted();
    }
    struct Case {
        const char* name;
        LargeFiles varTmp;
        bool temporaryIsTmp;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"/var/tmp on disk", LargeFiles::OnDisk, false, ""},
        {"/var/tmp held in memory too", LargeFiles::InMemory, false, HeldInMemoryLine("/var/tmp")},
        {"TMPDIR is the /tmp in memory", LargeFiles::OnDisk, true, HeldInMemoryLine("/tmp")},
        {"/var/tmp cannot be written", LargeFiles::ReadOnly, false, HeldInMemoryLine("/tmp")},
        {"/var/tmp is missing", LargeFiles::Missing, false, HeldInMemoryLine("/tmp")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Desktop desktop{c.varTmp,
                              disk->Path(),
                              (root / "memory-var-tmp").string(),
                              (root / "memory-tmp").string(),
                              root.string(),
                              c.temporaryIsTmp};
        const auto run = testing::RunPreparedProgram([&] { return desktop.Make(); },
                                                     sample.Command(), testing::HangGuard(120));
        ASSERT_NE(run.exitCode, testing::kNotPrepared) << run.err;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.out == usual.out)
            << run.out.size() << " bytes against " << usual.out.size();
        EXPECT_EQ(run.err, c.said);
        EXPECT_EQ(LeftIn(disk->Path()), std::vector<std::string>{});
        EXPECT_EQ(LeftIn(root / "memory-var-tmp"), std::vector<std::string>{});
        EXPECT_EQ(LeftIn(root / "memory-tmp", root), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace kestrova
