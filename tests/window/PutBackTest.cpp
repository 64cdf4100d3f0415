#include <gtest/gtest.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/Diagnostics.h"
#include "platform/webkit/WebKitBrowser.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/HangGuard.h"
#include "tests/TemporaryFolder.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/PageProcesses.h"
#include "tests/window/SampleDatabase.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/Snapshot.h"
#include "tests/window/ViewProbe.h"

// When the page's web process ends, as a crash or the kernel's
// out-of-memory killer would end it, the window puts the page back as it
// stood; when that keeps happening, it shows the empty customers table.

namespace kestrova {
namespace {

using testing::PageProcesses;
using testing::SpinUntil;

// Kills the one process showing the page, and waits for its successor.
bool KillThePageProcess() {
    const auto before = PageProcesses();
    if (before.size() != 1 || kill(before[0], SIGKILL) != 0) {
        ADD_FAILURE() << "not one page process to kill: " << before.size();
        return false;
    }
    return SpinUntil(
        [&] {
            const auto now = PageProcesses();
            return now.size() == 1 && now[0] != before[0];
        },
        testing::HangGuard(30));
}

constexpr const char* kWritten =
    "document.readyState == 'complete' && document.images.length > 0 &&"
    " Array.from(document.images).every(i => i.complete && i.naturalWidth == 16)";

// Customer 1's rows and its first order's line items shown, their pictures
// minus signs: the state clicks left before the process ended.
std::string ShownState(const std::string& order) {
    return "[document.getElementById('divCustomer1').style.display,"
           " document.getElementById('divOrder" +
           order +
           "').style.display,"
           " document.all.item('imgCustomer1').src.endsWith('Minus.gif'),"
           " document.all.item('imgOrder" +
           order + "').src.endsWith('Minus.gif')].join('|')";
}

using platform::WebKitBrowser;

// How often the program reported a kind of failure so far, shown or not.
long Reported(std::string_view kind) {
    return runtime::FailureCount(kind);
}

TEST(PutBack, ThePageStandsAgainAsItWasAndAnswersClicksAfterItsProcessIsKilled) {
    testing::DiagnosticsCapture diagnostics;
    const long endsBefore = Reported(WebKitBrowser::kPageProcessEnded);
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb", "putback");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(window.WaitFor(kWritten, "true", 60));
    window.Page("document.all.item('imgCustomer1').click()");
    const std::string order = window.Page(
        "document.getElementById('divCustomer1').querySelector('img[name^=imgOrder]')"
        ".name.substring(8)");
    ASSERT_FALSE(order.empty() || order.rfind("error", 0) == 0) << order;
    window.Page("document.all.item('imgOrder" + order + "').click()");
    ASSERT_TRUE(window.WaitFor(ShownState(order), "||true|true"));
    ASSERT_TRUE(window.WaitFor(kWritten, "true"));
    window.PointAway();
    SpinUntil([] { return false; }, 0.5);
    WebKitWebView* view = window.Window().View();
    const auto before = testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_FULL_DOCUMENT);
    ASSERT_GT(before.width, 0);

    ASSERT_TRUE(KillThePageProcess());
    ASSERT_TRUE(window.WaitFor(ShownState(order), "||true|true", 30)) << diagnostics.Text();
    ASSERT_TRUE(window.WaitFor(kWritten, "true"));
    SpinUntil([] { return false; }, 0.5);
    const auto after = testing::TakeSnapshot(view, WEBKIT_SNAPSHOT_REGION_FULL_DOCUMENT);
    EXPECT_EQ(after.DifferingPixels(before), 0);

