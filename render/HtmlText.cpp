#include "render/HtmlText.h"

namespace kestrova {

namespace {

bool NeedsEscaping(std::string_view text) {
    for (const char c : text) {
        if (c == '&' || c == '<' || c == '>') {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string_view HtmlText(std::string_view text, std::string& escaped) {
    if (!NeedsEscaping(text)) {
        return text;
    }
    escaped.clear();
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

std::string HtmlAttribute(std::string_view text) {
    std::string escaped;
    std::string value(HtmlText(text, escaped));
    std::string quoted;
    for (const char c : value) {
        if (c == '"') {
            quoted += "&quot;";
        } else {
            quoted += c;
        }
    }
    return quoted;
}

}  // namespace kestrova
