#pragma once

#include <memory>
#include <string>

#include "platform/runtime/Failure.h"

namespace kestrova::runtime {

// The object behind a reference that may be empty; an empty one is a
// failure of the statement that uses it, named by `what`.
template <class Pointer>
auto& Require(const Pointer& pointer, const std::string& what) {
    if (!pointer) {
        throw Failure("there is no " + what);
    }
    return *pointer;
}

}  // namespace kestrova::runtime
