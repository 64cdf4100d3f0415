#include "platform/webkit/extension/RowWindow.h"

#include <limits>

#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/extension/JscValues.h"
#include "platform/webkit/extension/RowWindowScript.h"

namespace kestrova::platform {

namespace {

using jsc::ValuePtr;

// The page's script, evaluated once for the document's context.
JSCValue* Script(JSCContext* context) {
    static GObjectPtr<JSCContext> madeFor;
    static ValuePtr script;
    if (madeFor.get() != context || !script) {
        script.reset(jsc_context_evaluate(context, kRowWindowScript, -1));
        madeFor.reset(JSC_CONTEXT(g_object_ref(context)));
        jsc::ThrowPendingException(context, "preparing the window over the rows");
    }
    return script.get();
}

// What the bridge's functions know of the window: it may go before the
// page's script lets go of them.
using WindowRef = std::weak_ptr<RowWindow>;

template <typename Result, typename Work>
Result With(gpointer data, Result fallback, Work work) {
    const auto window = static_cast<WindowRef*>(data)->lock();
    if (!window) {
        return fallback;
    }
    Result result = fallback;
    runtime::Attempt("web process: the window over the rows", [&] { result = work(*window); });
    return result;
}

std::size_t Block(gint block) {
    return block < 0 ? 0 : static_cast<std::size_t>(block);
}

gint BridgeCount(gpointer data) {
    return With(data, 0, [](RowWindow& window) { return static_cast<gint>(window.Count()); });
}

JSCValue* BridgeMarkup(gint from, gint to, gpointer data) {
    JSCContext* context = jsc_context_get_current();
    const std::string markup = With(data, std::string(), [&](RowWindow& window) {
        return window.Markup(Block(from), Block(to));
    });
    const GBytesPtr bytes(g_bytes_new(markup.data(), markup.size()));
    return jsc_value_new_string_from_bytes(context, bytes.get());
}

void BridgeUsual(gdouble pixels, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        window.Heights().SetUsual(pixels);
        return 0;
    });
}

void BridgeHeight(gint block, gdouble pixels, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        window.Heights().Set(Block(block), pixels);
        return 0;
    });
}

gdouble BridgeOf(gint block, gpointer data) {
    return With(data, 0.0, [&](RowWindow& window) { return window.Heights().Of(Block(block)); });
}

gdouble BridgeAbove(gint block, gpointer data) {
    return With(data, 0.0, [&](RowWindow& window) { return window.Heights().Above(Block(block)); });
}

gdouble BridgeTotal(gpointer data) {
    return With(data, 0.0, [](RowWindow& window) { return window.Heights().Total(); });
}

gint BridgeAt(gdouble y, gpointer data) {
    return With(data, 0,
                [&](RowWindow& window) { return static_cast<gint>(window.Heights().At(y)); });
}

JSCValue* BridgeWidest(gpointer data) {
    JSCContext* context = jsc_context_get_current();
    JSCValue* widest = With(data, static_cast<JSCValue*>(nullptr),
                            [&](RowWindow& window) { return window.Widest(context); });
    return widest ? widest : jsc_value_new_array(context, G_TYPE_NONE);
}

void BridgePresent(const char* id, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        window.Deferred().Present(id ? id : "");
        return 0;
    });
}

void BridgeAbsent(const char* id, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        window.Deferred().Absent(id ? id : "");
        return 0;
    });
}

void BridgeBuild(JSCValue* element, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        window.Deferred().BuildIfWaiting(element);
        return 0;
    });
}

void BridgeButtons(JSCValue* row, gpointer data) {
    With(data, 0, [&](RowWindow& window) {
        if (window.TheHooks().rowsCameIn) {
            window.TheHooks().rowsCameIn(row);
        }
        return 0;
    });
}

void BridgeMoved(gpointer data) {
    With(data, 0, [](RowWindow& window) {
        if (window.TheHooks().moved) {
            window.TheHooks().moved();
        }
        return 0;
    });
}

void BridgeFailed(const char* message, gpointer data) {
    With(data, 0, [&](RowWindow&) {
        runtime::ReportFailure("web process: the window over the rows", message ? message : "");
        return 0;
    });
}

