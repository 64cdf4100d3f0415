#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <stop_token>
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
//
// A long page can be split in two parts: its start, quickly, so that the
// view can show the first rows, and then the rest. Together they give
// what one split of the page gives, unless an id left out in the start is
// used again in the rest; the rest then says so and the page must be split
// as one.
class DeferredPage {
public:
    static DeferredPage Split(std::string_view page);
    // The page from its start up to the first tag after which the text the
    // view first builds holds `firstTextBytes` bytes, or the whole page.
    static DeferredPage SplitStart(std::string_view page, std::size_t firstTextBytes);
    // The page after `start`, which SplitStart gave; nullopt when an id of
    // the start is used again in it, or when `stop` is asked for first.
    static std::optional<DeferredPage> SplitRest(std::string_view page, const DeferredPage& start,
                                                 std::stop_token stop = {});
    // The whole page, kept in the text the view first builds.
    static DeferredPage Whole(std::string_view page);

    const std::string& FirstText() const { return firstText_; }
    const std::vector<DeferredDivision>& Divisions() const { return divisions_; }
    // Where in the page this part ends: the page's size, unless it is a start.
    std::size_t End() const { return end_; }

    // Sets an attribute of the element at `index` among the elements of
    // `tagName` in the page, in the text the view first builds. Says
    // whether it could: the element is there, outside the contents left out.
    bool SetAttribute(std::string_view tagName, std::size_t index, std::string_view attribute,
                      std::string_view value);

private:
    struct Candidates;
    static Candidates FindCandidates(std::string_view page, std::size_t from,
                                     std::size_t firstTextBytes, std::stop_token stop);
    // The part of the page from `from` to the candidates' end, with the
    // content of every candidate whose id is its own left out.
    static DeferredPage Assemble(std::string_view page, std::size_t from, Candidates candidates,
                                 const std::set<std::string>& idsUsedBefore);

    std::string_view page_;  // the page, up to this part's end
    std::string firstText_;
    std::vector<DeferredDivision> divisions_;
    std::size_t end_ = 0;
    // The ids of every hidden division this part could leave out.
    std::set<std::string> candidateIds_;
    // Attributes set so far: where their element stands in the page, and by
    // how much each changed the length of the first text.
    std::vector<std::pair<std::size_t, std::ptrdiff_t>> edits_;
};

// Whether a start tag's style says the element is hidden, as the page
// writes it: "display:none", blanks and case aside.
bool StyleHides(std::string_view style);

}  // namespace kestrova::platform::deferred
