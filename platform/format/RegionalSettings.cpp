#include "platform/format/RegionalSettings.h"

#include <cstdlib>
#include <optional>

namespace kestrova::platform {

namespace {

const char* VariableOf(LocaleCategory category) {
    switch (category) {
        case LocaleCategory::Monetary:
            return "LC_MONETARY";
        case LocaleCategory::Time:
            return "LC_TIME";
        default:
            return "LC_NUMERIC";
    }
}

std::string Setting(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? value : "";
}

std::string ReadLocale(LocaleCategory category) {
    std::string name = Setting("LC_ALL");
    if (name.empty()) {
        name = Setting(VariableOf(category));
    }
    if (name.empty()) {
        name = Setting("LANG");
    }
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") {
        return "en_US";
    }
    return name;
}

constexpr int kCategories = 3;

std::optional<std::string>* Cache() {
    static std::optional<std::string> cache[kCategories];
    return cache;
}

}  // namespace

const std::string& RegionalLocale(LocaleCategory category) {
    auto& cached = Cache()[static_cast<int>(category)];
    if (!cached) {
        cached = ReadLocale(category);
    }
    return *cached;
}

void ReloadRegionalSettings() {
    for (int i = 0; i < kCategories; ++i) {
        Cache()[i].reset();
    }
}

}  // namespace kestrova::platform
