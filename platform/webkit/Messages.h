#pragma once

// The messages between the window process and the page in the web process.
// Each name has one payload type and one handler: in the program's web
// process side (shell/webprocess/) for those the window sends, in the
// browser control (WebKitBrowser) for those the web process sends.

namespace kestrova::platform::messages {

// From now on the page's click and mouse-out reach the window's handlers.
// Payload: none.
inline constexpr const char* kBindEvents = "kestrova.bind-events";

// Store a property of the element at a position among the elements of a tag
// name. Payload "(sqss)": tag name, position, property ("href"), value.
inline constexpr const char* kPutElementProperty = "kestrova.put-element-property";
inline constexpr const char* kPutElementPropertyType = "(sqss)";

// The page to write into the document, which is empty until then: the page
// without the content of its hidden divisions, each of which is built when
// it is first shown. It comes in parts: the start in kWritePage, the parts
// after it, if any, each in kMorePage, to write after the parts before it.
// Each message carries two files the web process can only read: its part
// of the text to write (sealed), and a file that holds the page text the
// part covers, from which the divisions it left out are built: the page's
// own file, which is never changed or made shorter, or a sealed copy.
// Payload of both (kPagePartType): for each division of the part left out,
// its id and where its content lies in the page text; whether more of the
// text follows in kMorePage; where in the page text the piece of it starts;
// where in the second file that piece lies, and its length.
inline constexpr const char* kWritePage = "kestrova.write-page";
inline constexpr const char* kMorePage = "kestrova.more-page";
inline constexpr const char* kPagePartType = "(a(stt)bttt)";

// Whether more of the page's text follows a part of it, or the text ends
// with it.
enum class MoreText { Follows, Ends };

// Set a property of an element, known by its id or else its name, again,
// on a page put back after its web process ended: as the window's handlers
// set it on the page before. Payload "(sssx)": id or name, property
// ("src", "className" or "display"), value, and the block of the outline's
// rows that holds the element (-1 when it is in none, or the page's rows
// are not windowed).
inline constexpr const char* kRestoreProperty = "kestrova.restore-property";

// From the web process to the window: the window's handlers set a property
// of an element of the page. Payload "(sssx)", as kRestoreProperty's.
inline constexpr const char* kElementChanged = "kestrova.element-changed";
inline constexpr const char* kElementPropertyType = "(sssx)";

// From the web process to the window: where the view of a long outline
// stands, now and then as it scrolls. Payload "(xd)": the block of rows at
// the top of the view, and how many pixels below that block's top.
inline constexpr const char* kPlace = "kestrova.place";
// Scroll a page put back to where its view stood. Payload as kPlace's.
inline constexpr const char* kRestorePlace = "kestrova.restore-place";
inline constexpr const char* kPlaceType = "(xd)";

// The type of the start data WebKit hands the extension module
// (kestrova-webext.so in the application directory): the application
// directory, and whether a long outline's rows are windowed.
inline constexpr const char* kExtensionStartDataType = "(sb)";

}  // namespace kestrova::platform::messages
