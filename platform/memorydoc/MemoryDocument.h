#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/document/HTMLDocument.h"
#include "platform/memorydoc/MarkupScanner.h"

namespace kestrova::platform {

// A document held in memory. It keeps the text written into it and builds
// its elements from that text; the event methods play the part of the
// user, dispatching a click or a mouse-out to the advised receiver.
class MemoryDocument final : public HTMLDocument {
public:
    MemoryDocument();

    // IHTMLDocument and HTMLDocument
    void write(PageText text) override;
    std::unique_ptr<IHTMLElementList> getElementsByTagName(const std::string& tagName) override;
    std::unique_ptr<IHTMLWindow> parentWindow() override;
    std::unique_ptr<IHTMLElementCollection> all() override;
    void Advise(HTMLDocumentEvents& receiver) override;
    void Unadvise() override;

    // What was written, and how many times write was called.
    std::string_view WrittenText() const;
    int WriteCount() const;

    // Elements, by their position in document order.
    std::optional<std::size_t> Find(std::string_view attribute, std::string_view value) const;
    std::size_t ElementCount() const;
    std::string TagName(std::size_t element) const;
    // An attribute's value; "display" gives the element's display style.
    std::optional<std::string> Attribute(std::size_t element, std::string_view name) const;

    // Dispatch an event whose source is `element` (nullopt: no element).
    // Returns the receiver's answer, or nullopt when none is advised.
    std::optional<bool> DispatchClick(std::optional<std::size_t> element);
    bool DispatchMouseOut(std::optional<std::size_t> element);

    struct Node {
        ScannedElement element;
        std::string display;
    };
    // The elements are read from the text as far as a lookup needs them.
    struct Model {
        PageText text;
        int writeCount = 0;
        std::vector<Node> nodes;
        std::size_t scanPosition = 0;
        bool ScanOne();
        void ScanAll();
        std::optional<std::size_t> eventSource;
        bool inEvent = false;
    };

private:
    std::shared_ptr<Model> model_;
    HTMLDocumentEvents* receiver_ = nullptr;
};

}  // namespace kestrova::platform
