#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/document/EventBoundDocument.h"
#include "platform/document/HTMLDocument.h"
#include "platform/document/WebBrowser.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/Variant.h"
#include "shell/form/PageStorage.h"

namespace kestrova {

namespace outline {
struct CellLines;
}

// Where the page's rows come from.
enum class PageData {
    Database,  // the customer order query over the database
    NoRows,    // the empty customers table
};

// When start-up assembles the page.
enum class Assembly {
    // Before the load handler returns; the page is then written whole.
    InPlace,
    // In a thread of its own after the load handler has returned, while the
    // window shows the start of the page: the document takes the text as
    // it is written, and the write follows once it is whole.
    WhileShown,
    // Before the load handler returns, the document taking the text as it
    // is written: a document that passes the page on (to a file, say)
    // need not wait for the whole of it.
    Streamed,
};

// The program's one window. It owns all state: the page buffer, the
// customers recordset and the renderers' working members, the document
// references and the element of the last document event. Its procedures
// are defined in the folders of their areas: shell/ (start-up and the page
// buffer), data/ (opening the data), render/ (the page body) and
// interaction/ (the document event handlers).
class Form1 final {
public:
    explicit Form1(platform::WebBrowser& webBrowser);
    // A window without a browser control: in the web process, which holds
    // the page's real document, it only handles the document's events.
    Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    ~Form1();

    // The load handler: builds the page and puts it into the browser control.
    void ShowOutlinePage(PageData data = PageData::Database, Assembly assembly = Assembly::InPlace);
    // Stops a page still being assembled, and waits until it has stopped;
    // what was written of it is not written into the document.
    void StopAssembly();
    // Opens the database and runs the customer order query into mrsCustomers.
    void LoadUserData();

    // Document event handlers.
    bool mDoc_onclick();
    void mDoc_onmouseout();

    // Whether the customer order query ran: the database opened.
    bool DataOpened() const { return mrsCustomers && mrsCustomers->IsOpen(); }
    // Whether start-up put the whole page into the document in this
    // process: false once the page buffer left a piece out, or a step that
    // carries the page's text failed (each said on stderr).
    static bool PageWhole();
    // What a piece of text the page buffer leaves out is reported as.
    static constexpr std::string_view kPageBufferFailure = "page buffer";

    // Binds a document's events to this window, as start-up does; the web
    // process, which holds the real document, uses this to receive them.
    void BindDocument(std::shared_ptr<platform::HTMLDocument> document);

private:
    friend struct Form1TestAccess;

    // The receiver that passes the document's events to the handlers.
    std::unique_ptr<platform::HTMLDocumentEvents> NewDocumentEvents();

    // The page buffer.
    void AppendText(std::string_view text);
    platform::PageText GetText();
    void ResetText();
    // One page line: CR LF and the pieces, appended as one piece.
    void AppendLine(std::initializer_list<std::string_view> pieces);
    void AppendPieces(std::string_view prefix, std::initializer_list<std::string_view> pieces);

    // Start-up's steps: the page assembled in the buffer, the document
    // taken, the page written into it, its base address set.
    void AssemblePage(PageData data);
    void TakeTheDocument();
    void WriteThePage();
    void SetTheBaseAddress();
    // The continuation of an assembly while the page is shown, on the main
    // loop once the page is assembled.
    void FinishTheShownPage();
    // After each customer: the page so far goes on to the document, when
    // it takes stretches and enough has come since the last.
    void HandOnThePageSoFar();
    bool AssemblyStopped() const { return mAssemblyStopping.load(std::memory_order_relaxed); }

    // The page body.
    platform::PageText RenderOutline();
    void RenderOrders(std::int32_t lngCustomer, std::int32_t& lngOrder);
    void RenderLineItems(std::int32_t lngOrder);
    void AppendHeadingCells(platform::Recordset* rs, const outline::CellLines& cells);
    void AppendValueCells(platform::Recordset* rs, const outline::CellLines& cells);
    void AppendValueLine(std::string_view indent);
    platform::Variant FormatValue(platform::Field& objField);
    platform::Variant IsCurrency(std::int16_t& intType);

    platform::WebBrowser* WebBrowser;
    platform::EventBoundDocument mDoc;

    std::shared_ptr<platform::BrowserDocument> mPageDoc;
    std::unique_ptr<platform::IHTMLElement> mElement;
    std::shared_ptr<platform::Recordset> mrsCustomers;
    std::shared_ptr<platform::Recordset> mrsOrders;
    std::shared_ptr<platform::Recordset> mrsLineItems;
    std::optional<platform::Field> mobjField;
    // 64-bit, so that every page that fits in memory fits in the buffer.
    std::int64_t mlngLength = 0;
    PageStorage mstrBuffer;
    std::int64_t mlngCapacity = 0;

    // The page on its way to the document while it is assembled, and how
    // much of the buffer has gone.
    std::shared_ptr<platform::PageStretches> mStretches;
    std::int64_t mlngHandedOn = 0;
    // The thread assembling the page while it is shown; this window, for
    // what it hands back to the main loop.
    std::atomic<bool> mAssemblyStopping = false;
    std::uint64_t mAssemblies = 0;
    std::shared_ptr<Form1*> mSelf = std::make_shared<Form1*>(this);
    std::thread mAssembly;
};

}  // namespace kestrova
