#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/memorydoc/MarkupScanner.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/window/MainWindow.h"
#include "shell/window/NoDiskCaches.h"
#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/PageProcesses.h"
#include "tests/window/SampleDatabase.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/StartedProgram.h"
#include "tests/window/ViewProbe.h"
#include "tests/window/X11Client.h"

namespace kestrova {
namespace {

using testing::AppDirectoryCopy;
using testing::EnvironmentWith;
using testing::HangGuard;
using testing::SpinUntil;
using testing::StartedProgram;

// The page text that start-up writes for `directory`, built by the same code
// against an in-memory document.
std::string PageFor(const std::string& directory) {
    runtime::SetAppPath(directory);
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();
    return std::string(browser.CurrentDocument()->WrittenText());
}

std::map<std::string, int> TagCounts(const std::string& page) {
    std::map<std::string, int> counts;
    for (const auto& element : platform::ScanStartTags(page)) {
        ++counts[element.tagName];
    }
    return counts;
}

TEST(WindowTest, ShowsThePageAtTheWindowsFixedSizeWithThePicturesLoaded) {
    testing::ShownWindow shown(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "app dir");
    ASSERT_TRUE(shown.WaitForPage()) << "the page never got its base address";
    MainWindow& window = shown.Window();

    EXPECT_STREQ(gtk_window_get_title(window.Window()), "Kestrova");
    GtkAllocation client;
    gtk_widget_get_allocation(GTK_WIDGET(window.Window()), &client);
    EXPECT_EQ(client.width, 812);
    EXPECT_EQ(client.height, 206);
    GtkAllocation view;
    gtk_widget_get_allocation(GTK_WIDGET(window.View()), &view);
    EXPECT_EQ(view.x, 8);
    EXPECT_EQ(view.y, 8);
    EXPECT_EQ(view.width, 1001);
    EXPECT_EQ(view.height, 665);

    // The document holds the elements of the page text start-up built,
    // but for the content of the hidden divisions, built when first shown.
    const std::string page = PageFor(shown.Directory());
    const auto expected = TagCounts(platform::deferred::DeferredPage::Split(page).FirstText());
    // One picture and one division for each customer; the orders wait.
    EXPECT_EQ(expected.at("DIV"), expected.at("IMG"));
    EXPECT_LT(expected.at("DIV"), TagCounts(page).at("DIV"));
    for (const char* tag : {"TABLE", "TR", "TD", "IMG", "DIV", "FONT", "B", "STYLE"}) {
        const auto found = expected.find(tag);
        const int count = found == expected.end() ? 0 : found->second;
        EXPECT_EQ(shown.Page(std::string("document.getElementsByTagName('") + tag + "').length"),
                  std::to_string(count))
            << tag;
    }
    EXPECT_EQ(shown.Page("document.styleSheets[0].cssRules.length"), "3");

    // Every picture loads from the application directory at 16 pixels.
    EXPECT_GT(expected.at("IMG"), 0);
    EXPECT_TRUE(shown.WaitFor(
        "Array.from(document.images).every(i => i.complete && i.naturalWidth == 16)", "true", 30))
        << shown.Page(
               "const i = document.images[0]; [document.baseURI, i.getAttribute('src'), i.src, "
               "i.complete, i.naturalWidth].join(' | ')");
}

TEST(WindowTest, TheProgramOpensItsWindowAndEndsWhenItIsClosed) {
    AppDirectoryCopy copy;
    StartedProgram program(copy, EnvironmentWith({}));
    ASSERT_NE(program.Window(), 0u) << "the program's window never appeared";
    int width = 0;
    int height = 0;
    program.X11().Size(program.Window(), width, height);
    EXPECT_EQ(width, 812);
    EXPECT_EQ(height, 206);
    EXPECT_EQ(program.Close(), 0) << "closing the window did not end the program";
}

// Every path below `folder`, one a line, sorted.
std::set<std::string> PathsBelow(const std::string& folder) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        paths.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return paths;
}

constexpr const char* kTestsOwn[] = {"kestrova-data-", "kestrova-test-", "kestrova-run-",
                                     "kestrova-home-"};

// The names in /tmp and /var/tmp that look like the program's or its
// view's: not the tests' own files and folders, which tests running beside
// this one make and remove.
std::set<std::string> OursInTmp() {
    std::set<std::string> names;
    for (const char* folder : {"/tmp", "/var/tmp"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            std::string name = entry.path().filename().string();
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            const bool tests =
                std::any_of(std::begin(kTestsOwn), std::end(kTestsOwn),
                            [&](const char* prefix) { return name.rfind(prefix, 0) == 0; });
            if (!tests && (name.find("kestrova") != std::string::npos ||
                           name.find("webkit") != std::string::npos)) {
                names.insert(entry.path().string());
            }
        }
    }
    return names;
}

// The processes that this one adopted, as the program's own ended before
// them: its view's web and network processes, and their sandbox's, that did
// not end.
std::vector<std::string> AdoptedProcesses() {
    std::vector<std::string> found;
    for (const auto& [pid, process] : testing::LiveProcesses()) {
        const std::string& name = process.name;
        if (process.parent == getpid() &&
            (name.rfind("WebKit", 0) == 0 || name == "bwrap" || name == "xdg-dbus-proxy")) {
            found.push_back(name + " " + std::to_string(pid));
        }
    }
    return found;
}

// A page of 20,000 customers is still read and written long after its
// first rows show; closing the window at any moment of its start-up ends
// the program at once and every process of its view with it, says nothing
// and leaves nothing behind.
TEST(WindowTest, ClosingTheWindowAtAnyMomentOfStartUpEndsEveryProcessAndLeavesNothing) {
    // The view's processes that outlive the program come to this one.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    testing::FixtureFolder folder;
    const std::string database = testing::SampleDatabase(folder, 20000, 5);
    for (const double after : {0.0, -1.0, 1.0, 4.0}) {
        SCOPED_TRACE(after < 0 ? "as the first rows show" : std::to_string(after) + " s in");
        AppDirectoryCopy copy(database, "closing");
        const auto tmpBefore = OursInTmp();
        const std::string errors = folder.Path() + "/stderr";
        StartedProgram program(copy, EnvironmentWith({}), errors);
        ASSERT_NE(program.Window(), 0u) << "the program's window never appeared";
        if (after < 0) {
            ASSERT_TRUE(program.WaitForText()) << "the first rows never showed";
        } else {
            SpinUntil([] { return false; }, after);
        }
        const auto closing = std::chrono::steady_clock::now();
        EXPECT_EQ(program.Close(), 0) << "closing the window did not end the program";
        std::cerr
            << "closed after "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count()
            << " s\n";
        EXPECT_TRUE(SpinUntil(
            [] {
                while (waitpid(-1, nullptr, WNOHANG) > 0) {
                }
                return AdoptedProcesses().empty();
            },
            HangGuard(20)))
            << AdoptedProcesses().front();
        std::ifstream said(errors);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(said), {}), "");
        EXPECT_EQ(OursInTmp(), tmpBefore);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(WindowTest, ARunKeepsNothingInAFreshHomeOrInTmp) {
    AppDirectoryCopy copy(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb");
    testing::FixtureFolder home;
    const std::string runtime = home.Path() + "/runtime";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const auto tmpBefore = OursInTmp();
    {
        StartedProgram program(
            copy, EnvironmentWith({"HOME=" + home.Path(), "XDG_RUNTIME_DIR=" + runtime}));
        ASSERT_NE(program.Window(), 0u) << "the program's window never appeared";
        ASSERT_TRUE(program.WaitForText()) << "the page never showed";
        ASSERT_EQ(program.Close(), 0);
    }

    // The desktop's own services (D-Bus, accessibility, settings) may keep
    // their sockets and files in the runtime folder, and WebKit the folder
    // its sandbox's proxies put their sockets in (each proxy removes its
    // own as it ends); nothing else may appear, and the sandbox's notes on
    // each process it started (.flatpak/webkit-PID-N) are gone.
    std::vector<std::string> unexpected;
    for (const auto& path : PathsBelow(home.Path())) {
        const bool desktopService =
            path == "runtime" || path.rfind("runtime/dconf", 0) == 0 ||
            path.rfind("runtime/at-spi", 0) == 0 || path.rfind("runtime/bus", 0) == 0 ||
            path.rfind("runtime/dbus-1", 0) == 0 || path == "runtime/webkitgtk";
        if (!desktopService) {
            unexpected.push_back(path);
        }
    }
    EXPECT_TRUE(unexpected.empty()) << ::testing::PrintToString(unexpected);
    for (const char* ours : {".cache/kestrova", ".local/share/kestrova", ".cache/webkitgtk",
                             ".local/share/webkitgtk"}) {
        EXPECT_FALSE(std::filesystem::exists(home.Path() + "/" + ours)) << ours;
    }
    EXPECT_EQ(OursInTmp(), tmpBefore);
}

}  // namespace
}  // namespace kestrova

int main(int argc, char** argv) {
    kestrova::DisableDiskCaches();
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests) && !gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "window tests need an X display\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
