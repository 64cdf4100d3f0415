#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/webkit/PageContext.h"
#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/PageProcesses.h"
#include "tests/window/StartedProgram.h"
#include "tests/window/ViewProbe.h"

// The page's web process parses a page made from the user's data: it runs
// in WebKit's sandbox, where it sees the application directory, read only,
// and none of the user's files. Where the sandbox cannot start, one line
// says so and the page shows as before.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

using testing::AppDirectoryCopy;
using testing::EnvironmentWith;
using testing::StartedProgram;

constexpr const char* kWithoutSandbox =
    "kestrova: browser view: the page's process runs without WebKit's sandbox: ";

// A home folder on the disk the tests run from: outside /tmp, which the
// sandbox replaces with its own, so that only the sandbox can hide it.
class HomeOnDisk {
public:
    HomeOnDisk() : folder_(fs::current_path().string()) {
        fs::create_directory(Runtime());
        fs::permissions(Runtime(), fs::perms::owner_all);
    }

    const std::string& Path() const { return folder_.Path(); }
    std::string Runtime() const { return Path() + "/runtime"; }
    std::vector<std::string> Environment() const {
        return EnvironmentWith({"HOME=" + Path(), "XDG_RUNTIME_DIR=" + Runtime()});
    }

private:
    testing::FixtureFolder folder_;
};

std::string Contents(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Why `path` cannot be opened so, or 0 when it can.
int OpenError(const std::string& path, int flags) {
    const int file = open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (file < 0) {
        return errno;
    }
    close(file);
    return 0;
}

// The mount namespace a process lives in.
std::string MountsOf(pid_t process) {
    std::error_code error;
    return fs::read_symlink("/proc/" + std::to_string(process) + "/ns/mnt", error).string();
}

// The one web process showing the page, or 0.
pid_t ThePageProcess() {
    pid_t page = 0;
    testing::SpinUntil(
        [&] {
            const auto found = testing::PageProcesses();
            page = found.size() == 1 ? found[0] : 0;
            return page != 0;
        },
        testing::HangGuard(10));
    return page;
}

TEST(Sandbox, TheWebProcessSeesTheApplicationDirectoryReadOnlyAndNoneOfTheUsersFiles) {
    if (const auto why = platform::SandboxUnavailable()) {
        GTEST_SKIP() << "WebKit's sandbox cannot start here: " << *why;
    }
    AppDirectoryCopy copy(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "sandboxed");
    HomeOnDisk home;
    const std::string letter = home.Path() + "/letter.txt";
    std::ofstream(letter) << "Dear Kestrova,\n";
    testing::FixtureFolder folder;
    const std::string errors = folder.Path() + "/stderr";

    StartedProgram program(copy, home.Environment(), errors);
    ASSERT_NE(program.Window(), 0u) << "the program's window never appeared";
    ASSERT_TRUE(program.WaitForText()) << "the page never showed";
    const pid_t page = ThePageProcess();
    ASSERT_NE(page, 0) << "not one page process";
    EXPECT_NE(MountsOf(page), MountsOf(program.Process()));

    // The web process's own view of the files, read through its root.
    const std::string inside = "/proc/" + std::to_string(page) + "/root";
    ASSERT_TRUE(fs::is_directory(inside + "/usr")) << std::strerror(errno);
    ASSERT_EQ(Contents(letter), "Dear Kestrova,\n");
    EXPECT_NE(OpenError(inside + letter, O_RDONLY), 0)
        << "the web process can read a letter in the user's home folder";
    EXPECT_EQ(Contents(inside + copy.Path() + "/Plus.gif"), Contents(copy.Path() + "/Plus.gif"));
    const std::string written = inside + copy.Path() + "/written-from-the-page";
    EXPECT_EQ(OpenError(written, O_WRONLY | O_CREAT | O_EXCL), EROFS);
    EXPECT_FALSE(fs::exists(copy.Path() + "/written-from-the-page"));

    EXPECT_EQ(program.Close(), 0);
    EXPECT_EQ(Contents(errors), "");
}

TEST(Sandbox, WhereItCannotStartOneLineSaysSoAndThePageShowsWithoutIt) {
    if (!testing::CanCoverFiles()) {
        GTEST_SKIP() << "this process may not have mounts of its own";
    }
    testing::FixtureFolder folder;
    // Bubblewrap as it answers where user namespaces are refused.
    const std::string refused =
        folder.File("bwrap-refused",
                    "#!/bin/sh\n"
                    "echo 'bwrap: setting up uid map: Permission denied' >&2\n"
                    "exit 1\n");
    fs::permissions(refused, fs::perms::owner_all);
    // A program that is not there to run.
    const std::string missing = folder.File("missing", "");
    struct Case {
        const char* name;
        testing::FileInPlaceOf covered;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"user namespaces are refused",
         {refused, "/usr/bin/bwrap"},
         "bubblewrap cannot make the sandbox's namespaces here (bwrap: setting up uid map: "
         "Permission denied)"},
        {"bubblewrap is not installed",
         {missing, "/usr/bin/bwrap"},
         "/usr/bin/bwrap is not installed"},
        {"its D-Bus proxy is not installed",
         {missing, "/usr/bin/xdg-dbus-proxy"},
         "/usr/bin/xdg-dbus-proxy is not installed"},
    };
    AppDirectoryCopy copy(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "unsandboxed");
    HomeOnDisk home;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string errors = folder.Path() + "/stderr";
        StartedProgram program(copy, home.Environment(), errors, {c.covered});
        ASSERT_NE(program.Window(), 0u) << "the program's window never appeared";
        ASSERT_TRUE(program.WaitForText()) << "the page never showed";
        const pid_t page = ThePageProcess();
        ASSERT_NE(page, 0) << "not one page process";
        EXPECT_EQ(MountsOf(page), MountsOf(program.Process()));
        EXPECT_EQ(program.Close(), 0);
        EXPECT_EQ(Contents(errors), kWithoutSandbox + c.said + "\n");
    }
}

}  // namespace
}  // namespace kestrova
