#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrova::platform::deferred {

// The content of a hidden division that the view leaves out of the
// document until the division is first shown: where it stands in the text.
struct DeferredDivision {
    std::string id;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// A page split for the view: the text it first builds (the page with the
// content of each hidden division left out), and the contents left out.
//
// A division is left out when its start tag says style="display:none" and
// carries an id that no other such division has, and its end tag is found
// by counting the divisions inside it. Divisions inside one that is left
// out go with it. Everything else stays in the text as it was.
class DeferredPage {
public:
    static DeferredPage Split(std::string_view page);
    // The whole page, kept in the text the view first builds.
    static DeferredPage Whole(std::string_view page);

    const std::string& FirstText() const { return firstText_; }
    const std::vector<DeferredDivision>& Divisions() const { return divisions_; }

    // Sets an attribute of the element at `index` among the elements of
    // `tagName` in the page, in the text the view first builds. Says
    // whether it could: the element is there, outside the contents left out.
    bool SetAttribute(std::string_view tagName, std::size_t index, std::string_view attribute,
                      std::string_view value);

private:
    std::string_view page_;
    std::string firstText_;
    std::vector<DeferredDivision> divisions_;
    // Attributes set so far: where their element stands in the page, and by
    // how much each changed the length of the first text.
    std::vector<std::pair<std::size_t, std::ptrdiff_t>> edits_;
};

// Whether a start tag's style says the element is hidden, as the page
// writes it: "display:none", blanks and case aside.
bool StyleHides(std::string_view style);

}  // namespace kestrova::platform::deferred
