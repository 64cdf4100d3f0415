#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/form/Form1.h"
#include "tests/HangGuard.h"
#include "tests/TextSearch.h"
#include "tests/data/FixtureDatabase.h"

// Start-up while the window shows the page: the page is assembled in a
// thread and goes to the document in stretches as it is written; the page
// written at last is the page start-up writes in place, and a stopped
// assembly writes nothing.

namespace kestrova {
namespace {

// Enough customers for the page to come in many stretches.
constexpr const char* kManyCustomersSql = R"sql(
INSERT INTO Products VALUES (1, 'Bike', 'Trek "500"'), (2, 'Helmet', 'Bell <Star>');
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO Customers SELECT i, 'Customer & ' || i FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 900)
INSERT INTO Orders SELECT i, (i - 1) / 3 + 1, '2024-01-' || printf('%02d', i % 28 + 1), 'PO-' || i
FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1800)
INSERT INTO Order_Details SELECT (i - 1) / 2 + 1, i % 2 + 1, i % 5 + 1, 12.5 FROM n;
)sql";

// A document that takes the page in stretches, and remembers them, the
// write and what start-up asked of it, in order.
class StretchedDocument final : public platform::BrowserDocument, public platform::PageStretches {
public:
    void write(platform::PageText text) override {
        const std::lock_guard lock(mutex_);
        steps.push_back("write");
        written = text.ToString();
    }
    std::unique_ptr<platform::IHTMLElementList> getElementsByTagName(
        const std::string& tagName) override {
        const std::lock_guard lock(mutex_);
        steps.push_back("elements " + tagName);
        return std::make_unique<List>(*this);
    }
    void Advise(platform::HTMLDocumentEvents&) override {}
    void Unadvise() override {}
    std::shared_ptr<platform::PageStretches> TakeInStretches(std::string_view lead) override {
        this->lead = std::string(lead);
        return std::shared_ptr<platform::PageStretches>(self.lock(), this);
    }
    void Grown(platform::PageText soFar) override {
        const std::lock_guard lock(mutex_);
        if (steps.empty() || steps.back() != "stretch") {
            steps.push_back("stretch");
        }
        stretches.push_back(soFar.ToString());
    }

    std::weak_ptr<StretchedDocument> self;
    std::string lead;
    std::vector<std::string> stretches;
    std::vector<std::string> steps;
    std::string written;

    bool Written() {
        const std::lock_guard lock(mutex_);
        return !written.empty();
    }

private:
    struct Element final : platform::IHTMLElementProperties {
        explicit Element(StretchedDocument& document) : document_(document) {}
        void put_src(const std::string&) override {}
        void put_href(const std::string& address) override {
            const std::lock_guard lock(document_.mutex_);
            document_.steps.push_back("href " + address);
        }
        void put_className(const std::string&) override {}
        StretchedDocument& document_;
    };
    struct List final : platform::IHTMLElementList {
        explicit List(StretchedDocument& document) : document_(document) {}
        std::unique_ptr<platform::IHTMLElementProperties> Item(std::int16_t) override {
            return std::make_unique<Element>(document_);
        }
        StretchedDocument& document_;
    };
    std::mutex mutex_;
};

class StretchingBrowser final : public platform::WebBrowser {
public:
    void Navigate(const std::string&) override {
        document = std::make_shared<StretchedDocument>();
        document->self = document;
    }
    std::shared_ptr<platform::BrowserDocument> Document() override { return document; }
    std::shared_ptr<StretchedDocument> document;
};

// Turns the main loop until `done` holds, or the hang guard runs out.
template <class Done>
bool SpinUntil(Done done) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(testing::HangGuard(60));
    while (!done() && std::chrono::steady_clock::now() < until) {
        g_main_context_iteration(nullptr, FALSE);
    }
    return done();
}

class StartupWhileShown : public ::testing::Test {
protected:
    StartupWhileShown() {
        folder_.Database("AdvWorks.mdb", std::string(testing::kEmptyTablesSql) + kManyCustomersSql);
        runtime::SetAppPath(folder_.Path());
    }
    testing::FixtureFolder folder_;
};

TEST_F(StartupWhileShown, ThePageGoesOnInStretchesAndIsWrittenAsInPlace) {
    platform::MemoryBrowser inPlace;
    Form1 reference(inPlace);
    reference.ShowOutlinePage();
    const std::string expected(inPlace.CurrentDocument()->WrittenText());
    ASSERT_EQ(testing::Occurrences(expected, "imgCustomer"), 300u);

    StretchingBrowser browser;
    auto form = std::make_unique<Form1>(browser);
    form->ShowOutlinePage(PageData::Database, Assembly::WhileShown);
    StretchedDocument& document = *browser.document;
    ASSERT_TRUE(SpinUntil([&] { return document.Written(); }));
    form.reset();

    EXPECT_EQ(document.written, expected);
    EXPECT_EQ(document.lead, "\r\n");
    // The base address is set before the text comes, so that its start
    // already holds it; the stretches come before the write.
    ASSERT_EQ(document.steps.size(), 4u);
    EXPECT_EQ(document.steps[0], "elements base");
    EXPECT_EQ(document.steps[1], "href " + folder_.Path());
    EXPECT_EQ(document.steps[2], "stretch");
    EXPECT_EQ(document.steps[3], "write");
    ASSERT_GE(document.stretches.size(), 3u);
    std::size_t before = 0;
    for (const auto& stretch : document.stretches) {
        // Each goes on from the one before, as the start of the page after
        // its lead, and ends where every division begun in it has ended.
        EXPECT_GT(stretch.size(), before);
        before = stretch.size();
        EXPECT_EQ(expected.compare(2, stretch.size(), stretch), 0);
        EXPECT_EQ(testing::Occurrences(stretch, "<div"), testing::Occurrences(stretch, "</div>"));
    }
}

TEST_F(StartupWhileShown, AStoppedAssemblyWritesNothingAndEndsAtOnce) {
    for (const bool destroyed : {false, true}) {
        StretchingBrowser browser;
        auto form = std::make_unique<Form1>(browser);
        form->ShowOutlinePage(PageData::Database, Assembly::WhileShown);
        if (destroyed) {
            form.reset();
        } else {
            form->StopAssembly();
        }
        // Whatever the thread had handed back is not taken.
        for (int turn = 0; turn < 100; ++turn) {
            g_main_context_iteration(nullptr, FALSE);
        }
        EXPECT_EQ(browser.document->written, "") << (destroyed ? "destroyed" : "stopped");
    }
}

}  // namespace
}  // namespace kestrova
