#include "platform/memorydoc/MemoryDocument.h"
#include "platform/runtime/TextCompare.h"

#include <cctype>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

using Model = MemoryDocument::Model;

std::string Trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) {
        return {};
    }
    const auto end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

// The display property of an inline style such as "display:none".
std::string DisplayOf(const ScannedElement& element) {
    const auto style = element.attributes.find("style");
    if (style == element.attributes.end()) {
        return {};
    }
    std::string_view rest = style->second;
    std::string display;
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const auto declaration = rest.substr(0, end);
        const auto colon = declaration.find(':');
        if (colon != std::string_view::npos &&
            runtime::EqualsIgnoringCase(Trimmed(declaration.substr(0, colon)), "display")) {
            display = Trimmed(declaration.substr(colon + 1));
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return display;
}

class MemoryStyle final : public IHTMLStyle {
public:
    MemoryStyle(std::shared_ptr<Model> model, std::size_t node) : model_(model), node_(node) {}
    std::string display() override { return model_->nodes[node_].display; }
    void put_display(const std::string& value) override { model_->nodes[node_].display = value; }

private:
    std::shared_ptr<Model> model_;
    std::size_t node_;
};

class MemoryElement final : public IHTMLElement {
public:
    MemoryElement(std::shared_ptr<Model> model, std::size_t node) : model_(model), node_(node) {}
    std::string tagName() override { return Node().element.tagName; }
    std::string Name() override {
        const auto& attributes = Node().element.attributes;
        const auto name = attributes.find("name");
        return name == attributes.end() ? std::string() : name->second;
    }
    std::unique_ptr<IHTMLStyle> Style() override {
        return std::make_unique<MemoryStyle>(model_, node_);
    }
    void put_src(const std::string& address) override { Put("src", address); }
    void put_href(const std::string& address) override { Put("href", address); }
    void put_className(const std::string& className) override { Put("class", className); }

private:
    MemoryDocument::Node& Node() const { return model_->nodes[node_]; }
    void Put(const std::string& attribute, const std::string& value) {
        Node().element.attributes[attribute] = value;
    }

    std::shared_ptr<Model> model_;
    std::size_t node_;
};

// The elements with a tag name, or all elements (an empty tag name), found
// as far as asked for.
class MemoryCollection final : public IHTMLElementList, public IHTMLElementCollection {
public:
    MemoryCollection(std::shared_ptr<Model> model, std::string tagName)
        : model_(model), tagName_(std::move(tagName)) {}
    std::unique_ptr<IHTMLElementProperties> Item(std::int16_t index) override {
        if (index < 0) {
            return nullptr;
        }
        while (nodes_.size() <= static_cast<std::size_t>(index) && FindMore()) {
        }
        if (static_cast<std::size_t>(index) >= nodes_.size()) {
            return nullptr;
        }
        return std::make_unique<MemoryElement>(model_, nodes_[index]);
    }
    std::unique_ptr<IHTMLElement> item(const std::string& idOrName) override {
        while (FindMore()) {
        }
        for (const auto node : nodes_) {
            const auto& attributes = model_->nodes[node].element.attributes;
            for (const char* key : {"id", "name"}) {
                const auto found = attributes.find(key);
                if (found != attributes.end() && found->second == idOrName) {
                    return std::make_unique<MemoryElement>(model_, node);
                }
            }
        }
        return nullptr;
    }

private:
    // Looks at the next element of the document; false at its end.
    bool FindMore() {
        if (next_ == model_->nodes.size() && !model_->ScanOne()) {
            return false;
        }
        const std::size_t node = next_++;
        if (tagName_.empty() ||
            runtime::EqualsIgnoringCase(model_->nodes[node].element.tagName, tagName_)) {
            nodes_.push_back(node);
        }
        return true;
    }

    std::shared_ptr<Model> model_;
    std::string tagName_;
    std::vector<std::size_t> nodes_;
    std::size_t next_ = 0;
};

class MemoryEvent final : public IHTMLEvent {
public:
    explicit MemoryEvent(std::shared_ptr<Model> model) : model_(model) {}
    std::unique_ptr<IHTMLElement> srcElement() override {
        if (!model_->eventSource) {
            return nullptr;
        }
        return std::make_unique<MemoryElement>(model_, *model_->eventSource);
    }

private:
    std::shared_ptr<Model> model_;
};

class MemoryWindow final : public IHTMLWindow {
public:
    explicit MemoryWindow(std::shared_ptr<Model> model) : model_(model) {}
    std::unique_ptr<IHTMLEvent> event() override {
        if (!model_->inEvent) {
            return nullptr;
        }
        return std::make_unique<MemoryEvent>(model_);
    }

private:
    std::shared_ptr<Model> model_;
};

}  // namespace

