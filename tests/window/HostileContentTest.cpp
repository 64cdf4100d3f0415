#include <gtest/gtest.h>
#include <sqlite3.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <string>

#include "platform/webkit/WebKitBrowser.h"
#include "tests/HangGuard.h"
#include "tests/battery/ProgramRun.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/ShownWindow.h"
#include "tests/window/ViewProbe.h"

// Hostile content in the real view: nothing of the page runs, the view
// never leaves the page and fetches nothing outside its own folder.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

std::string HostileDatabase(const testing::FixtureFolder& folder) {
    return folder.Database("hostile.mdb", std::string(testing::kEmptyTablesSql) + R"sql(
INSERT INTO Customers VALUES (1, '<script>document.title = "ran"</script>'),
                             (2, '<img src=x onerror="document.title = ''ran''">'),
                             (3, '<a href="file:///etc/hostname">away</a>');
INSERT INTO Orders VALUES (1, 1, '2020-01-01', '</table></div></td>');
)sql");
}

class HostileContentTest : public ::testing::Test {
protected:
    HostileContentTest() : window(HostileDatabase(folder)) {}
    void SetUp() override {
        ASSERT_TRUE(window.WaitForPage());
        window.Page("window.kestrovaMarker = 'still here'");
    }
    // The same document still stands, unchanged by what was tried.
    bool StillThePage() {
        testing::SpinUntil([] { return false; }, 1.0);
        return window.Page("window.kestrovaMarker") == "still here" &&
               webkit_web_view_get_uri(window.Window().View()) ==
                   std::string("file://") + window.Directory() + "/";
    }

    testing::FixtureFolder folder;
    testing::ShownWindow window;
};

TEST_F(HostileContentTest, DatabaseTextShowsAsTextAndNothingOfItRuns) {
    // The first customer's orders hold hostile text too: shown, their
    // content is built from the page text like the rest.
    window.Click("imgCustomer1");
    ASSERT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    EXPECT_EQ(window.Page("document.title"), "");
    EXPECT_EQ(window.Page("document.scripts.length"), "0");
    EXPECT_EQ(window.Page("document.links.length"), "0");
    const std::string text = window.Page("document.body.textContent");
    EXPECT_NE(text.find("<script>document.title = \"ran\"</script>"), std::string::npos);
    EXPECT_NE(text.find("<img src=x onerror="), std::string::npos);
    EXPECT_NE(text.find("</table></div></td>"), std::string::npos);
    // Every customer row still stands in the one customers table.
    EXPECT_EQ(window.Page("document.getElementsByName('imgCustomer3').length"), "1");
    // A screen reader reads the names as the text they are.
    EXPECT_TRUE(
        window.WaitFor("document.all.item('imgCustomer1').getAttribute('aria-label')",
                       "View this customer's orders, <script>document.title = \"ran\"</script>"));
    EXPECT_TRUE(window.WaitFor(
        "document.all.item('imgCustomer2').getAttribute('aria-label')",
        "View this customer's orders, <img src=x onerror=\"document.title = 'ran'\">"));
    // Enter on a picture does what its click does, and nothing of the
    // names runs then either.
    window.Page("document.all.item('imgCustomer1').focus()");
    window.PressKey("Return");
    EXPECT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", "none"));
    EXPECT_EQ(window.Page("document.title"), "");
    EXPECT_EQ(window.Page("document.scripts.length"), "0");
}

TEST_F(HostileContentTest, TheViewNeverLeavesThePage) {
    window.Page("location.href = 'file:///etc/hostname'");
    EXPECT_TRUE(StillThePage());
    window.Page(
        "(() => { const a = document.createElement('a'); a.href = 'file:///etc/hostname';"
        " document.body.appendChild(a); a.click(); })()");
    EXPECT_TRUE(StillThePage());
    window.Page(
        "(() => { const f = document.createElement('form'); f.action = 'file:///etc/hostname';"
        " document.body.appendChild(f); f.submit(); })()");
    EXPECT_TRUE(StillThePage());
    window.Page("String(window.open('file:///etc/hostname'))");
    EXPECT_TRUE(StillThePage());
    window.Page("location.reload()");
    EXPECT_TRUE(StillThePage());
    webkit_web_view_load_uri(window.Window().View(), "file:///etc/hostname");
    EXPECT_TRUE(StillThePage());
}

