#include "platform/connection/ConnectionString.h"
#include "platform/runtime/TextCompare.h"

#include <cctype>
#include <vector>

namespace kestrova::platform {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

namespace {

// Whether a piece between ";" is a setting: a name of letters, digits and
// blanks, then "=". Anything else belongs to the value before it (a folder
// name may hold a ";").
bool IsSetting(std::string_view piece) {
    const auto equals = piece.find('=');
    if (equals == std::string_view::npos || Trimmed(piece.substr(0, equals)).empty()) {
        return false;
    }
    for (const char c : piece.substr(0, equals)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != ' ') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> ConnectionSetting(std::string_view connectionString,
                                             std::string_view key) {
    std::vector<std::string> settings;
    while (!connectionString.empty()) {
        const auto end = connectionString.find(';');
        const auto piece = connectionString.substr(0, end);
        if (IsSetting(piece) || settings.empty()) {
            settings.emplace_back(piece);
        } else {
            settings.back().append(";").append(piece);
        }
        connectionString =
            end == std::string_view::npos ? std::string_view() : connectionString.substr(end + 1);
    }
    std::optional<std::string> value;
    for (const auto& setting : settings) {
        const auto equals = setting.find('=');
        if (equals != std::string::npos &&
            runtime::EqualsIgnoringCase(Trimmed(std::string_view(setting).substr(0, equals)),
                                        key)) {
            value = setting.substr(equals + 1);
        }
    }
    return value;
}

}  // namespace kestrova::platform
