#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova::platform::deferred {

// One tag of markup as it stands in the text.
struct Tag {
    bool end = false;         // "</name"
    std::string name;         // lower case
    std::size_t begin = 0;    // position of its "<"
    std::size_t after = 0;    // position after its ">"
    std::string_view inside;  // what stands between the name and the ">"
};

// Walks the tags of a text in order, the way an HTML parser meets them:
// comments, declarations and the raw text of elements such as style or
// script hold no tags. Stops at the end of the text or of a tag cut short.
class TagWalker {
public:
    explicit TagWalker(std::string_view text, std::size_t from = 0) : text_(text), at_(from) {}
    std::optional<Tag> Next();
    // Where the walk goes on: after the last tag, or its raw text.
    std::size_t Position() const { return at_; }

private:
    std::string_view text_;
    std::size_t at_;
};

// Where the division whose start tag ends at `from` ends: the "<" of its
// matching end tag, divisions inside it counted; nullopt when there is none.
std::optional<std::size_t> MatchingDivisionEnd(std::string_view text, std::size_t from);

// The value of an attribute (name in lower case) inside a tag, as the
// parser reads it, character references left as they stand; nullopt when
// the tag has no such attribute. `valueBegin`/`valueEnd`, when given, get
// where the value stands in `inside` (quotes excluded).
std::optional<std::string> AttributeOf(std::string_view inside, std::string_view name,
                                       std::size_t* valueBegin = nullptr,
                                       std::size_t* valueEnd = nullptr);

}  // namespace kestrova::platform::deferred