MemoryDocument::MemoryDocument() : model_(std::make_shared<Model>()) {}

bool MemoryDocument::Model::ScanOne() {
    MarkupScanner scanner(text, scanPosition);
    auto element = scanner.Next();
    scanPosition = scanner.Position();
    if (!element) {
        return false;
    }
    auto display = DisplayOf(*element);
    nodes.push_back(Node{std::move(*element), std::move(display)});
    return true;
}

void MemoryDocument::Model::ScanAll() {
    while (ScanOne()) {
    }
}

void MemoryDocument::write(PageText text) {
    // The first write keeps the text where it lies; a later one joins them.
    if (model_->text.empty()) {
        model_->text = std::move(text);
    } else {
        std::string joined(model_->text.View());
        joined += text.View();
        model_->text = PageText(std::move(joined));
    }
    ++model_->writeCount;
}

std::unique_ptr<IHTMLElementList> MemoryDocument::getElementsByTagName(const std::string& tagName) {
    if (tagName.empty()) {
        return std::make_unique<MemoryCollection>(model_, "-");  // no element has that tag
    }
    return std::make_unique<MemoryCollection>(model_, tagName);
}

std::unique_ptr<IHTMLWindow> MemoryDocument::parentWindow() {
    return std::make_unique<MemoryWindow>(model_);
}

std::unique_ptr<IHTMLElementCollection> MemoryDocument::all() {
    return std::make_unique<MemoryCollection>(model_, "");
}

void MemoryDocument::Advise(HTMLDocumentEvents& receiver) {
    receiver_ = &receiver;
}
void MemoryDocument::Unadvise() {
    receiver_ = nullptr;
}

std::string_view MemoryDocument::WrittenText() const {
    return model_->text.View();
}
int MemoryDocument::WriteCount() const {
    return model_->writeCount;
}
std::size_t MemoryDocument::ElementCount() const {
    return model_->nodes.size();
}
std::string MemoryDocument::TagName(std::size_t element) const {
    return model_->nodes.at(element).element.tagName;
}

std::optional<std::size_t> MemoryDocument::Find(std::string_view attribute,
                                                std::string_view value) const {
    model_->ScanAll();
    for (std::size_t i = 0; i < model_->nodes.size(); ++i) {
        if (Attribute(i, attribute) == value) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> MemoryDocument::Attribute(std::size_t element,
                                                     std::string_view name) const {
    model_->ScanAll();
    const auto& node = model_->nodes.at(element);
    if (name == "display") {
        return node.display;
    }
    const auto found = node.element.attributes.find(std::string(name));
    if (found == node.element.attributes.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<bool> MemoryDocument::DispatchClick(std::optional<std::size_t> element) {
    if (!receiver_) {
        return std::nullopt;
    }
    model_->ScanAll();  // the element's position counts among all elements
    if (element && *element >= model_->nodes.size()) {
        element.reset();
    }
    model_->eventSource = element;
    model_->inEvent = true;
    const bool answer = receiver_->onclick();
    model_->inEvent = false;
    return answer;
}

bool MemoryDocument::DispatchMouseOut(std::optional<std::size_t> element) {
    if (!receiver_) {
        return false;
    }
    model_->ScanAll();
    if (element && *element >= model_->nodes.size()) {
        element.reset();
    }
    model_->eventSource = element;
    model_->inEvent = true;
    receiver_->onmouseout();
    model_->inEvent = false;
    return true;
}

}  // namespace kestrova::platform
