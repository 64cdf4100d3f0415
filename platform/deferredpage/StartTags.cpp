#include "platform/deferredpage/StartTags.h"

#include <array>
#include <cctype>

namespace kestrova::platform::deferred {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Tag names are ASCII; the locale has no say in them.
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Elements whose content is text, never tags, up to their own end tag.
bool HoldsRawText(const std::string& name) {
    if (name.empty() || std::string_view("stxin").find(name[0]) == std::string_view::npos) {
        return false;
    }
    static const std::array<std::string_view, 9> kRaw = {
        "style", "script", "textarea", "title", "xmp", "iframe", "noembed", "noframes", "noscript"};
    for (const auto raw : kRaw) {
        if (name == raw) {
            return true;
        }
    }
    return false;
}

// The position after the ">" that closes a tag opened before `from`,
// quoted attribute values skipped; npos when the text ends first.
std::size_t TagClose(std::string_view text, std::size_t from) {
    char quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            // Only a quote that starts a value opens one: after "=" and blanks.
            std::size_t before = i;
            while (before > from && IsSpace(text[before - 1])) {
                --before;
            }
            if (before > from && text[before - 1] == '=') {
                quote = c;
            }
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Where the raw text of an element of that name (lower case), starting at
// `from`, ends: the "<" of its end tag, or the end of the text.
std::size_t SkipRawText(std::string_view text, std::string_view name, std::size_t from) {
    for (std::size_t at = text.find("</", from); at != std::string_view::npos;
         at = text.find("</", at + 2)) {
        std::size_t i = 0;
        while (i < name.size() && at + 2 + i < text.size() && Lower(text[at + 2 + i]) == name[i]) {
            ++i;
        }
        const std::size_t after = at + 2 + name.size();
        if (i == name.size() && (after >= text.size() || IsSpace(text[after]) ||
                                 text[after] == '>' || text[after] == '/')) {
            return at;
        }
    }
    return text.size();
}

}  // namespace

std::optional<std::size_t> MatchingDivisionEnd(std::string_view text, std::size_t from) {
    TagWalker walker(text, from);
    int depth = 1;
    while (auto tag = walker.Next()) {
        if (tag->name == "div" && (depth += tag->end ? -1 : 1) == 0) {
            return tag->begin;
        }
    }
    return std::nullopt;
}

std::optional<Tag> TagWalker::Next() {
    while (at_ < text_.size()) {
        const std::size_t open = text_.find('<', at_);
        if (open == std::string_view::npos || open + 1 >= text_.size()) {
            at_ = text_.size();
            return std::nullopt;
        }
        const char next = text_[open + 1];
        if (next == '!' && open + 3 < text_.size() && text_[open + 2] == '-' &&
            text_[open + 3] == '-') {
            const std::size_t close = text_.find("-->", open + 4);
            at_ = close == std::string_view::npos ? text_.size() : close + 3;
            continue;
        }
        if (next == '!' || next == '?') {
            const std::size_t close = text_.find('>', open + 2);
            at_ = close == std::string_view::npos ? text_.size() : close + 1;
            continue;
        }
        const bool end = next == '/';
        std::size_t nameBegin = open + (end ? 2 : 1);
        if (nameBegin >= text_.size() || !IsLetter(text_[nameBegin])) {
            at_ = open + 1;  // a "<" that starts no tag is text
            continue;
        }
        std::size_t nameEnd = nameBegin;
        while (nameEnd < text_.size() && !IsSpace(text_[nameEnd]) && text_[nameEnd] != '>' &&
               text_[nameEnd] != '/') {
            ++nameEnd;
        }
        const std::size_t close = TagClose(text_, nameEnd);
        if (close == std::string_view::npos) {
            at_ = text_.size();
            return std::nullopt;
        }
        Tag tag;
        tag.end = end;
        tag.begin = open;
        tag.after = close;
        tag.name.assign(text_.data() + nameBegin, nameEnd - nameBegin);
        for (char& c : tag.name) {
            c = Lower(c);
        }
        tag.inside = text_.substr(nameEnd, close - 1 - nameEnd);
        at_ = !end && HoldsRawText(tag.name) ? SkipRawText(text_, tag.name, close) : close;
        return tag;
    }
    return std::nullopt;
}

std::optional<std::string> AttributeOf(std::string_view inside, std::string_view name,
                                       std::size_t* valueBegin, std::size_t* valueEnd) {
    std::size_t i = 0;
    while (i < inside.size()) {
        while (i < inside.size() && (IsSpace(inside[i]) || inside[i] == '/')) {
            ++i;
        }
        const std::size_t nameBegin = i;
        while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '=' && inside[i] != '/') {
            ++i;
        }
        if (i == nameBegin) {
            ++i;
            continue;
        }
        std::string attribute;
        for (std::size_t k = nameBegin; k < i; ++k) {
            attribute += Lower(inside[k]);
        }
        std::size_t j = i;
        while (j < inside.size() && IsSpace(inside[j])) {
            ++j;
        }
        std::size_t begin = j;
        std::size_t end = j;
        bool hasValue = false;
        if (j < inside.size() && inside[j] == '=') {
            hasValue = true;
            ++j;
            while (j < inside.size() && IsSpace(inside[j])) {
                ++j;
            }
            if (j < inside.size() && (inside[j] == '"' || inside[j] == '\'')) {
                const char quote = inside[j];
                begin = j + 1;
                end = inside.find(quote, begin);
                if (end == std::string_view::npos) {
                    end = inside.size();
                }
                j = end + 1;
            } else {
                begin = j;
                while (j < inside.size() && !IsSpace(inside[j])) {
                    ++j;
                }
                end = j;
            }
            i = j;
        }
        if (attribute == name) {
            if (valueBegin) {
                *valueBegin = hasValue ? begin : i;
            }
            if (valueEnd) {
                *valueEnd = hasValue ? end : i;
            }
            return hasValue ? std::string(inside.substr(begin, end - begin)) : std::string();
        }
    }
    return std::nullopt;
}

}  // namespace kestrova::platform::deferred
