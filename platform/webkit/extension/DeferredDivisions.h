#pragma once

#include <jsc/jsc.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/MappedText.h"

namespace kestrova::platform {

// The hidden divisions of the page whose content the view has not built
// yet, and the page text they are built from: with each part of the page,
// a sealed file from the window process with the page text the part
// covers, mapped read only. A division is built, once, the first time
// anything could tell it from a built one: its display changes, or a
// lookup asks for an element inside it.
class DeferredDivisions {
public:
    DeferredDivisions() = default;
    DeferredDivisions(const DeferredDivisions&) = delete;
    DeferredDivisions& operator=(const DeferredDivisions&) = delete;

    // The divisions that wait, and where each one's content lies in the
    // page text; `text` is the page text from `offset` on that holds them.
    // Throws runtime::Failure, and takes none of them, when one does not lie
    // inside it.
    void Expect(std::vector<deferred::DeferredDivision> divisions,
                std::shared_ptr<const MappedText> text, std::uint64_t offset);
    // More of them, from a part of the page written after the first.
    void ExpectMore(std::vector<deferred::DeferredDivision> divisions,
                    std::shared_ptr<const MappedText> text, std::uint64_t offset);
    // A new document: nothing waits any more.
    void Forget();
    // From now on the divisions of the parts to come are out of the
    // document until they are said to be in it: the rows that hold them
    // stand outside the view's window over the outline.
    void KeepOutOfTheDocument();
    // Every division not built is in the document again, as it comes.
    void BackInTheDocument();
    // A division came into the document as the page text has it, its
    // content left out, or left the document.
    void Present(const std::string& id);
    void Absent(const std::string& id);
    // What to do with each division once its content is built.
    void OnBuilt(std::function<void(JSCValue* division)> built) { onBuilt_ = std::move(built); }
    bool Empty() const { return waiting_.empty(); }

    // Builds `element`'s content when it is a division that waits.
    void BuildIfWaiting(JSCValue* element);
    // Builds the divisions whose content holds an element with this id or
    // name, or an element of this tag; says whether there was any.
    bool BuildHoldingName(JSCValue* document, std::string_view idOrName);
    bool BuildHoldingTag(JSCValue* document, std::string_view tagName);

private:
    // Where a division's content lies in the page text, and the piece of
    // the page text that holds it.
    struct Content {
        std::size_t offset;
        std::size_t length;
        std::shared_ptr<const MappedText> text;
        std::size_t textOffset;
    };
    std::string_view TextOf(const Content& content) const;
    void Build(JSCValue* element, const Content& content);
    bool BuildNamed(JSCValue* document, const std::vector<std::string>& divisionIds);
    void IndexContents();
    void Unindex();

    std::function<void(JSCValue*)> onBuilt_;
    // Every division left out, and those in the document whose content
    // waits.
    std::unordered_map<std::string, Content> contents_;
    std::unordered_set<std::string> waiting_;
    std::unordered_set<std::string> built_;
    bool outOfTheDocument_ = false;
    // Read from the contents the first time a lookup needs them: which
    // waiting divisions hold an element of an id or name, or of a tag.
    bool indexed_ = false;
    std::unordered_map<std::string, std::vector<std::string>> holdersOfName_;
    std::unordered_map<std::string, std::vector<std::string>> holdersOfTag_;
};

}  // namespace kestrova::platform
