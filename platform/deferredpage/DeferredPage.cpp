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
    whole.end_ = page.size();
    return whole;
}

namespace {

// The id of a hidden division with an id, whose start tag this is.
std::optional<std::string> HiddenDivisionId(const Tag& tag) {
    if (tag.end || tag.name != "div") {
        return std::nullopt;
    }
    const auto style = AttributeOf(tag.inside, "style");
    auto id = AttributeOf(tag.inside, "id");
    if (!style || !id || id->empty() || !StyleHides(*style)) {
        return std::nullopt;
    }
    return id;
}

}  // namespace

// The hidden divisions with an id and an end tag, from where the reading
// stands, until the text the view first builds holds `firstTextBytes`
// bytes: the part ends there, after a tag, never inside such a division.
// Where the page so far ends first, the reading waits for more of it.
PartSplitter::Found PartSplitter::FindCandidates(std::size_t firstTextBytes, std::stop_token stop) {
    Candidates& found = reading_;
    TagWalker walker(page_, found.at);
    for (;;) {
        const std::size_t before = walker.Position();
        auto tag = walker.Next();
        if (!tag) {
            if (!known_) {
                found.at = before;
                return Found::NeedsMore;
            }
            found.at = page_.size();
            return Found::Part;
        }
        if (auto id = HiddenDivisionId(*tag)) {
            const auto end = MatchingDivisionEnd(page_, tag->after);
            if (!end && !known_) {
                found.at = before;  // its end is still to come
                return Found::NeedsMore;
            }
            if (end && stop.stop_requested()) {
                found.at = before;
                return Found::Stopped;
            }
            if (end) {
                ++found.uses[*id];
                found.divisions.push_back(
                    DeferredDivision{std::move(*id), tag->after, *end - tag->after});
                found.leftOut += *end - tag->after;
                walker = TagWalker(page_, *end);
            }
        }
        if (walker.Position() - end_ - found.leftOut >= firstTextBytes) {
            found.at = walker.Position();
            return Found::Part;
        }
    }
}

DeferredPage DeferredPage::Split(std::string_view page) {
    return *PartSplitter(page).Next(std::string_view::npos);
}

void PartSplitter::Grow(std::string_view page, PageEnd end) {
    page_ = page;
    known_ = end == PageEnd::Known;
}

std::optional<DeferredPage> PartSplitter::Next(std::size_t firstTextBytes, std::stop_token stop) {
    waiting_ = false;
    const std::size_t from = end_;
    if (reading_.at < from) {
        reading_ = Candidates{{}, {}, from, 0};
    }
    const Found found = FindCandidates(firstTextBytes, stop);
    if (found != Found::Part) {
        waiting_ = found == Found::NeedsMore;
        return std::nullopt;
    }
    for (const auto& [id, uses] : reading_.uses) {
        if (leftOutIds_.count(id) != 0) {
            return std::nullopt;  // left out before, but not its own
        }
    }
    Candidates candidates = std::move(reading_);
    reading_ = Candidates{{}, {}, candidates.at, 0};
    DeferredPage part;
    part.page_ = page_.substr(0, candidates.at);
    part.end_ = candidates.at;
    std::size_t copied = from;
    for (auto& division : candidates.divisions) {
        if (candidates.uses[division.id] != 1 || candidateIds_.count(division.id) != 0) {
            continue;
        }
        part.firstText_.append(page_.substr(copied, division.offset - copied));
        copied = division.offset + division.length;
        leftOutIds_.insert(division.id);
        part.divisions_.push_back(std::move(division));
    }
    part.firstText_.append(page_.substr(copied, candidates.at - copied));
    for (auto& [id, uses] : candidates.uses) {
        candidateIds_.insert(id);
    }
    end_ = candidates.at;
    return part;
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
