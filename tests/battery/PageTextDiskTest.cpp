#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/HangGuard.h"
#include "tests/battery/ProgramRun.h"
#include "tests/battery/SampleApp.h"
#include "tests/data/FixtureDatabase.h"

// The page export keeps its page's text in an unnamed file in the temporary
// folder. When the disk will not serve (the folder missing, not writable,
// or full), the text is kept in memory, said in one line, and the page is
// the same to the byte; nothing is ever left in the folder.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKeptInMemory = "kestrova: the page text is kept in memory: ";

using testing::SampleApp;

TEST(PageTextDisk, WhenTheDiskWillNotServeTheTextIsKeptInMemoryAndThePageIsTheSame) {
    // About 11 MB of page: far beyond the limit below.
    const SampleApp sample(100);
    const auto usual = sample.Page(sample.temporary.string());
    ASSERT_EQ(usual.exitCode, 0) << usual.err;
    EXPECT_EQ(usual.err, "");
    ASSERT_GT(usual.out.size(), 10u << 20);
    EXPECT_TRUE(fs::is_empty(sample.temporary));

    const fs::path locked = fs::path(sample.root.Path()) / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    struct Case {
        const char* name;
        std::string folder;
        testing::RunAs runAs;
        std::optional<unsigned long> fileSizeLimit;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"the folder is missing", sample.root.Path() + "/gone", testing::RunAs::Self, std::nullopt,
         "cannot make a file in "},
        {"the folder is not writable", locked.string(), testing::RunAs::Unprivileged, std::nullopt,
         "cannot make a file in " + locked.string() + ": Permission denied"},
        {"the disk fills up part-way", sample.temporary.string(), testing::RunAs::Self, 2ul << 20,
         "bytes of the page text into its file at "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = sample.Page(c.folder, c.runAs, c.fileSizeLimit);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.out == usual.out)
            << run.out.size() << " bytes against " << usual.out.size();
        // One line, which says why.
        EXPECT_EQ(run.err.rfind(kKeptInMemory, 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_TRUE(fs::is_empty(sample.temporary));
    }
}

// Killed while it writes the page, the export leaves nothing behind: the
// page's file has no name to leave.
TEST(PageTextDisk, KilledWhileThePageIsWrittenTheExportLeavesNothingInTheFolder) {
    const SampleApp sample(2000);
    setenv("TMPDIR", sample.temporary.c_str(), 1);
    const std::string out = (fs::path(sample.root.Path()) / "page.html").string();
    const pid_t child = fork();
    if (child == 0) {
        freopen(out.c_str(), "w", stdout);
        execl((sample.app / "kestrova-page").c_str(), "kestrova-page", sample.app.c_str(), nullptr);
        _exit(127);
    }
    unsetenv("TMPDIR");
    // Killed once the first megabyte of the page is out: the rest is still
    // being written.
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(testing::HangGuard(60));
    std::error_code error;
    while (std::chrono::steady_clock::now() < until &&
           (!fs::exists(out) || fs::file_size(out, error) < (1u << 20))) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the page was whole before it could be killed";
    EXPECT_TRUE(fs::is_empty(sample.temporary));
}

}  // namespace
}  // namespace kestrova
