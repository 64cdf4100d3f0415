#include "platform/textorder/LanguageNames.h"

#include <unicode/uloc.h>

#include <array>
#include <utility>

namespace kestrova::platform::textorder {

namespace {

// The sort orders Access offers for a new database, by language id.
constexpr std::array<std::pair<std::uint16_t, const char*>, 26> kAccessNames = {{
    {1025, "Arabic"},          {1026, "Bulgarian"},        {1028, "Chinese Stroke Count"},
    {1029, "Czech"},           {1030, "Norwegian/Danish"}, {1031, "German Phone Book"},
    {1032, "Greek"},           {1033, "General"},          {1034, "Traditional Spanish"},
    {1035, "Swedish/Finnish"}, {1037, "Hebrew"},           {1038, "Hungarian"},
    {1039, "Icelandic"},       {1041, "Japanese"},         {1042, "Korean"},
    {1043, "Dutch"},           {1045, "Polish"},           {1049, "Cyrillic"},
    {1051, "Slovak"},          {1053, "Swedish/Finnish"},  {1054, "Thai"},
    {1055, "Turkish"},         {1060, "Slovenian"},        {1061, "Estonian"},
    {1062, "Latvian"},         {1063, "Lithuanian"},
}};

}  // namespace

std::string SortOrderName(std::uint16_t language) {
    for (const auto& [id, name] : kAccessNames) {
        if (id == language) {
            return name;
        }
    }
    char locale[ULOC_FULLNAME_CAPACITY] = {};
    char display[128] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLocaleForLCID(language, locale, sizeof locale, &status);
    if (U_SUCCESS(status) && locale[0]) {
        UChar name[64] = {};
        const int32_t length = uloc_getDisplayLanguage(locale, "en", name, 64, &status);
        if (U_SUCCESS(status) && length > 0) {
            for (int32_t i = 0; i < length && i < 127; ++i) {
                display[i] = name[i] < 0x80 ? static_cast<char>(name[i]) : '?';
            }
            return display;
        }
    }
    return "number " + std::to_string(language);
}

}  // namespace kestrova::platform::textorder