void Forget(gpointer data) {
    delete static_cast<WindowRef*>(data);
}

// Sets a function of the bridge; `types` are its parameters'.
template <typename... Types>
void SetFunction(JSCValue* bridge, const std::shared_ptr<RowWindow>& window, const char* name,
                 GCallback callback, GType result, Types... types) {
    JSCContext* context = jsc_value_get_context(bridge);
    ValuePtr function(jsc_value_new_function(context, name, callback, new WindowRef(window),
                                             &Forget, result, sizeof...(types), types...));
    jsc_value_object_set_property(bridge, name, function.get());
}

}  // namespace

RowWindow::RowWindow(const deferred::OutlineRows& rows, std::shared_ptr<DeferredDivisions> deferred,
                     Hooks hooks)
    : rows_(rows), deferred_(std::move(deferred)), hooks_(std::move(hooks)) {}

GObjectPtr<JSCValue> RowWindow::MakeBridge(JSCContext* context) {
    ValuePtr bridge(jsc_value_new_object(context, nullptr, nullptr));
    const auto self = shared_from_this();
    JSCValue* b = bridge.get();
    SetFunction(b, self, "count", G_CALLBACK(&BridgeCount), G_TYPE_INT);
    SetFunction(b, self, "markup", G_CALLBACK(&BridgeMarkup), JSC_TYPE_VALUE, G_TYPE_INT,
                G_TYPE_INT);
    SetFunction(b, self, "usual", G_CALLBACK(&BridgeUsual), G_TYPE_NONE, G_TYPE_DOUBLE);
    SetFunction(b, self, "height", G_CALLBACK(&BridgeHeight), G_TYPE_NONE, G_TYPE_INT,
                G_TYPE_DOUBLE);
    SetFunction(b, self, "of", G_CALLBACK(&BridgeOf), G_TYPE_DOUBLE, G_TYPE_INT);
    SetFunction(b, self, "above", G_CALLBACK(&BridgeAbove), G_TYPE_DOUBLE, G_TYPE_INT);
    SetFunction(b, self, "total", G_CALLBACK(&BridgeTotal), G_TYPE_DOUBLE);
    SetFunction(b, self, "at", G_CALLBACK(&BridgeAt), G_TYPE_INT, G_TYPE_DOUBLE);
    SetFunction(b, self, "widest", G_CALLBACK(&BridgeWidest), JSC_TYPE_VALUE);
    SetFunction(b, self, "present", G_CALLBACK(&BridgePresent), G_TYPE_NONE, G_TYPE_STRING);
    SetFunction(b, self, "absent", G_CALLBACK(&BridgeAbsent), G_TYPE_NONE, G_TYPE_STRING);
    SetFunction(b, self, "build", G_CALLBACK(&BridgeBuild), G_TYPE_NONE, JSC_TYPE_VALUE);
    SetFunction(b, self, "buttons", G_CALLBACK(&BridgeButtons), G_TYPE_NONE, JSC_TYPE_VALUE);
    SetFunction(b, self, "moved", G_CALLBACK(&BridgeMoved), G_TYPE_NONE);
    SetFunction(b, self, "failed", G_CALLBACK(&BridgeFailed), G_TYPE_NONE, G_TYPE_STRING);
    jsc::ThrowPendingException(context, "making the window's bridge");
    return bridge;
}

std::shared_ptr<RowWindow> RowWindow::Adopt(JSCContext* context, const deferred::OutlineRows& rows,
                                            std::size_t written,
                                            std::shared_ptr<DeferredDivisions> deferred,
                                            Hooks hooks) {
    const std::shared_ptr<RowWindow> window(
        new RowWindow(rows, std::move(deferred), std::move(hooks)));
    window->heights_.Resize(rows.Blocks());
    const ValuePtr bridge = window->MakeBridge(context);
    window->window_.reset(jsc_value_object_invoke_method(Script(context), "open", JSC_TYPE_VALUE,
                                                         bridge.get(), G_TYPE_NONE));
    jsc::ThrowPendingException(context, "opening the window over the rows");
    window->deferred_->KeepOutOfTheDocument();
    const ValuePtr adopted(jsc_value_object_invoke_method(
        window->window_.get(), "adopt", G_TYPE_INT,
        static_cast<gint>(std::min<std::size_t>(written, std::numeric_limits<gint>::max())),
        G_TYPE_NONE));
    const bool ok = !jsc_context_get_exception(context) && jsc_value_to_boolean(adopted.get());
    jsc::ThrowPendingException(context, "taking the rows as the window");
    if (!ok) {
        window->deferred_->BackInTheDocument();
        window->window_.reset();
        return nullptr;
    }
    return window;
}

