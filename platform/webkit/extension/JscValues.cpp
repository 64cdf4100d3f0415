#include "platform/webkit/extension/JscValues.h"

#include "platform/runtime/Failure.h"

namespace kestrova::platform::jsc {

void ThrowPendingException(JSCContext* context, const char* what) {
    JSCException* exception = jsc_context_get_exception(context);
    if (!exception) {
        return;
    }
    std::string message = std::string(what) + ": " + jsc_exception_get_message(exception);
    jsc_context_clear_exception(context);
    throw runtime::Failure(message);
}

bool IsNothing(JSCValue* value) {
    return !value || jsc_value_is_null(value) || jsc_value_is_undefined(value);
}

ValuePtr Get(JSCValue* object, const char* property) {
    ValuePtr value(jsc_value_object_get_property(object, property));
    ThrowPendingException(jsc_value_get_context(object), property);
    return value;
}

ValuePtr GetObject(JSCValue* object, const char* property) {
    ValuePtr value = Get(object, property);
    if (IsNothing(value.get())) {
        return nullptr;
    }
    return value;
}

std::string GetString(JSCValue* object, const char* property) {
    ValuePtr value = Get(object, property);
    if (!value || !jsc_value_is_string(value.get())) {
        throw runtime::Failure(std::string("the ") + property + " is not text");
    }
    GCharPtr text(jsc_value_to_string(value.get()));
    return text ? text.get() : "";
}

void SetString(JSCValue* object, const char* property, const std::string& value) {
    JSCContext* context = jsc_value_get_context(object);
    ValuePtr text(jsc_value_new_string(context, value.c_str()));
    jsc_value_object_set_property(object, property, text.get());
    ThrowPendingException(context, property);
}

}  // namespace kestrova::platform::jsc
