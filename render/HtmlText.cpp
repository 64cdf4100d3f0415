#include "render/HtmlText.h"

namespace kestrova {

std::string HtmlText(std::string_view text) {
    if (text.find_first_of("&<>") == std::string_view::npos) {
        return std::string(text);
    }
    std::string escaped;
    escaped.reserve(text.size() + 16);
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace kestrova
