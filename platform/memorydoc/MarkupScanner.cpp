#include "platform/memorydoc/MarkupScanner.h"

#include <cctype>

namespace kestrova::platform {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsNameChar(char c) {
    return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'';
}

std::string Folded(std::string_view text, int (*fold)(int)) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(fold(static_cast<unsigned char>(c)));
    }
    return result;
}

}  // namespace

std::optional<ScannedElement> MarkupScanner::Next() {
    while (true) {
        pos_ = text_.find('<', pos_);
        if (pos_ == std::string_view::npos) {
            pos_ = text_.size();
            return std::nullopt;
        }
        ++pos_;
        if (StartsWith("!--")) {
            SkipPast("-->");
        } else if (!AtEnd() && std::isalpha(static_cast<unsigned char>(Peek()))) {
            return ReadStartTag();
        } else {
            SkipPast(">");
        }
    }
}

bool MarkupScanner::StartsWith(std::string_view prefix) const {
    return text_.substr(pos_, prefix.size()) == prefix;
}

void MarkupScanner::SkipPast(std::string_view end) {
    const auto found = text_.find(end, pos_);
    pos_ = found == std::string_view::npos ? text_.size() : found + end.size();
}

void MarkupScanner::SkipSpaces() {
    while (!AtEnd() && IsSpace(Peek())) {
        ++pos_;
    }
}

std::string_view MarkupScanner::ReadName() {
    const auto start = pos_;
    while (!AtEnd() && IsNameChar(Peek())) {
        ++pos_;
    }
    return text_.substr(start, pos_ - start);
}

std::string MarkupScanner::ReadValue() {
    SkipSpaces();
    if (AtEnd()) {
        return {};
    }
    if (Peek() == '"' || Peek() == '\'') {
        const char quote = Peek();
        const auto start = ++pos_;
        const auto end = text_.find(quote, start);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        return std::string(text_.substr(start, end - start));
    }
    const auto start = pos_;
    while (!AtEnd() && !IsSpace(Peek()) && Peek() != '>') {
        ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
}

ScannedElement MarkupScanner::ReadStartTag() {
    ScannedElement element;
    element.tagName = Folded(ReadName(), std::toupper);
    while (true) {
        SkipSpaces();
        if (AtEnd()) {
            break;
        }
        if (Peek() == '>') {
            ++pos_;
            break;
        }
        if (Peek() == '/' || Peek() == '=' || Peek() == '"' || Peek() == '\'') {
            ++pos_;
            continue;
        }
        const auto name = Folded(ReadName(), std::tolower);
        SkipSpaces();
        std::string value;
        if (!AtEnd() && Peek() == '=') {
            ++pos_;
            value = ReadValue();
        }
        element.attributes.emplace(name, std::move(value));  // the first one wins
    }
    return element;
}

std::vector<ScannedElement> ScanStartTags(std::string_view markup) {
    MarkupScanner scanner(markup);
    std::vector<ScannedElement> elements;
    while (auto element = scanner.Next()) {
        elements.push_back(std::move(*element));
    }
    return elements;
}

}  // namespace kestrova::platform
