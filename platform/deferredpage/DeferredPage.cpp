#include "platform/deferredpage/DeferredPage.h"

#include <cctype>
#include <map>

#include "platform/deferredpage/StartTags.h"

namespace kestrova::platform::deferred {

namespace {

std::string AttributeText(std::string_view value) {
    std::string text = "\"";
    for (const char c : value) {
        switch (c) {
            case '&':
                text += "&amp;";
                break;
            case '"':
                text += "&quot;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            default:
                text += c;
        }
    }
    return text + "\"";
}

}  // namespace

bool StyleHides(std::string_view style) {
    std::string compact;
    for (const char c : style) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f') {
            compact += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return compact == "display:none" || compact == "display:none;";
}

DeferredPage DeferredPage::Whole(std::string_view page) {
    DeferredPage whole;
    whole.page_ = page;
    whole.firstText_ = std::string(page);
    return whole;
}

DeferredPage DeferredPage::Split(std::string_view page) {
    // First the candidates, then only those whose id is theirs alone.
    std::vector<DeferredDivision> candidates;
    std::map<std::string, int> uses;
    TagWalker walker(page);
    while (auto tag = walker.Next()) {
        if (tag->end || tag->name != "div") {
            continue;
        }
        const auto style = AttributeOf(tag->inside, "style");
        const auto id = AttributeOf(tag->inside, "id");
        if (!style || !id || id->empty() || !StyleHides(*style)) {
            continue;
        }
        const auto end = MatchingDivisionEnd(page, tag->after);
        if (!end) {
            continue;
        }
        ++uses[*id];
        candidates.push_back(DeferredDivision{*id, tag->after, *end - tag->after});
        walker = TagWalker(page, *end);
    }

    DeferredPage split;
    split.page_ = page;
    std::size_t copied = 0;
    for (auto& division : candidates) {
        if (uses[division.id] != 1) {
            continue;
        }
        split.firstText_.append(page.substr(copied, division.offset - copied));
        copied = division.offset + division.length;
        split.divisions_.push_back(std::move(division));
    }
    split.firstText_.append(page.substr(copied));
    return split;
}

bool DeferredPage::SetAttribute(std::string_view tagName, std::size_t index,
                                std::string_view attribute, std::string_view value) {
    std::string name;
    for (const char c : tagName) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    TagWalker walker(page_);
    std::size_t seen = 0;
    std::optional<Tag> found;
    while (auto tag = walker.Next()) {
        if (!tag->end && tag->name == name && seen++ == index) {
            found = std::move(tag);
            break;
        }
    }
    if (!found) {
        return false;
    }
    // Where the element stands in the first text: before it, every content
    // left out shortens the text.
    std::size_t removed = 0;
    for (const auto& division : divisions_) {
        if (division.offset + division.length <= found->begin) {
            removed += division.length;
        } else if (division.offset <= found->begin) {
            return false;  // inside a content left out
        }
    }
    // Attributes set before, in elements before this one, moved it too.
    std::ptrdiff_t moved = 0;
    for (const auto& [position, change] : edits_) {
        if (position < found->begin) {
            moved += change;
        }
    }
    const std::size_t sizeBefore = firstText_.size();
    // The tag as it stands in the first text now, with what was set in it.
    TagWalker here(firstText_, found->begin - removed + moved);
    const auto current = here.Next();
    if (!current) {
        return false;
    }
    const std::size_t insideAt = current->after - 1 - current->inside.size();
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    if (AttributeOf(current->inside, attribute, &valueBegin, &valueEnd)) {
        // Quotes, if any, go with the value replaced.
        const bool quoted =
            valueBegin > 0 && valueEnd < current->inside.size() &&
            (current->inside[valueBegin - 1] == '"' || current->inside[valueBegin - 1] == '\'');
        const std::size_t from = insideAt + valueBegin - (quoted ? 1 : 0);
        const std::size_t to = insideAt + valueEnd + (quoted ? 1 : 0);
        const bool bare = valueBegin == valueEnd && !quoted &&
                          (valueBegin == 0 || current->inside[valueBegin - 1] != '=');
        // Appended, not added to a literal: GCC 12 warns falsely on
        // `"literal" + std::string&&` in optimised builds.
        std::string replacement = bare ? "=" : "";
        replacement.append(AttributeText(value));
        firstText_.replace(from, to - from, replacement);
    } else {
        std::size_t at = insideAt + current->inside.size();
        if (!current->inside.empty() && current->inside.back() == '/') {
            --at;
        }
        std::string added = " ";
        added.append(attribute).append("=").append(AttributeText(value));
        firstText_.insert(at, added);
    }
    edits_.emplace_back(found->begin, static_cast<std::ptrdiff_t>(firstText_.size()) -
                                          static_cast<std::ptrdiff_t>(sizeBefore));
    return true;
}

}  // namespace kestrova::platform::deferred
