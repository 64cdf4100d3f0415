#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
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
class DeferredPage {
public:
    static DeferredPage Split(std::string_view page);
    // The whole page, kept in the text the view first builds.
    static DeferredPage Whole(std::string_view page);

    const std::string& FirstText() const { return firstText_; }
    const std::vector<DeferredDivision>& Divisions() const { return divisions_; }
    // Where in the page this part ends (see PartSplitter).
    std::size_t End() const { return end_; }

    // Sets an attribute of the element at `index` among the elements of
    // `tagName` in the page, in the text the view first builds. Says
    // whether it could: the element is there, outside the contents left out.
    bool SetAttribute(std::string_view tagName, std::size_t index, std::string_view attribute,
                      std::string_view value);

private:
    friend class PartSplitter;

    std::string_view page_;  // the page, up to this part's end
    std::string firstText_;
    std::vector<DeferredDivision> divisions_;
    std::size_t end_ = 0;
    // Attributes set so far: where their element stands in the page, and by
    // how much each changed the length of the first text.
    std::vector<std::pair<std::size_t, std::ptrdiff_t>> edits_;
};

// Whether a page's text is all there, or more of it is still to come.
enum class PageEnd { Known, NotYet };

// Splits a long page in parts, one after the other, so that the view can
// show the first rows while the rest is read. The parts together give what
// one split of the page gives, unless an id left out in a part is used
// again in a later one: that part then says so, and the page must be
// split as one.
//
// The page may be split while it is still being written: the splitter is
// then given its start, and more of it with Grow. A part that needs more
// text than has come waits for it, and so does a hidden division whose end
// has not come yet.
class PartSplitter {
public:
    explicit PartSplitter(std::string_view page, PageEnd end = PageEnd::Known)
        : page_(page), known_(end == PageEnd::Known) {}

    // The same page, with more of it after what was there before.
    void Grow(std::string_view page, PageEnd end);
    bool AtEnd() const { return known_ && end_ >= page_.size(); }
    // Where the parts so far end.
    std::size_t End() const { return end_; }
    // The next part: up to the first tag after which the text the view
    // first builds holds `firstTextBytes` bytes, or to the end. nullopt
    // when an id left out before is used again in it, when `stop` is asked
    // for first, or when the text so far ends before such a tag (Waiting).
    std::optional<DeferredPage> Next(std::size_t firstTextBytes, std::stop_token stop = {});
    // The last Next gave nothing because the part needs more of the page.
    bool Waiting() const { return waiting_; }

private:
    // The hidden divisions with an id found so far in the part being read:
    // reading stops where the page so far ends and goes on from there.
    struct Candidates {
        std::vector<DeferredDivision> divisions;
        std::map<std::string, int> uses;
        std::size_t at = 0;       // where the reading goes on
        std::size_t leftOut = 0;  // bytes of their contents
    };
    enum class Found { Part, NeedsMore, Stopped };
    Found FindCandidates(std::size_t firstTextBytes, std::stop_token stop);

    std::string_view page_;
    bool known_;
    std::size_t end_ = 0;
    Candidates reading_;
    bool waiting_ = false;
    // The ids of the hidden divisions so far: all, and those left out.
    std::set<std::string> candidateIds_;
    std::set<std::string> leftOutIds_;
};

// Whether a start tag's style says the element is hidden, as the page
// writes it: "display:none", blanks and case aside.
bool StyleHides(std::string_view style);

}  // namespace kestrova::platform::deferred
