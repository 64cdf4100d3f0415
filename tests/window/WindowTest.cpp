#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>

#include "platform/memorydoc/MarkupScanner.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/window/MainWindow.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/ViewProbe.h"
#include "tests/window/X11Client.h"

namespace kestrova {
namespace {

using testing::AppDirectoryCopy;
using testing::SpinUntil;

// The page text that start-up writes for `directory`, built by the same code
// against an in-memory document.
std::string PageFor(const std::string& directory) {
    runtime::SetAppPath(directory);
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();
    return browser.CurrentDocument()->WrittenText();
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

    // The document holds the elements of the page text start-up built.
    const auto expected = TagCounts(PageFor(shown.Directory()));
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
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        const std::string executable = copy.Path() + "/kestrova";
        execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    testing::X11Client x11;
    ASSERT_TRUE(x11.Connected());
    unsigned long window = 0;
    SpinUntil(
        [&] { return (window = x11.FindWindow("Kestrova", program)) != 0 && x11.Viewable(window); },
        30);
    if (window == 0) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        FAIL() << "the program's window never appeared";
    }
    int width = 0;
    int height = 0;
    x11.Size(window, width, height);
    EXPECT_EQ(width, 812);
    EXPECT_EQ(height, 206);
    x11.RequestClose(window);

    int status = 0;
    const bool ended = SpinUntil([&] { return waitpid(program, &status, WNOHANG) == program; }, 20);
    if (!ended) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
    }
    ASSERT_TRUE(ended) << "closing the window did not end the program";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kestrova

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests) && !gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "window tests need an X display\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