    EXPECT_EQ(Reported(WebKitBrowser::kPageProcessEnded), endsBefore + 1);
    // Said once, unless earlier cases in this process said it often.
    if (endsBefore < 10) {
        EXPECT_NE(diagnostics.Text().find("kestrova: browser view: the page's process: ended "
                                          "unexpectedly; the page is put back in a new one"),
                  std::string::npos)
            << diagnostics.Text();
    }
    window.Page("document.all.item('imgCustomer1').click()");
    EXPECT_TRUE(window.WaitFor("document.getElementById('divCustomer1').style.display", "none"));
    window.Page("document.all.item('imgCustomer1').click()");
    EXPECT_TRUE(window.WaitFor(ShownState(order), "||true|true"));
}

// A page long enough to reach the view in parts is put back whole, with a
// division of its last part shown as it was.
TEST(PutBack, APageInPartsStandsAgainWithWhatWasShownInItsLastPart) {
    testing::FixtureFolder folder;
    const std::string database = testing::SampleDatabase(folder, 300, 5);
    testing::ShownWindow window(database, "putback-parts");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(
        window.WaitFor(kWritten + std::string(" && document.images.length == 300"), "true", 60));
    window.Page("document.all.item('imgCustomer300').click()");
    const std::string shown =
        "[document.getElementById('divCustomer300').style.display,"
        " document.all.item('imgCustomer300').src.endsWith('Minus.gif'),"
        " document.getElementById('divCustomer300').getElementsByTagName('table').length > 0,"
        " document.getElementsByName('imgCustomer299').length].join('|')";
    ASSERT_TRUE(window.WaitFor(shown, "|true|true|1"));

    ASSERT_TRUE(KillThePageProcess());
    EXPECT_TRUE(window.WaitFor(shown, "|true|true|1", 30));
    EXPECT_TRUE(
        window.WaitFor(kWritten + std::string(" && document.images.length > 300"), "true", 60));
}

// Where the temporary folder will not take the page's text, or fills up
// while the page is written, the text goes on in memory: the page stands
// in parts all the same, divisions built from the page's file and from
// memory open, and it stands again so after its process is killed.
TEST(PutBack, WhereTheDiskWillNotServeAPageInPartsStandsWholeAndAgainAfterItsProcessIsKilled) {
    testing::FixtureFolder folder;
    const std::string database = testing::SampleDatabase(folder, 300, 5);
    // About 33 MB of page text: the small disk takes its first part (about
    // 12 MB, which the view gets first) and more, not the rest.
    const std::string smallDisk = folder.Path() + "/small-disk";
    std::filesystem::create_directory(smallDisk);
    const testing::SmallDisk disk(smallDisk, 20 << 20);
    for (const bool fillsUp : {false, true}) {
        SCOPED_TRACE(fillsUp ? "the disk fills up part-way" : "the folder is missing");
        if (fillsUp && !disk.Unmounted().empty()) {
            GTEST_SKIP() << disk.Unmounted();
        }
        testing::DiagnosticsCapture diagnostics;
        std::optional<testing::TemporaryFolder> temporary;
        testing::ShownWindow window(database, fillsUp ? "disk-full" : "no-temporary-folder", [&] {
            temporary.emplace(fillsUp ? smallDisk : testing::kNoSuchFolder);
        });
        ASSERT_TRUE(window.WaitForPage()) << diagnostics.Text();
        ASSERT_TRUE(window.WaitFor(kWritten + std::string(" && document.images.length == 300"),
                                   "true", 60));
        const std::string shown =
            "['1', '300'].map(n => [document.getElementById('divCustomer' + n).style.display,"
            " document.getElementById('divCustomer' + n).getElementsByTagName('table').length"
            " > 0].join('|')).join(' ')";
        if (fillsUp) {
            // The page's file took the disk's last byte; it is still held.
            struct statvfs room {};
            ASSERT_EQ(statvfs(smallDisk.c_str(), &room), 0);
            EXPECT_LT(room.f_bavail * room.f_frsize, 64u << 10);
        } else {
            EXPECT_NE(diagnostics.Text().find("kestrova: the page text is kept in memory: cannot "
                                              "make a file in /nonexistent"),
                      std::string::npos)
                << diagnostics.Text();
        }
        window.Page("document.all.item('imgCustomer1').click()");
        window.Page("document.all.item('imgCustomer300').click()");
        ASSERT_TRUE(window.WaitFor(shown, "|true |true"));

        ASSERT_TRUE(KillThePageProcess());
        EXPECT_TRUE(window.WaitFor(shown, "|true |true", 30));
        EXPECT_TRUE(
            window.WaitFor(kWritten + std::string(" && document.images.length > 300"), "true", 60));
    }
}

// The process ends while the rest of the page is still read and written:
// the page is put back with every part written so far, the parts still to
// come follow, and what was shown stays shown.
TEST(PutBack, DuringTheBuildThePageStandsAgainWholeWithWhatWasShown) {
    testing::FixtureFolder folder;
    const std::string database = testing::SampleDatabase(folder, 8000, 5);
    testing::ShownWindow window(database, "putback-building");
    ASSERT_TRUE(
        window.WaitFor("String(document.getElementsByName('imgCustomer2').length)", "1", 60));
    window.Page("document.all.item('imgCustomer1').click()");
    const std::string shown =
        "[document.getElementById('divCustomer1').style.display,"
        " document.all.item('imgCustomer1').src.endsWith('Minus.gif')].join('|')";
    ASSERT_TRUE(window.WaitFor(shown, "|true"));
    ASSERT_EQ(window.Page("String(document.getElementsByName('imgCustomer8000').length)"), "0")
        << "the page was whole before its process ended";

    ASSERT_TRUE(KillThePageProcess());
    EXPECT_TRUE(window.WaitFor(shown, "|true", 60));
    // Every customer is there: the table says so, and the last shows at
    // the page's end.
    EXPECT_TRUE(window.WaitFor(kWritten + std::string(" && document.querySelector("
                                                      "'table[aria-rowcount=\"16001\"]') !== null"),
                               "true", 300));
    window.Page("window.scrollTo(0, document.documentElement.scrollHeight); 0");
    EXPECT_TRUE(
        window.WaitFor("String(document.getElementsByName('imgCustomer8000').length)", "1", 30));
    window.Page("window.scrollTo(0, 0); 0");
    EXPECT_TRUE(window.WaitFor(shown, "|true", 30));
}

// A long outline comes back where its view stood, with what was shown
// there and elsewhere.
TEST(PutBack, ALongOutlineComesBackAtItsPlaceWithWhatWasShown) {
    testing::FixtureFolder folder;
    testing::ShownWindow window(testing::SampleDatabase(folder, 3000, 5), "putback-place");
    ASSERT_TRUE(window.WaitForPage());
    ASSERT_TRUE(window.WaitFor(kWritten, "true", 120));
    window.Page("document.all.item('imgCustomer2').click(); 0");
    window.Page("window.scrollTo(0, document.documentElement.scrollHeight * 0.6); 0");
    ASSERT_TRUE(window.WaitFor("String(document.getElementsByName('imgCustomer2').length)", "0"));
    // The first customer wholly in sight, and where it stands.
    const std::string inSight =
        "(() => { for (const i of document.images) { const r = i.getBoundingClientRect();"
        " if (i.name.startsWith('imgCustomer') && r.top >= 0) return i.name + ' ' +"
        " Math.round(r.top); } return ''; })()";
    const std::string before = window.Page(inSight);
    const std::string name = before.substr(0, before.find(' '));
    window.Page("document.all.item('" + name + "').click(); 0");
    const std::string shown = "document.getElementById('div" + name.substr(3) + "').style.display";
    ASSERT_TRUE(window.WaitFor(shown, ""));
    SpinUntil([] { return false; }, 1);  // the window hears where the view stands

    ASSERT_TRUE(KillThePageProcess());
    EXPECT_TRUE(window.WaitFor(kWritten + std::string(" && ") + inSight + " == '" + before + "'",
                               "true", 60))
        << window.Page(inSight) << " instead of " << before;
    EXPECT_EQ(window.Page(shown), "");
    window.Page("window.scrollTo(0, 0); 0");
    EXPECT_TRUE(window.WaitFor("document.getElementById('divCustomer2').style.display", ""));
}

TEST(PutBack, AfterThreeEndsWithinAMinuteTheWindowShowsTheEmptyCustomersTable) {
    // What the window shows when there is no database: the frame to expect.
    std::string emptyFrame;
    {
        testing::ShownWindow missing("", "putback-missing");
        ASSERT_TRUE(missing.WaitForPage());
        ASSERT_TRUE(missing.WaitFor("document.readyState", "complete"));
        emptyFrame = missing.Page("document.body.outerHTML");
    }
    ASSERT_NE(emptyFrame.find("<table"), std::string::npos) << emptyFrame;

    testing::DiagnosticsCapture diagnostics;
    const long endsBefore = Reported(WebKitBrowser::kPageProcessEnded);
    const long givenUpBefore = Reported(WebKitBrowser::kPageGivenUp);
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb",
                                "putback-again");
    ASSERT_TRUE(window.WaitForPage());
    for (int end = 1; end <= 3; ++end) {
        ASSERT_TRUE(window.WaitFor(kWritten, "true", 60)) << "before end " << end;
        ASSERT_TRUE(KillThePageProcess()) << "end " << end;
    }
    ASSERT_TRUE(window.WaitFor("document.readyState == 'complete' && document.images.length == 0",
                               "true", 30));
    EXPECT_EQ(window.Page("document.body.outerHTML"), emptyFrame);

    // It stays so: no page is put back any more.
    const auto shown = PageProcesses();
    SpinUntil([] { return false; }, 2);
    EXPECT_EQ(PageProcesses(), shown);
    EXPECT_EQ(window.Page("document.images.length"), "0");
    // Two ends put the page back; the third gave it up.
    EXPECT_EQ(Reported(WebKitBrowser::kPageProcessEnded), endsBefore + 2);
    EXPECT_EQ(Reported(WebKitBrowser::kPageGivenUp), givenUpBefore + 1);
    EXPECT_NE(diagnostics.Text().find(
                  "kestrova: browser view: the page is given up: its process ended unexpectedly, "
                  "the third time within a minute; the window shows the empty customers table "
                  "instead"),
              std::string::npos)
        << diagnostics.Text();
}

}  // namespace
}  // namespace kestrova
