#pragma once

#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <string>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

inline std::string Utf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

inline void CheckIcu(UErrorCode status, const char* what) {
    if (U_FAILURE(status)) {
        throw runtime::Failure(std::string(what) + ": " + u_errorName(status));
    }
}

}  // namespace kestrova::platform
