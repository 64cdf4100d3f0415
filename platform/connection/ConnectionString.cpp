#include "platform/connection/ConnectionString.h"
#include "platform/runtime/TextCompare.h"

#include <cctype>

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

std::optional<std::string> ConnectionSetting(std::string_view connectionString,
                                             std::string_view key) {
    std::optional<std::string> value;
    while (!connectionString.empty()) {
        const auto end = connectionString.find(';');
        const auto setting = connectionString.substr(0, end);
        const auto equals = setting.find('=');
        if (equals != std::string_view::npos &&
            runtime::EqualsIgnoringCase(Trimmed(setting.substr(0, equals)), key)) {
            value = std::string(setting.substr(equals + 1));
        }
        connectionString =
            end == std::string_view::npos ? std::string_view() : connectionString.substr(end + 1);
    }
    return value;
}

}  // namespace kestrova::platform
