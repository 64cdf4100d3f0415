#include "platform/webkit/extension/JscDocument.h"

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::platform {

namespace {

using jsc::ValuePtr;

// Makes every picture of the page load from its own address again. Picture
// addresses that could not be resolved while the page's base was a
// placeholder are not retried by the engine when the base changes.
void ReloadPictures(JSCValue* document) {
    JSCContext* context = jsc_value_get_context(document);
    ValuePtr images = jsc::GetObject(document, "images");
    if (!images) {
        return;
    }
    ValuePtr length(jsc_value_object_get_property(images.get(), "length"));
    const gint32 count = jsc_value_to_int32(length.get());
    for (gint32 i = 0; i < count; ++i) {
        ValuePtr image(jsc_value_object_get_property_at_index(images.get(), i));
        ValuePtr source(jsc_value_object_invoke_method(image.get(), "getAttribute", G_TYPE_STRING,
                                                       "src", G_TYPE_NONE));
        if (source && jsc_value_is_string(source.get())) {
            GCharPtr text(jsc_value_to_string(source.get()));
            // Setting the same address again is not enough for the engine to
            // retry: the address is taken away first.
            ValuePtr removed(jsc_value_object_invoke_method(image.get(), "removeAttribute",
                                                            G_TYPE_STRING, "src", G_TYPE_NONE));
            ValuePtr ignored(jsc_value_object_invoke_method(image.get(), "setAttribute",
                                                            G_TYPE_STRING, "src", G_TYPE_STRING,
                                                            text.get(), G_TYPE_NONE));
        }
        jsc::ThrowPendingException(context, "reloading a picture");
    }
}

using Deferred = std::shared_ptr<DeferredDivisions>;

// A division whose content waits reads as the hidden division it is; its
// content is built before its display first changes.
class JscStyle final : public IHTMLStyle {
public:
    JscStyle(ValuePtr style, JSCValue* element, Deferred deferred)
        : style_(std::move(style)),
          element_(JSC_VALUE(g_object_ref(element))),
          deferred_(std::move(deferred)) {}
    std::string display() override { return jsc::GetString(style_.get(), "display"); }
    void put_display(const std::string& value) override {
        if (deferred_) {
            deferred_->BuildIfWaiting(element_.get());
        }
        jsc::SetString(style_.get(), "display", value);
    }

private:
    ValuePtr style_;
    ValuePtr element_;
    Deferred deferred_;
};

class JscElement final : public IHTMLElement {
public:
    JscElement(ValuePtr element, Deferred deferred)
        : element_(std::move(element)), deferred_(std::move(deferred)) {}

    std::string tagName() override { return jsc::GetString(element_.get(), "tagName"); }
    std::string Name() override { return jsc::GetString(element_.get(), "name"); }
    std::unique_ptr<IHTMLStyle> Style() override {
        ValuePtr style = jsc::GetObject(element_.get(), "style");
        if (!style) {
            throw runtime::Failure("the element has no style");
        }
        return std::make_unique<JscStyle>(std::move(style), element_.get(), deferred_);
    }
    void put_src(const std::string& address) override {
        jsc::SetString(element_.get(), "src", address);
    }
    void put_href(const std::string& address) override {
        jsc::SetString(element_.get(), "href", address);
        if (tagName() == "BASE") {
            ValuePtr document = jsc::GetObject(element_.get(), "ownerDocument");
            if (document) {
                ReloadPictures(document.get());
            }
        }
    }
    void put_className(const std::string& className) override {
        jsc::SetString(element_.get(), "className", className);
    }

private:
    ValuePtr element_;
    Deferred deferred_;
};

std::unique_ptr<IHTMLElement> ElementOrNothing(ValuePtr value, Deferred deferred) {
    if (jsc::IsNothing(value.get()) || !jsc_value_is_object(value.get())) {
        return nullptr;
    }
    return std::make_unique<JscElement>(std::move(value), std::move(deferred));
}

// An element inside a division whose content waits is found all the same:
// a lookup that finds nothing builds the divisions that hold such an
// element and looks again.
class JscCollection final : public IHTMLElementList, public IHTMLElementCollection {
public:
    JscCollection(ValuePtr collection, JSCValue* document, Deferred deferred)
        : collection_(std::move(collection)),
          document_(JSC_VALUE(g_object_ref(document))),
          deferred_(std::move(deferred)) {}

    std::unique_ptr<IHTMLElementProperties> Item(std::int16_t index) override {
        ValuePtr element(jsc_value_object_invoke_method(collection_.get(), "item", G_TYPE_INT,
                                                        static_cast<gint>(index), G_TYPE_NONE));
        jsc::ThrowPendingException(jsc_value_get_context(collection_.get()), "item");
        return ElementOrNothing(std::move(element), deferred_);
    }
    std::unique_ptr<IHTMLElement> item(const std::string& idOrName) override {
        auto element = Lookup(idOrName);
        if (!element && deferred_ && deferred_->BuildHoldingName(document_.get(), idOrName)) {
            element = Lookup(idOrName);
        }
        return element;
    }

private:
    std::unique_ptr<IHTMLElement> Lookup(const std::string& idOrName) {
        ValuePtr element(jsc_value_object_invoke_method(collection_.get(), "item", G_TYPE_STRING,
                                                        idOrName.c_str(), G_TYPE_NONE));
        jsc::ThrowPendingException(jsc_value_get_context(collection_.get()), "item");
        return ElementOrNothing(std::move(element), deferred_);
    }

    ValuePtr collection_;
    ValuePtr document_;
    Deferred deferred_;
};

class JscEvent final : public IHTMLEvent {
public:
    JscEvent(ValuePtr event, Deferred deferred)
        : event_(std::move(event)), deferred_(std::move(deferred)) {}
    std::unique_ptr<IHTMLElement> srcElement() override {
        return ElementOrNothing(jsc::GetObject(event_.get(), "srcElement"), deferred_);
    }

private:
    ValuePtr event_;
    Deferred deferred_;
};

class JscWindow final : public IHTMLWindow {
public:
    JscWindow(ValuePtr window, Deferred deferred)
        : window_(std::move(window)), deferred_(std::move(deferred)) {}
    std::unique_ptr<IHTMLEvent> event() override {
        ValuePtr event = jsc::GetObject(window_.get(), "event");
        if (!event) {
            return nullptr;
        }
        return std::make_unique<JscEvent>(std::move(event), deferred_);
    }

private:
    ValuePtr window_;
    Deferred deferred_;
};

gboolean DispatchClick(gpointer receiver) {
    return static_cast<HTMLDocumentEvents*>(receiver)->onclick() ? TRUE : FALSE;
}

void DispatchMouseOut(gpointer receiver) {
    static_cast<HTMLDocumentEvents*>(receiver)->onmouseout();
}

}  // namespace

JscDocument::JscDocument(JSCContext* context, std::shared_ptr<DeferredDivisions> deferred)
    : context_(GObjectPtr<JSCContext>(JSC_CONTEXT(g_object_ref(context)))),
      document_(jsc_context_get_value(context, "document")),
      deferred_(std::move(deferred)) {
    if (jsc::IsNothing(document_.get())) {
        throw runtime::Failure("the page has no document");
    }
}

JscDocument::~JscDocument() {
    Unadvise();
}

void JscDocument::write(PageText text) {
    const std::string terminated = text.ToString();
    ValuePtr ignored(jsc_value_object_invoke_method(document_.get(), "write", G_TYPE_STRING,
                                                    terminated.c_str(), G_TYPE_NONE));
    jsc::ThrowPendingException(context_.get(), "write");
}

// Positions count the elements of the whole page: the divisions that hold
// elements of that tag are built first.
std::unique_ptr<IHTMLElementList> JscDocument::getElementsByTagName(const std::string& tagName) {
    if (deferred_) {
        deferred_->BuildHoldingTag(document_.get(), tagName);
    }
    ValuePtr collection(jsc_value_object_invoke_method(
        document_.get(), "getElementsByTagName", G_TYPE_STRING, tagName.c_str(), G_TYPE_NONE));
    jsc::ThrowPendingException(context_.get(), "getElementsByTagName");
    if (jsc::IsNothing(collection.get())) {
        return nullptr;
    }
    return std::make_unique<JscCollection>(std::move(collection), document_.get(), deferred_);
}

std::unique_ptr<IHTMLWindow> JscDocument::parentWindow() {
    return std::make_unique<JscWindow>(ValuePtr(jsc_context_get_global_object(context_.get())),
                                       deferred_);
}

std::unique_ptr<IHTMLElementCollection> JscDocument::all() {
    // document.all poses as undefined to scripts, so it is read without the
    // null and undefined checks.
    ValuePtr collection = jsc::Get(document_.get(), "all");
    if (!collection || !jsc_value_is_object(collection.get())) {
        throw runtime::Failure("the document has no collection of all elements");
    }
    return std::make_unique<JscCollection>(std::move(collection), document_.get(), deferred_);
}

void JscDocument::Advise(HTMLDocumentEvents& receiver) {
    receiver_ = &receiver;
    // As event handler properties, the handlers' false result cancels the
    // default action of the click.
    ValuePtr onclick(jsc_value_new_function(context_.get(), "onclick", G_CALLBACK(DispatchClick),
                                            receiver_, nullptr, G_TYPE_BOOLEAN, 0));
    ValuePtr onmouseout(jsc_value_new_function(context_.get(), "onmouseout",
                                               G_CALLBACK(DispatchMouseOut), receiver_, nullptr,
                                               G_TYPE_NONE, 0));
    jsc_value_object_set_property(document_.get(), "onclick", onclick.get());
    jsc_value_object_set_property(document_.get(), "onmouseout", onmouseout.get());
    jsc::ThrowPendingException(context_.get(), "binding the document's events");
}

void JscDocument::Unadvise() {
    if (!receiver_) {
        return;
    }
    receiver_ = nullptr;
    ValuePtr none(jsc_value_new_null(context_.get()));
    jsc_value_object_set_property(document_.get(), "onclick", none.get());
    jsc_value_object_set_property(document_.get(), "onmouseout", none.get());
    jsc_context_clear_exception(context_.get());
}

}  // namespace kestrova::platform
