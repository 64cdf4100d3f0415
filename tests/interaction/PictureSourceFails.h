#pragma once

#include <memory>
#include <string>

#include "platform/document/HTMLDocument.h"
#include "platform/runtime/Failure.h"

namespace kestrova::testing {

// A document whose pictures cannot be given a new source: every other call
// goes to the document it wraps.
class PictureSourceFails final : public platform::HTMLDocument {
public:
    explicit PictureSourceFails(std::shared_ptr<platform::HTMLDocument> inner)
        : inner_(std::move(inner)) {}

    void write(platform::PageText text) override { inner_->write(std::move(text)); }
    std::unique_ptr<platform::IHTMLElementList> getElementsByTagName(
        const std::string& tagName) override {
        return inner_->getElementsByTagName(tagName);
    }
    void Advise(platform::HTMLDocumentEvents& receiver) override { inner_->Advise(receiver); }
    void Unadvise() override { inner_->Unadvise(); }
    std::unique_ptr<platform::IHTMLWindow> parentWindow() override {
        return inner_->parentWindow();
    }
    std::unique_ptr<platform::IHTMLElementCollection> all() override {
        auto all = inner_->all();
        return all ? std::make_unique<Elements>(std::move(all)) : nullptr;
    }

private:
    class Element final : public platform::IHTMLElement {
    public:
        explicit Element(std::unique_ptr<platform::IHTMLElement> inner)
            : inner_(std::move(inner)) {}
        std::string tagName() override { return inner_->tagName(); }
        std::string Name() override { return inner_->Name(); }
        std::unique_ptr<platform::IHTMLStyle> Style() override { return inner_->Style(); }
        void put_src(const std::string&) override {
            throw runtime::Failure("the picture's source cannot be set");
        }
        void put_href(const std::string& address) override { inner_->put_href(address); }
        void put_className(const std::string& name) override { inner_->put_className(name); }

    private:
        std::unique_ptr<platform::IHTMLElement> inner_;
    };

    class Elements final : public platform::IHTMLElementCollection {
    public:
        explicit Elements(std::unique_ptr<platform::IHTMLElementCollection> inner)
            : inner_(std::move(inner)) {}
        std::unique_ptr<platform::IHTMLElement> item(const std::string& idOrName) override {
            auto element = inner_->item(idOrName);
            return element ? std::make_unique<Element>(std::move(element)) : nullptr;
        }

    private:
        std::unique_ptr<platform::IHTMLElementCollection> inner_;
    };

    std::shared_ptr<platform::HTMLDocument> inner_;
};

}  // namespace kestrova::testing
