#include <gtest/gtest.h>

#include <string>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/TextSearch.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/render/ExpectedPage.h"

namespace kestrova {
namespace {

using Access = Form1TestAccess;

using testing::ExpectedHead;
using testing::Occurrences;

class StartupTest : public ::testing::Test {
protected:
    // A folder with no database in it.
    StartupTest() { runtime::SetAppPath("/nonexistent/kestrova app"); }
};

TEST_F(StartupTest, WritesTheWholePageOnceFramedByTheHeadAndTheClosingTags) {
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();

    const auto document = browser.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->WriteCount(), 1);
    const std::string_view text = document->WrittenText();
    const std::string head = ExpectedHead();
    EXPECT_EQ(text.rfind("\r\n" + head, 0), 0u) << text.substr(0, 80);
    EXPECT_EQ(Occurrences(text, "<html><head>"), 1u);
    EXPECT_EQ(Occurrences(text, "<style>"), 1u);
    ASSERT_GE(text.size(), 16u);
    EXPECT_EQ(text.substr(text.size() - 16), "\r\n</body></html>");
    EXPECT_NE(text.back(), '\n');
}

TEST_F(StartupTest, LeavesTheBufferEmptyAndPointsTheFirstBaseAtTheApplicationDirectory) {
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();

    EXPECT_EQ(Access::Length(form), 0);
    EXPECT_EQ(Access::Capacity(form), 255);
    EXPECT_EQ(Access::Storage(form), std::string(255, ' '));

    const auto document = browser.CurrentDocument();
    const auto base = document->Find("href", "/nonexistent/kestrova app");
    ASSERT_TRUE(base.has_value());
    EXPECT_EQ(document->TagName(*base), "BASE");
    EXPECT_FALSE(document->Find("href", "D:\\0\\4.htm").has_value());
}

TEST_F(StartupTest, BindsTheDocumentSoThatItsEventsReachTheWindow) {
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();
    // A click on nothing in particular reaches the handler, which answers False.
    EXPECT_EQ(browser.CurrentDocument()->DispatchClick(std::nullopt), std::optional<bool>(false));
}

TEST_F(StartupTest, APageWithoutRowsIsTheEmptyTableOfAMissingDatabaseInAFreshDocument) {
    std::string missing;
    {
        platform::MemoryBrowser browser;
        Form1 form(browser);
        form.ShowOutlinePage();
        missing = browser.CurrentDocument()->WrittenText();
    }
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    runtime::SetAppPath("/nonexistent/kestrova app");
    platform::MemoryBrowser browser;
    Form1 form(browser);
    runtime::SetAppPath(folder.Path());
    form.ShowOutlinePage();
    const auto withRows = browser.CurrentDocument();
    ASSERT_NE(withRows->WrittenText().find("imgCustomer1"), std::string::npos);

    // The same folder name as the page without a database, for the base.
    runtime::SetAppPath("/nonexistent/kestrova app");
    form.ShowOutlinePage(PageData::NoRows);
    const auto empty = browser.CurrentDocument();
    EXPECT_NE(empty, withRows);
    EXPECT_EQ(empty->WriteCount(), 1);
    EXPECT_EQ(empty->WrittenText(), missing);
    EXPECT_EQ(Access::Length(form), 0);
}

// A browser control that navigates but never hands out its document.
class BrowserWithoutDocument final : public platform::WebBrowser {
public:
    void Navigate(const std::string& address) override { inner_.Navigate(address); }
    std::shared_ptr<platform::BrowserDocument> Document() override {
        throw runtime::Failure("the browser control has no document");
    }
    std::shared_ptr<platform::MemoryDocument> CurrentDocument() const {
        return inner_.CurrentDocument();
    }

private:
    platform::MemoryBrowser inner_;
};

TEST_F(StartupTest, WithoutADocumentEveryOtherStepStillRunsAndTheFailuresAreReported) {
    BrowserWithoutDocument browser;
    Form1 form(browser);
    const long failuresBefore = runtime::FailureCount();
    kestrova::testing::DiagnosticsCapture capture;
    form.ShowOutlinePage();
    const std::string diagnostics = capture.Text();

    EXPECT_GT(runtime::FailureCount(), failuresBefore);
    EXPECT_NE(diagnostics.find("binding the document's events"), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("writing the page"), std::string::npos) << diagnostics;
    // The buffer is emptied all the same.
    EXPECT_EQ(Access::Length(form), 0);
    EXPECT_EQ(Access::Storage(form), std::string(255, ' '));
    // The blank document was navigated to but never written.
    EXPECT_EQ(browser.CurrentDocument()->WriteCount(), 0);
}

}  // namespace
}  // namespace kestrova
