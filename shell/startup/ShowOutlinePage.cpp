#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Require.h"
#include "shell/form/Form1.h"
#include "shell/startup/PageHead.h"

namespace kestrova {

using runtime::Attempt;
using runtime::Require;

namespace {

// The steps that carry the page's text: when one fails, the page is not whole.
constexpr std::string_view kAppendingTheHead = "start-up: appending the page head";
constexpr std::string_view kRenderingTheOutline = "start-up: rendering the outline";
constexpr std::string_view kAppendingTheOutline = "start-up: appending the outline";
constexpr std::string_view kAppendingTheClosingTags = "start-up: appending the closing tags";
constexpr std::string_view kWritingThePage = "start-up: writing the page into the document";

}  // namespace

bool Form1::PageWhole() {
    long failures = runtime::FailureCount(kPageBufferFailure);
    for (const auto step : {kAppendingTheHead, kRenderingTheOutline, kAppendingTheOutline,
                            kAppendingTheClosingTags, kWritingThePage}) {
        failures += runtime::FailureCount(step);
    }
    return failures == 0;
}

// Each step runs whatever happened to the ones before it, so that start-up
// always ends with a page in the window; a failing step says so on stderr.
void Form1::ShowOutlinePage(PageData data) {
    Attempt("start-up: emptying the page buffer", [&] { ResetText(); });
    if (data == PageData::Database) {
        Attempt("start-up: loading the data", [&] { LoadUserData(); });
    } else {
        mrsLineItems.reset();
        mrsOrders.reset();
        mrsCustomers.reset();
    }
    Attempt(kAppendingTheHead, [&] {
        AppendText(kPageHead[0]);
        for (std::size_t line = 1; line < kPageHead.size(); ++line) {
            AppendLine({kPageHead[line]});
        }
    });
    platform::PageText body;
    Attempt(kRenderingTheOutline, [&] { body = RenderOutline(); });
    Attempt(kAppendingTheOutline, [&] { AppendLine({body}); });
    body = platform::PageText();  // gives its memory back
    Attempt(kAppendingTheClosingTags, [&] { AppendLine({kPageEnd}); });
    Attempt("start-up: navigating to about:blank",
            [&] { Require(WebBrowser, "browser control").Navigate("about:blank"); });
    Attempt("start-up: binding the document's events", [&] {
        mDoc.Bind(Require(WebBrowser, "browser control").Document(), NewDocumentEvents());
    });
    Attempt("start-up: taking the document",
            [&] { mPageDoc = Require(WebBrowser, "browser control").Document(); });
    Attempt(kWritingThePage,
            [&] { runtime::Require(mPageDoc, "document to write into").write(GetText()); });
    Attempt("start-up: emptying the page buffer", [&] { ResetText(); });
    Attempt("start-up: setting the page's base address", [&] {
        auto bases = runtime::Require(mPageDoc, "document").getElementsByTagName("base");
        auto base = runtime::Require(bases, "collection of base elements").Item(0);
        runtime::Require(base, "base element").put_href(runtime::AppAddress());
    });
}

}  // namespace kestrova
