#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/document/PageStretches.h"
#include "platform/document/PageText.h"

// The document object model as the program uses it. Every call may fail by
// throwing runtime::Failure. Lookups that find nothing return nullptr.
//
// Two sides use a document. Start-up writes the page and sets properties of
// elements it finds by tag and position (BrowserDocument); any browser
// control's document can do that, wherever the real document lives. The
// event handlers read elements, their names and styles, and the event being
// dispatched (HTMLDocument); only a document that holds the elements can.

namespace kestrova::platform {

class IHTMLStyle {
public:
    virtual ~IHTMLStyle() = default;
    virtual std::string display() = 0;
    virtual void put_display(const std::string& value) = 0;
};

// The properties of an element that can be set without reading it.
class IHTMLElementProperties {
public:
    virtual ~IHTMLElementProperties() = default;
    virtual void put_src(const std::string& address) = 0;
    virtual void put_href(const std::string& address) = 0;
    virtual void put_className(const std::string& className) = 0;
};

class IHTMLElement : public IHTMLElementProperties {
public:
    // Upper case for HTML elements: "IMG", "DIV", "BASE".
    virtual std::string tagName() = 0;
    // The name attribute as text.
    virtual std::string Name() = 0;
    virtual std::unique_ptr<IHTMLStyle> Style() = 0;
};

// The elements of one tag name, by position.
class IHTMLElementList {
public:
    virtual ~IHTMLElementList() = default;
    virtual std::unique_ptr<IHTMLElementProperties> Item(std::int16_t index) = 0;
};

// All elements of a document, by id or name.
class IHTMLElementCollection {
public:
    virtual ~IHTMLElementCollection() = default;
    // The element whose id or name equals `idOrName`.
    virtual std::unique_ptr<IHTMLElement> item(const std::string& idOrName) = 0;
};

class IHTMLEvent {
public:
    virtual ~IHTMLEvent() = default;
    virtual std::unique_ptr<IHTMLElement> srcElement() = 0;
};

class IHTMLWindow {
public:
    virtual ~IHTMLWindow() = default;
    // The event now being dispatched, or nullptr outside of a dispatch.
    virtual std::unique_ptr<IHTMLEvent> event() = 0;
};

class IHTMLDocument {
public:
    virtual ~IHTMLDocument() = default;
    virtual void write(PageText text) = 0;
    virtual std::unique_ptr<IHTMLElementList> getElementsByTagName(const std::string& tagName) = 0;
};

// The receiver of the two document events the program handles.
class HTMLDocumentEvents {
public:
    virtual ~HTMLDocumentEvents() = default;
    // False cancels the click's default action.
    virtual bool onclick() = 0;
    virtual void onmouseout() = 0;
};

// The document a browser control hands out: written and addressed by
// start-up, its events bound to a receiver.
class BrowserDocument : public IHTMLDocument {
public:
    // From now on the document's click and mouse-out reach `receiver`.
    virtual void Advise(HTMLDocumentEvents& receiver) = 0;
    virtual void Unadvise() = 0;
    // Before the write: where the text of the page to be written can go
    // while it is still being written, its first `lead` bytes aside
    // (see PageStretches); nullptr for a document that shows a page only
    // once it is written.
    virtual std::shared_ptr<PageStretches> TakeInStretches(std::string_view lead) {
        static_cast<void>(lead);
        return nullptr;
    }
};

// A document that holds its elements and dispatches its events: all the
// event handlers need.
class HTMLDocument : public BrowserDocument {
public:
    virtual std::unique_ptr<IHTMLWindow> parentWindow() = 0;
    virtual std::unique_ptr<IHTMLElementCollection> all() = 0;
};

}  // namespace kestrova::platform
