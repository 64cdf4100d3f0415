#pragma once

#include <string>
#include <vector>

namespace kestrova::testing {

// One text of a list in the engine's order (tests/data/text-order), in
// UTF-8; texts of one group have equal keys.
struct ListedText {
    int group = 0;
    std::string text;
};

// The list in `file` ("general.txt", "general-legacy.txt"), in its order;
// throws when it cannot be read or a line is not "group<TAB>text".
std::vector<ListedText> EngineOrderList(const std::string& file);

}  // namespace kestrova::testing
