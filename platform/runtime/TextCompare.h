#pragma once

#include <cctype>
#include <string_view>

namespace kestrova::runtime {

// Whether two ASCII texts are equal when upper and lower case are not told
// apart (keywords, attribute and setting names).
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace kestrova::runtime
