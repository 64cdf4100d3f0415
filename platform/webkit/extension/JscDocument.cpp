#include "platform/webkit/extension/JscDocument.h"

#include <unordered_map>

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::platform {

// What the objects of one document share: the divisions whose content
// waits, the elements events came from, by name, and who hears of changes.
struct DocumentState {
    std::shared_ptr<DeferredDivisions> deferred;
    std::unordered_map<std::string, jsc::ValuePtr> eventElements;
    ChangeObserver changed;
};

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

using State = std::shared_ptr<DocumentState>;

// An element's attribute as written in the page; empty when it has none.
std::string AttributeOf(JSCValue* element, const char* name) {
    ValuePtr value(
        jsc_value_object_invoke_method(element, "getAttribute", G_TYPE_STRING, name, G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(element), "getAttribute");
    if (!value || !jsc_value_is_string(value.get())) {
        return "";
    }
    GCharPtr text(jsc_value_to_string(value.get()));
    return text ? text.get() : "";
}

// Tells the observer of a property set on an element it can find again.
void TellChange(const State& state, JSCValue* element, const char* property,
                const std::string& value) {
    if (!state || !state->changed) {
        return;
    }
    std::string key = AttributeOf(element, "id");
    if (key.empty()) {
        key = AttributeOf(element, "name");
    }
    if (!key.empty()) {
        state->changed(ElementChange{std::move(key), property, value});
    }
}

// A division whose content waits reads as the hidden division it is; its
// content is built before its display first changes.
class JscStyle final : public IHTMLStyle {
public:
    JscStyle(ValuePtr style, JSCValue* element, State state)
        : style_(std::move(style)),
          element_(JSC_VALUE(g_object_ref(element))),
          state_(std::move(state)) {}
    std::string display() override { return jsc::GetString(style_.get(), "display"); }
    void put_display(const std::string& value) override {
        if (state_ && state_->deferred) {
            state_->deferred->BuildIfWaiting(element_.get());
        }
        jsc::SetString(style_.get(), "display", value);
        TellChange(state_, element_.get(), "display", value);
    }

private:
    ValuePtr style_;
    ValuePtr element_;
    State state_;
};

class JscElement final : public IHTMLElement {
public:
    JscElement(ValuePtr element, State state)
        : element_(std::move(element)), state_(std::move(state)) {}

    std::string tagName() override { return jsc::GetString(element_.get(), "tagName"); }
    std::string Name() override { return jsc::GetString(element_.get(), "name"); }
    std::unique_ptr<IHTMLStyle> Style() override {
        ValuePtr style = jsc::GetObject(element_.get(), "style");
        if (!style) {
            throw runtime::Failure("the element has no style");
        }
        return std::make_unique<JscStyle>(std::move(style), element_.get(), state_);
    }
    void put_src(const std::string& address) override {
        jsc::SetString(element_.get(), "src", address);
        TellChange(state_, element_.get(), "src", address);
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
        TellChange(state_, element_.get(), "className", className);
    }

private:
    ValuePtr element_;
    State state_;
};

std::unique_ptr<IHTMLElement> ElementOrNothing(ValuePtr value, State state) {
    if (jsc::IsNothing(value.get()) || !jsc_value_is_object(value.get())) {
        return nullptr;
    }
    return std::make_unique<JscElement>(std::move(value), std::move(state));
}

// An element inside a division whose content waits is found all the same:
// a lookup that finds nothing builds the divisions that hold such an
// element and looks again.
class JscCollection final : public IHTMLElementList, public IHTMLElementCollection {
public:
    JscCollection(ValuePtr collection, JSCValue* document, State state)
        : collection_(std::move(collection)),
          document_(JSC_VALUE(g_object_ref(document))),
          state_(std::move(state)) {}

    std::unique_ptr<IHTMLElementProperties> Item(std::int16_t index) override {
        ValuePtr element(jsc_value_object_invoke_method(collection_.get(), "item", G_TYPE_INT,
                                                        static_cast<gint>(index), G_TYPE_NONE));
        jsc::ThrowPendingException(jsc_value_get_context(collection_.get()), "item");
        return ElementOrNothing(std::move(element), state_);
    }
    std::unique_ptr<IHTMLElement> item(const std::string& idOrName) override {
        auto element = Lookup(idOrName);
        if (!element && state_ && state_->deferred &&
            state_->deferred->BuildHoldingName(document_.get(), idOrName)) {
            element = Lookup(idOrName);
        }
        return element;
    }

private:
    // Ids and names in the page are unique, so the element with that id, or
    // the element an event came from that still bears that name, is the one
    // the collection holds. Both are found without walking the document,
    // which the collection does after every change of it: a division built
    // is such a change.
    std::unique_ptr<IHTMLElement> Lookup(const std::string& idOrName) {
        JSCContext* context = jsc_value_get_context(collection_.get());
        ValuePtr byId(jsc_value_object_invoke_method(document_.get(), "getElementById",
                                                     G_TYPE_STRING, idOrName.c_str(), G_TYPE_NONE));
        jsc::ThrowPendingException(context, "getElementById");
        if (!jsc::IsNothing(byId.get()) && jsc_value_is_object(byId.get())) {
            return ElementOrNothing(std::move(byId), state_);
        }
        if (state_) {
            const auto known = state_->eventElements.find(idOrName);
            if (known != state_->eventElements.end() && StillNamed(known->second.get(), idOrName)) {
                return ElementOrNothing(ValuePtr(JSC_VALUE(g_object_ref(known->second.get()))),
                                        state_);
            }
        }
        ValuePtr element(jsc_value_object_invoke_method(collection_.get(), "item", G_TYPE_STRING,
                                                        idOrName.c_str(), G_TYPE_NONE));
        jsc::ThrowPendingException(context, "item");
        return ElementOrNothing(std::move(element), state_);
    }

    static bool StillNamed(JSCValue* element, const std::string& name) {
        ValuePtr connected(jsc_value_object_get_property(element, "isConnected"));
        return jsc_value_to_boolean(connected.get()) && jsc::GetString(element, "name") == name;
    }

    ValuePtr collection_;
    ValuePtr document_;
    State state_;
};

class JscEvent final : public IHTMLEvent {
public:
    JscEvent(ValuePtr event, State state) : event_(std::move(event)), state_(std::move(state)) {}
    std::unique_ptr<IHTMLElement> srcElement() override {
        ValuePtr element = jsc::GetObject(event_.get(), "srcElement");
        if (element && state_ && jsc_value_is_object(element.get())) {
            ValuePtr name(jsc_value_object_get_property(element.get(), "name"));
            if (jsc_value_is_string(name.get())) {
                GCharPtr text(jsc_value_to_string(name.get()));
                if (text && *text.get()) {
                    state_->eventElements[text.get()] =
                        ValuePtr(JSC_VALUE(g_object_ref(element.get())));
                }
            }
        }
        return ElementOrNothing(std::move(element), state_);
    }

private:
    ValuePtr event_;
    State state_;
};

class JscWindow final : public IHTMLWindow {
public:
    JscWindow(ValuePtr window, State state)
        : window_(std::move(window)), state_(std::move(state)) {}
    std::unique_ptr<IHTMLEvent> event() override {
        ValuePtr event = jsc::GetObject(window_.get(), "event");
        if (!event) {
            return nullptr;
        }
        return std::make_unique<JscEvent>(std::move(event), state_);
    }

private:
    ValuePtr window_;
    State state_;
};

gboolean DispatchClick(gpointer receiver) {
    return static_cast<HTMLDocumentEvents*>(receiver)->onclick() ? TRUE : FALSE;
}

void DispatchMouseOut(gpointer receiver) {
    static_cast<HTMLDocumentEvents*>(receiver)->onmouseout();
}

}  // namespace

JscDocument::JscDocument(JSCContext* context, std::shared_ptr<DeferredDivisions> deferred,
                         ChangeObserver observer)
    : context_(GObjectPtr<JSCContext>(JSC_CONTEXT(g_object_ref(context)))),
      document_(jsc_context_get_value(context, "document")),
      state_(std::make_shared<DocumentState>()) {
    state_->deferred = std::move(deferred);
    state_->changed = std::move(observer);
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
    if (state_->deferred) {
        state_->deferred->BuildHoldingTag(document_.get(), tagName);
    }
    ValuePtr collection(jsc_value_object_invoke_method(
        document_.get(), "getElementsByTagName", G_TYPE_STRING, tagName.c_str(), G_TYPE_NONE));
    jsc::ThrowPendingException(context_.get(), "getElementsByTagName");
    if (jsc::IsNothing(collection.get())) {
        return nullptr;
    }
    return std::make_unique<JscCollection>(std::move(collection), document_.get(), state_);
}

std::unique_ptr<IHTMLWindow> JscDocument::parentWindow() {
    return std::make_unique<JscWindow>(ValuePtr(jsc_context_get_global_object(context_.get())),
                                       state_);
}

std::unique_ptr<IHTMLElementCollection> JscDocument::all() {
    // document.all poses as undefined to scripts, so it is read without the
    // null and undefined checks.
    ValuePtr collection = jsc::Get(document_.get(), "all");
    if (!collection || !jsc_value_is_object(collection.get())) {
        throw runtime::Failure("the document has no collection of all elements");
    }
    return std::make_unique<JscCollection>(std::move(collection), document_.get(), state_);
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
