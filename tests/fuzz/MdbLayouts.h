#pragma once

#include <cstdint>

#include "platform/mdbfile/ColumnDefinition.h"
#include "platform/mdbfile/DataPage.h"

namespace kestrova::fuzz {

// The layouts of the format's versions, as mdbtools' library states them:
// Jet 3 (2 KB pages), Jet 4, and ACE from Access 2010 on (4 KB pages).
enum class Version : std::uint8_t { Jet3, Jet4, Ace };

inline Version VersionOf(std::uint8_t byte) {
    return static_cast<Version>(byte % 3);
}

inline mdbfile::PageLayout PageLayoutOf(Version version) {
    return version == Version::Jet3 ? mdbfile::PageLayout{2048, 8} : mdbfile::PageLayout{4096, 12};
}

inline mdbfile::DefinitionLayout DefinitionLayoutOf(Version version) {
    mdbfile::DefinitionLayout layout;
    const bool jet3 = version == Version::Jet3;
    layout.columnCountAt = jet3 ? 25 : 45;
    layout.indexCountAt = jet3 ? 31 : 51;
    layout.firstEntryAt = jet3 ? 43 : 63;
    layout.indexEntrySize = jet3 ? 8 : 12;
    layout.columnEntrySize = jet3 ? 18 : 25;
    layout.columnNumberAt = jet3 ? 5 : 9;
    layout.flagsAt = jet3 ? 13 : 15;
    layout.jet3 = jet3;
    layout.mayBeCalculated = version == Version::Ace;
    return layout;
}

}  // namespace kestrova::fuzz
