#pragma once

#include <exception>
#include <string_view>

#include "platform/runtime/Diagnostics.h"

namespace kestrova::runtime {

// Runs one step of a procedure. A step that throws is skipped: the failure
// is written to stderr, naming the step, and the caller goes on with its
// next step. Returns whether the step completed.
template <class Step>
bool Attempt(std::string_view what, Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        ReportFailure(what, error.what());
    } catch (...) {
        ReportFailure(what, "unknown error");
    }
    return false;
}

}  // namespace kestrova::runtime
