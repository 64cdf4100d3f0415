#pragma once

// The messages the window process sends to the page in the web process.
// Each name has one payload type and one handler in the extension.

namespace kestrova::platform::messages {

// From now on the page's click and mouse-out reach the window's handlers.
// Payload: none.
inline constexpr const char* kBindEvents = "kestrova.bind-events";

// Store a property of the element at a position among the elements of a tag
// name. Payload "(sqss)": tag name, position, property ("href"), value.
inline constexpr const char* kPutElementProperty = "kestrova.put-element-property";
inline constexpr const char* kPutElementPropertyType = "(sqss)";

// The name of the extension's module in the application directory, and the
// type of its start data: the application directory.
inline constexpr const char* kExtensionStartDataType = "s";

}  // namespace kestrova::platform::messages
