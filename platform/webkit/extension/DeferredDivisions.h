#pragma once

#include <jsc/jsc.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/MappedText.h"

namespace kestrova::platform {

// The hidden divisions of the page whose content the view has not built
// yet, and the page text it is built from: a sealed file from the window
// process, mapped read only. A division is built, once, the first time
// anything could tell it from a built one: its display changes, or a
// lookup asks for an element inside it.
class DeferredDivisions {
public:
    DeferredDivisions() = default;
    DeferredDivisions(const DeferredDivisions&) = delete;
    DeferredDivisions& operator=(const DeferredDivisions&) = delete;

    // The divisions that wait, and where each one's content lies in the
    // page text, which comes after them.
    void Expect(std::vector<deferred::DeferredDivision> divisions);
    // More of them, from a part of the page written after the first.
    void ExpectMore(std::vector<deferred::DeferredDivision> divisions);
    // Takes the page text; throws runtime::Failure, and forgets every
    // division, when one of them does not lie inside it.
    void Adopt(std::shared_ptr<const MappedText> text);
    // A new document: nothing waits any more.
    void Forget();
    // What to do with each division once its content is built.
    void OnBuilt(std::function<void(JSCValue* division)> built) { built_ = std::move(built); }
    bool Empty() const { return waiting_.empty(); }

    // Builds `element`'s content when it is a division that waits; before
    // the page text has come, once it comes.
    void BuildIfWaiting(JSCValue* element);
    // Builds the divisions whose content holds an element with this id or
    // name, or an element of this tag; says whether there was any.
    bool BuildHoldingName(JSCValue* document, std::string_view idOrName);
    bool BuildHoldingTag(JSCValue* document, std::string_view tagName);

private:
    struct Content {
        std::size_t offset;
        std::size_t length;
    };
    std::string_view TextOf(const Content& content) const;
    void Build(JSCValue* element, const Content& content);
    bool BuildNamed(JSCValue* document, const std::vector<std::string>& divisionIds);
    void IndexContents();

    std::shared_ptr<const MappedText> text_;
    std::function<void(JSCValue*)> built_;
    // Divisions whose display changed before the page text came.
    std::vector<GObjectPtr<JSCValue>> buildOnArrival_;
    std::unordered_map<std::string, Content> waiting_;
    // Read from the contents the first time a lookup needs them: which
    // waiting divisions hold an element of an id or name, or of a tag.
    bool indexed_ = false;
    std::unordered_map<std::string, std::vector<std::string>> holdersOfName_;
    std::unordered_map<std::string, std::vector<std::string>> holdersOfTag_;
};

}  // namespace kestrova::platform