TEST_F(HostileContentTest, NothingIsFetchedFromOutsideTheApplicationDirectory) {
    const std::string outside = folder.Path() + "/outside.gif";
    fs::copy_file(window.Directory() + "/plus.gif", outside);
    window.Page(
        "(() => { const i = document.createElement('img'); i.id = 'outside';"
        " i.src = 'file://" +
        outside +
        "'; document.body.appendChild(i);"
        " const j = document.createElement('img'); j.id = 'inside';"
        " j.src = 'file://" +
        window.Directory() +
        "/Minus.gif';"
        " document.body.appendChild(j); })()");
    EXPECT_TRUE(window.WaitFor("document.getElementById('inside').naturalWidth", "16"));
    EXPECT_TRUE(window.WaitFor("document.getElementById('outside').complete", "true"));
    EXPECT_EQ(window.Page("document.getElementById('outside').naturalWidth"), "0");
}

TEST(HostileContent, NoInspectorAndNoNavigationInTheContextMenu) {
    testing::AppDirectoryCopy copy;
    platform::WebKitBrowser browser(copy.Path());
    EXPECT_FALSE(
        webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(browser.View())));
    EXPECT_FALSE(
        webkit_settings_get_enable_javascript_markup(webkit_web_view_get_settings(browser.View())));

    WebKitContextMenu* menu = webkit_context_menu_new();
    for (const auto action :
         {WEBKIT_CONTEXT_MENU_ACTION_GO_BACK, WEBKIT_CONTEXT_MENU_ACTION_RELOAD,
          WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW,
          WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW,
          WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK,
          WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT, WEBKIT_CONTEXT_MENU_ACTION_COPY}) {
        webkit_context_menu_append(menu, webkit_context_menu_item_new_from_stock_action(action));
    }
    platform::WebKitBrowser::KeepOnlyPageItems(menu);
    ASSERT_EQ(webkit_context_menu_get_n_items(menu), 1u);
    EXPECT_EQ(webkit_context_menu_item_get_stock_action(webkit_context_menu_first(menu)),
              WEBKIT_CONTEXT_MENU_ACTION_COPY);
    g_object_unref(menu);
}

TEST(OddFolder, PicturesShowFromAFolderWithBlanksQuotesLettersBeyondAsciiAndABackslash) {
    testing::ShownWindow window(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb",
                                "app \"dir\" \xc3\xbc\\x");
    ASSERT_TRUE(window.WaitFor("document.readyState", "complete", 60));
    EXPECT_TRUE(
        window.WaitFor("document.images.length > 0 && Array.from(document.images)"
                       ".every(i => i.complete && i.naturalWidth == 16)",
                       "true", 30));
    window.Click("imgCustomer1");
    EXPECT_TRUE(window.WaitFor("document.all.item('divCustomer1').style.display", ""));
    EXPECT_TRUE(window.WaitFor("document.all.item('imgCustomer1').naturalWidth", "16"));
}

TEST(MissingPictures, AreNamedOnStderrAndThePageStillShows) {
    testing::AppDirectoryCopy copy(std::string(KESTROVA_BUILT_APPDIR) + "/AdvWorks.mdb");
    for (const char* picture : {"plus.gif", "Plus.gif", "Minus.gif"}) {
        fs::remove(fs::path(copy.Path()) / picture);
    }
    // The program runs until it has named the picture, or is taken as hung.
    const std::string said = "a picture is missing: " + copy.Path() + "/plus.gif";
    const auto run = testing::RunProgram(
        {copy.Path() + "/kestrova"}, testing::HangGuard(60),
        [&](const std::string& err) { return err.find(said) != std::string::npos; });
    EXPECT_FALSE(run.finished) << "the program ended by itself: " << run.err;
    EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
}

}  // namespace
}  // namespace kestrova
