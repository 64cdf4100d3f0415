#include "platform/textorder/SortOrder.h"

#include <charconv>

namespace kestrova::platform::textorder {

namespace {

constexpr std::string_view kGeneral1997 = "kestrova_general_1997";
constexpr std::string_view kGeneralLegacy = "kestrova_general_legacy";
constexpr std::string_view kGeneral2010 = "kestrova_general";
// Another language: "kestrova_lcid_" and its language id.
constexpr std::string_view kLanguage = "kestrova_lcid_";

}  // namespace

SortOrder FromColumnDefinition(std::uint16_t language, bool jet3, unsigned version) {
    SortOrder order;
    // A language id of 0 (seen in columns that never sort) counts as General.
    order.language = language == 0 ? SortOrder::kGeneral : language;
    order.generation = jet3           ? Generation::General1997
                       : version == 0 ? Generation::GeneralLegacy
                                      : Generation::General2010;
    return order;
}

std::string CollationName(const SortOrder& order) {
    if (!order.IsGeneral()) {
        return std::string(kLanguage) + std::to_string(order.language);
    }
    switch (order.generation) {
        case Generation::General1997:
            return std::string(kGeneral1997);
        case Generation::GeneralLegacy:
            return std::string(kGeneralLegacy);
        case Generation::General2010:
            break;
    }
    return std::string(kGeneral2010);
}

std::optional<SortOrder> FromCollationName(std::string_view name) {
    if (name == kGeneral1997) {
        return SortOrder{SortOrder::kGeneral, Generation::General1997};
    }
    if (name == kGeneralLegacy) {
        return SortOrder{SortOrder::kGeneral, Generation::GeneralLegacy};
    }
    if (name == kGeneral2010) {
        return SortOrder{SortOrder::kGeneral, Generation::General2010};
    }
    if (name.substr(0, kLanguage.size()) != kLanguage) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(kLanguage.size());
    unsigned language = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), language);
    if (error != std::errc() || end != digits.data() + digits.size() || language == 0 ||
        language > 0xFFFF || language == SortOrder::kGeneral) {
        return std::nullopt;
    }
    return SortOrder{static_cast<std::uint16_t>(language), Generation::General2010};
}

}  // namespace kestrova::platform::textorder
