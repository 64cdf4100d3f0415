#include "platform/webkit/extension/DeferredDivisions.h"

#include "platform/deferredpage/StartTags.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::platform {

void DeferredDivisions::Forget() {
    contents_.clear();
    waiting_.clear();
    built_.clear();
    outOfTheDocument_ = false;
    indexed_ = false;
    holdersOfName_.clear();
    holdersOfTag_.clear();
}

void DeferredDivisions::Expect(std::vector<deferred::DeferredDivision> divisions,
                               std::shared_ptr<const MappedText> text, std::uint64_t offset) {
    Forget();
    ExpectMore(std::move(divisions), std::move(text), offset);
}

void DeferredDivisions::ExpectMore(std::vector<deferred::DeferredDivision> divisions,
                                   std::shared_ptr<const MappedText> text, std::uint64_t offset) {
    for (const auto& division : divisions) {
        if (division.offset < offset) {
            throw runtime::Failure("a division lies before the page text that comes with it");
        }
        text->Part(division.offset - offset, division.length);  // throws when outside
    }
    // Lookups read the contents that wait again.
    Unindex();
    for (auto& division : divisions) {
        if (!outOfTheDocument_) {
            waiting_.insert(division.id);
        }
        contents_.insert_or_assign(std::move(division.id),
                                   Content{division.offset, division.length, text, offset});
    }
}

void DeferredDivisions::Unindex() {
    indexed_ = false;
    holdersOfName_.clear();
    holdersOfTag_.clear();
}

void DeferredDivisions::KeepOutOfTheDocument() {
    outOfTheDocument_ = true;
    waiting_.clear();
    Unindex();
}

void DeferredDivisions::BackInTheDocument() {
    outOfTheDocument_ = false;
    for (const auto& [id, content] : contents_) {
        if (built_.count(id) == 0) {
            waiting_.insert(id);
        }
    }
    Unindex();
}

void DeferredDivisions::Present(const std::string& id) {
    if (contents_.count(id) > 0 && waiting_.insert(id).second) {
        built_.erase(id);
        Unindex();
    }
}

void DeferredDivisions::Absent(const std::string& id) {
    built_.erase(id);
    if (waiting_.erase(id) > 0) {
        Unindex();
    }
}

std::string_view DeferredDivisions::TextOf(const Content& content) const {
    return content.text->Part(content.offset - content.textOffset, content.length);
}

void DeferredDivisions::Build(JSCValue* element, const Content& content) {
    JSCContext* context = jsc_value_get_context(element);
    const std::string_view text = TextOf(content);
    const GBytesPtr bytes(g_bytes_new_static(text.data(), text.size()));
    jsc::ValuePtr markup(jsc_value_new_string_from_bytes(context, bytes.get()));
    jsc_value_object_set_property(element, "innerHTML", markup.get());
    jsc::ThrowPendingException(context, "building a division");
    if (onBuilt_) {
        onBuilt_(element);
    }
}

void DeferredDivisions::BuildIfWaiting(JSCValue* element) {
    if (waiting_.empty()) {
        return;
    }
    const std::string id = jsc::GetString(element, "id");
    const auto found = waiting_.find(id);
    if (found == waiting_.end() || jsc::GetString(element, "tagName") != "DIV") {
        return;
    }
    const Content content = contents_.at(id);
    waiting_.erase(found);
    built_.insert(id);
    Build(element, content);
}

bool DeferredDivisions::BuildNamed(JSCValue* document, const std::vector<std::string>& ids) {
    bool built = false;
    for (const auto& id : ids) {
        if (waiting_.find(id) == waiting_.end()) {
            continue;
        }
        jsc::ValuePtr division(jsc_value_object_invoke_method(
            document, "getElementById", G_TYPE_STRING, id.c_str(), G_TYPE_NONE));
        jsc::ThrowPendingException(jsc_value_get_context(document), "finding a division");
        if (division && jsc_value_is_object(division.get())) {
            BuildIfWaiting(division.get());
            built = true;
        }
    }
    return built;
}

void DeferredDivisions::IndexContents() {
    indexed_ = true;
    for (const auto& id : waiting_) {
        deferred::TagWalker walker(TextOf(contents_.at(id)));
        while (auto tag = walker.Next()) {
            if (tag->end) {
                continue;
            }
            auto& tagHolders = holdersOfTag_[tag->name];
            if (tagHolders.empty() || tagHolders.back() != id) {
                tagHolders.push_back(id);
            }
            for (const char* attribute : {"id", "name"}) {
                if (auto value = deferred::AttributeOf(tag->inside, attribute)) {
                    holdersOfName_[*value].push_back(id);
                }
            }
        }
    }
}

bool DeferredDivisions::BuildHoldingName(JSCValue* document, std::string_view idOrName) {
    if (waiting_.empty()) {
        return false;
    }
    if (!indexed_) {
        IndexContents();
    }
    const auto found = holdersOfName_.find(std::string(idOrName));
    return found != holdersOfName_.end() && BuildNamed(document, found->second);
}

bool DeferredDivisions::BuildHoldingTag(JSCValue* document, std::string_view tagName) {
    if (waiting_.empty()) {
        return false;
    }
    if (!indexed_) {
        IndexContents();
    }
    std::string name;
    for (const char c : tagName) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto found = holdersOfTag_.find(name);
    return found != holdersOfTag_.end() && BuildNamed(document, found->second);
}

}  // namespace kestrova::platform
