#include <glib.h>

#include <functional>
#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/MemoryPolicy.h"
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

// The page's text begins with a line break, then the text the buffer holds
// while the outline is rendered.
constexpr std::string_view kLineBreak = "\r\n";

// Runs `step` on the main loop, soon.
void OnTheMainLoop(std::function<void()> step) {
    g_idle_add_full(
        G_PRIORITY_HIGH_IDLE,
        [](gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(step)),
        [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

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
// While the page is shown (or streamed) as it is assembled, the document is
// taken first and its base address set before the page's text comes, which
// the page's start then already holds; to be shown, the page is assembled
// in a thread, and the write follows on the main loop.
void Form1::ShowOutlinePage(PageData data, Assembly assembly) {
    StopAssembly();
    Attempt("start-up: emptying the page buffer", [&] { ResetText(); });
    if (assembly == Assembly::InPlace) {
        AssemblePage(data);
        TakeTheDocument();
        WriteThePage();
        SetTheBaseAddress();
        return;
    }
    TakeTheDocument();
    SetTheBaseAddress();
    Attempt("start-up: passing the page on as it is written", [&] {
        mStretches = Require(mPageDoc, "document to write into").TakeInStretches(kLineBreak);
    });
    mlngHandedOn = 0;
    if (assembly == Assembly::Streamed) {
        AssemblePage(data);
        mStretches.reset();
        WriteThePage();
        return;
    }
    const std::uint64_t number = ++mAssemblies;
    const std::weak_ptr<Form1*> self = mSelf;
    mAssembly = std::thread([this, data, number, self] {
        {
            // Freed large blocks are kept for the next while the page is built.
            const runtime::LargeBlockReuse reuse;
            AssemblePage(data);
        }
        if (AssemblyStopped()) {
            return;
        }
        OnTheMainLoop([self, number] {
            if (const auto form = self.lock(); form && (*form)->mAssemblies == number) {
                (*form)->FinishTheShownPage();
            }
        });
    });
}

void Form1::AssemblePage(PageData data) {
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
}

void Form1::TakeTheDocument() {
    Attempt("start-up: navigating to about:blank",
            [&] { Require(WebBrowser, "browser control").Navigate("about:blank"); });
    Attempt("start-up: binding the document's events", [&] {
        mDoc.Bind(Require(WebBrowser, "browser control").Document(), NewDocumentEvents());
    });
    Attempt("start-up: taking the document",
            [&] { mPageDoc = Require(WebBrowser, "browser control").Document(); });
}

void Form1::WriteThePage() {
    Attempt(kWritingThePage,
            [&] { runtime::Require(mPageDoc, "document to write into").write(GetText()); });
    Attempt("start-up: emptying the page buffer", [&] { ResetText(); });
}

void Form1::SetTheBaseAddress() {
    Attempt("start-up: setting the page's base address", [&] {
        auto bases = runtime::Require(mPageDoc, "document").getElementsByTagName("base");
        auto base = runtime::Require(bases, "collection of base elements").Item(0);
        runtime::Require(base, "base element").put_href(runtime::AppAddress());
    });
}

void Form1::FinishTheShownPage() {
    if (mAssembly.joinable()) {
        mAssembly.join();
    }
    mStretches.reset();
    WriteThePage();
}

// Every few dozen kilobytes, at the end of a customer's rows: a customer's
// division is whole before the next customer's row begins.
void Form1::HandOnThePageSoFar() {
    constexpr std::int64_t kStretchBytes = 64 * 1024;
    if (!mStretches || mlngLength - mlngHandedOn < kStretchBytes) {
        return;
    }
    Attempt("start-up: passing the page on as it is written", [&] {
        mStretches->Grown(mstrBuffer.Share(static_cast<std::size_t>(mlngLength)));
        mlngHandedOn = mlngLength;
    });
}

}  // namespace kestrova
