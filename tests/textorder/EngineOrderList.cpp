#include "tests/textorder/EngineOrderList.h"

#include <fstream>
#include <stdexcept>

namespace kestrova::testing {

namespace {

// The list's escapes: \\ for a backslash, \t for a tab, \xHH for another
// control character.
std::string Unescaped(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
        if (kind == '\\' || kind == 't') {
            plain += kind == 't' ? '\t' : '\\';
            ++i;
        } else if (kind == 'x' && i + 3 < text.size()) {
            plain += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            throw std::runtime_error("a broken escape in the list: " + text);
        }
    }
    return plain;
}

}  // namespace

std::vector<ListedText> EngineOrderList(const std::string& file) {
    std::ifstream in(std::string(KESTROVA_SOURCE_DIR) + "/tests/data/text-order/" + file);
    if (!in) {
        throw std::runtime_error("cannot read the list " + file);
    }
    std::vector<ListedText> list;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto tab = line.find('\t');
        if (tab == std::string::npos) {
            throw std::runtime_error("a line without a group in " + file + ": " + line);
        }
        list.push_back({std::stoi(line.substr(0, tab)), Unescaped(line.substr(tab + 1))});
    }
    return list;
}

}  // namespace kestrova::testing
