#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova::platform::textorder {

// The three generations of the format's "General" sort order. Each
// places the code page's punctuation, symbols and accented letters in its
// own way (OrderDescriptions.cpp); from Access 2000 on, hyphens and
// apostrophes decide only after the rest.
enum class Generation {
    General1997,    // Jet 3 files
    GeneralLegacy,  // Jet 4 and ACE columns that declare it: Access 2000 to 2007, 2019
    General2010,    // ACE columns that declare General: Access 2010 and 2016
};

// How a text column sorts: the format's General order of one generation,
// or another language's order by its Windows language id.
struct SortOrder {
    static constexpr std::uint16_t kGeneral = 1033;

    std::uint16_t language = kGeneral;
    Generation generation = Generation::General2010;

    bool IsGeneral() const { return language == kGeneral; }
    bool operator==(const SortOrder&) const = default;
};

// The order a column definition names: its language id, and for Jet 4 and
// ACE files the version byte that follows it (0 before Access 2010).
SortOrder FromColumnDefinition(std::uint16_t language, bool jet3, unsigned version);

// The name a database knows the order by as a collation, and back: every
// column that sorts so is declared with it.
std::string CollationName(const SortOrder& order);
std::optional<SortOrder> FromCollationName(std::string_view name);

}  // namespace kestrova::platform::textorder
