#include "platform/format/RegionalSettings.h"

#include <unicode/locid.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>

#include "platform/runtime/Diagnostics.h"

namespace kestrova::platform {

namespace {

constexpr const char* kFallbackLocale = "en_US";

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

// The locales ICU has data for, by their base names ("de_DE", "fr").
const std::set<std::string>& KnownLocales() {
    static const std::set<std::string> known = [] {
        std::set<std::string> names;
        int32_t count = 0;
        const icu::Locale* locales = icu::Locale::getAvailableLocales(count);
        for (int32_t i = 0; i < count; ++i) {
            names.insert(locales[i].getBaseName());
        }
        return names;
    }();
    return known;
}

// Says once per name that a regional setting is unknown, whichever thread
// meets it.
void ReportUnknown(const std::string& setting) {
    static std::mutex lock;
    static std::set<std::string> reported;
    const std::lock_guard guard(lock);
    if (reported.insert(setting).second) {
        runtime::ReportFailure("regional settings", "the locale " + setting + " is unknown; " +
                                                        kFallbackLocale + " is used instead");
    }
}

// glibc's locale name ("de_DE.UTF-8@euro") as ICU's ("de_DE@currency=EUR"):
// the encoding is dropped; the @euro modifier means amounts in euros.
std::string IcuNameOf(const std::string& setting) {
    const std::size_t modifierAt = setting.find('@');
    const std::string modifier =
        modifierAt == std::string::npos ? "" : setting.substr(modifierAt + 1);
    const std::string name = setting.substr(0, setting.find_first_of(".@"));
    if (name.empty()) {
        return name;
    }
    return modifier == "euro" ? name + "@currency=EUR" : name;
}

std::string ReadLocale(LocaleCategory category) {
    std::string setting = Setting("LC_ALL");
    if (setting.empty()) {
        setting = Setting(VariableOf(category));
    }
    if (setting.empty()) {
        setting = Setting("LANG");
    }
    const std::string name = IcuNameOf(setting);
    if (name.empty() || name == "C" || name == "POSIX") {
        return kFallbackLocale;
    }
    const icu::Locale locale(name.c_str());
    if (locale.isBogus() || !KnownLocales().contains(locale.getBaseName())) {
        ReportUnknown(setting);
        return kFallbackLocale;
    }
    return name;
}

constexpr int kCategories = 3;

// Each thread reads the settings for itself: the page is built in a thread
// of its own, which learns them afresh.
std::optional<std::string>* Cache() {
    thread_local std::optional<std::string> cache[kCategories];
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
