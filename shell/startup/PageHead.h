#pragma once

#include <array>
#include <string_view>

namespace kestrova {

// The sixteen lines of the page head, each with its leading blanks. The
// first is appended without a line break before it.
inline constexpr std::array<std::string_view, 16> kPageHead = {
    "<html><head><base href=\"D:\\0\\4.htm\">",
    "<style>",
    "Font",
    " {",
    "     Font -FAMILY: Arial , Verdana",
    " }",
    " .Point",
    " {",
    "CURSOR:      hand",
    " }",
    " .DontPoint",
    " {",
    "CURSOR:      Default",
    " }",
    " </style>",
    "   </head><body>",
};

inline constexpr std::string_view kPageEnd = "</body></html>";

}  // namespace kestrova
