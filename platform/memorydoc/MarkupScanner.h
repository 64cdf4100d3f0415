#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::platform {

struct ScannedElement {
    std::string tagName;                            // upper case
    std::map<std::string, std::string> attributes;  // names in lower case
};

// The start tags of an HTML text, in document order. Comments, end tags and
// declarations are passed over; attribute values may be double-quoted,
// single-quoted or bare. Character references are left as written.
std::vector<ScannedElement> ScanStartTags(std::string_view markup);

}  // namespace kestrova::platform
