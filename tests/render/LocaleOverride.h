#pragma once

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>

#include "platform/format/RegionalSettings.h"

namespace kestrova::testing {

// Sets the locale variables for one test and puts the old values back.
class LocaleOverride {
public:
    struct Setting {
        const char* name;
        const char* value;
    };
    // Every locale variable not named is unset for the test.
    LocaleOverride(std::initializer_list<Setting> settings) {
        for (const char* name : {"LC_ALL", "LC_MONETARY", "LC_TIME", "LC_NUMERIC", "LANG"}) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            Set(name, std::nullopt);
        }
        for (const auto& setting : settings) {
            Set(setting.name, std::string(setting.value));
        }
        platform::ReloadRegionalSettings();
    }
    ~LocaleOverride() {
        for (const auto& [name, value] : saved_) {
            Set(name, value);
        }
        platform::ReloadRegionalSettings();
    }
    LocaleOverride(const LocaleOverride&) = delete;
    LocaleOverride& operator=(const LocaleOverride&) = delete;

private:
    static void Set(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace kestrova::testing
