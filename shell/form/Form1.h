#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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
    void ShowOutlinePage(PageData data = PageData::Database);
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
};

}  // namespace kestrova