RowWindow::~RowWindow() {
    if (window_) {
        ValuePtr ignored(jsc_value_object_invoke_method(window_.get(), "stop", G_TYPE_NONE));
        jsc_context_clear_exception(jsc_value_get_context(window_.get()));
    }
}

std::string RowWindow::Markup(std::size_t from, std::size_t to) const {
    return rows_.Markup(from, std::min(to, rows_.Blocks()));
}

JSCValue* RowWindow::Widest(JSCContext* context) const {
    JSCValue* columns = jsc_value_new_array(context, G_TYPE_NONE);
    gint c = 0;
    for (const auto& blocks : rows_.Widest()) {
        ValuePtr column(jsc_value_new_array(context, G_TYPE_NONE));
        gint i = 0;
        for (const auto block : blocks) {
            ValuePtr number(jsc_value_new_number(context, static_cast<double>(block)));
            jsc_value_object_set_property_at_index(column.get(), static_cast<guint>(i++),
                                                   number.get());
        }
        jsc_value_object_set_property_at_index(columns, static_cast<guint>(c++), column.get());
    }
    return columns;
}

void RowWindow::Grow(bool widestChanged) {
    heights_.Resize(rows_.Blocks());
    ValuePtr ignored(jsc_value_object_invoke_method(
        window_.get(), "grow", G_TYPE_INT, static_cast<gint>(heights_.Count()), G_TYPE_BOOLEAN,
        widestChanged ? TRUE : FALSE, G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(window_.get()), "adding rows to the window");
}

std::int64_t RowWindow::Changed(const ElementChange& change) {
    ValuePtr block(jsc_value_object_invoke_method(
        window_.get(), "changed", G_TYPE_STRING, change.element.c_str(), G_TYPE_STRING,
        change.property.c_str(), G_TYPE_STRING, change.value.c_str(), G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(window_.get()), "keeping a change");
    return jsc_value_is_number(block.get()) ? jsc_value_to_int32(block.get()) : -1;
}

bool RowWindow::Restore(std::int64_t block, const ElementChange& change) {
    ValuePtr restored(jsc_value_object_invoke_method(
        window_.get(), "restore", G_TYPE_INT,
        static_cast<gint>(std::min<std::int64_t>(block, std::numeric_limits<gint>::max())),
        G_TYPE_STRING, change.element.c_str(), G_TYPE_STRING, change.property.c_str(),
        G_TYPE_STRING, change.value.c_str(), G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(window_.get()), "setting a change again");
    return jsc_value_to_boolean(restored.get());
}

std::optional<RowWindow::Place> RowWindow::Where() {
    ValuePtr place(jsc_value_object_invoke_method(window_.get(), "place", G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(window_.get()), "reading the view's place");
    if (!place || !jsc_value_is_array(place.get())) {
        return std::nullopt;
    }
    ValuePtr block(jsc_value_object_get_property_at_index(place.get(), 0));
    ValuePtr offset(jsc_value_object_get_property_at_index(place.get(), 1));
    return Place{jsc_value_to_int32(block.get()), jsc_value_to_double(offset.get())};
}

bool RowWindow::GoTo(const Place& place) {
    ValuePtr went(jsc_value_object_invoke_method(
        window_.get(), "goTo", G_TYPE_INT,
        static_cast<gint>(std::min<std::int64_t>(place.block, std::numeric_limits<gint>::max())),
        G_TYPE_DOUBLE, place.offset, G_TYPE_NONE));
    jsc::ThrowPendingException(jsc_value_get_context(window_.get()), "going to a place");
    return jsc_value_to_boolean(went.get());
}

}  // namespace kestrova::platform
