#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::platform {

struct ScannedElement {
    std::string tagName;                            // upper case
    std::map<std::string, std::string> attributes;  // names in lower case
};

// Reads the start tags of an HTML text one at a time, in document order,
// from a position on, so that a long page is only read as far as needed.
class MarkupScanner {
public:
    explicit MarkupScanner(std::string_view markup, std::size_t from = 0)
        : text_(markup), pos_(from) {}
    std::optional<ScannedElement> Next();
    std::size_t Position() const { return pos_; }

private:
    char Peek() const { return text_[pos_]; }
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool StartsWith(std::string_view prefix) const;
    void SkipPast(std::string_view end);
    void SkipSpaces();
    std::string_view ReadName();
    std::string ReadValue();
    ScannedElement ReadStartTag();

    std::string_view text_;
    std::size_t pos_;
};

// The start tags of an HTML text, in document order. Comments, end tags and
// declarations are passed over; attribute values may be double-quoted,
// single-quoted or bare. Character references are left as written.
std::vector<ScannedElement> ScanStartTags(std::string_view markup);

}  // namespace kestrova::platform
