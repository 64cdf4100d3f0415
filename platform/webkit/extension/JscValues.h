#pragma once

#include <jsc/jsc.h>

#include <string>

#include "platform/webkit/GlibHandles.h"

// Small helpers over JavaScriptCore values that turn a JavaScript exception
// or a missing value into a runtime::Failure.

namespace kestrova::platform::jsc {

using ValuePtr = GObjectPtr<JSCValue>;

// Throws if the context holds an exception, clearing it.
void ThrowPendingException(JSCContext* context, const char* what);

ValuePtr Get(JSCValue* object, const char* property);
// Null and undefined give nullptr.
ValuePtr GetObject(JSCValue* object, const char* property);
// A property that must be a string.
std::string GetString(JSCValue* object, const char* property);
void SetString(JSCValue* object, const char* property, const std::string& value);

bool IsNothing(JSCValue* value);

}  // namespace kestrova::platform::jsc
