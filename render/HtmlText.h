#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Database text made safe to stand in the page as text: "&", "<" and ">"
// become character references, so that a name or value can never act as
// markup; the reader sees the original characters.
// Gives the text itself when it needs no change, else its escaped form,
// written into `escaped`.
std::string_view HtmlText(std::string_view text, std::string& escaped);

// Text made safe to stand inside a double-quoted attribute value.
std::string HtmlAttribute(std::string_view text);

}  // namespace kestrova
