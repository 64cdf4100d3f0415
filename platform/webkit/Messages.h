#pragma once

// The messages the window process sends to the page in the web process.
// Each name has one payload type; the program's web process side
// (shell/webprocess/) has one handler for each.

namespace kestrova::platform::messages {

// From now on the page's click and mouse-out reach the window's handlers.
// Payload: none.
inline constexpr const char* kBindEvents = "kestrova.bind-events";

// Store a property of the element at a position among the elements of a tag
// name. Payload "(sqss)": tag name, position, property ("href"), value.
inline constexpr const char* kPutElementProperty = "kestrova.put-element-property";
inline constexpr const char* kPutElementPropertyType = "(sqss)";

// The whole page text, for the hidden divisions whose content the view
// builds when they are first shown. The message carries one file, sealed,
// with the text; the payload says, for each such division, its id and
// where its content lies in the text.
inline constexpr const char* kPageText = "kestrova.page-text";
inline constexpr const char* kPageTextType = "(a(stt))";

// The type of the start data WebKit hands the extension module
// (kestrova-webext.so in the application directory): the application
// directory.
inline constexpr const char* kExtensionStartDataType = "s";

}  // namespace kestrova::platform::messages
