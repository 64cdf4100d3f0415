#include "platform/mdbfile/ColumnDefinition.h"

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

// The column definition's extra flags (Jet 4 and later) mark a calculated
// column with both of these bits.
constexpr std::uint8_t kCalculated = 0xC0;
// In a column's entry: the two bytes of precision and scale, or of a text
// column's language id; then Jet 3's code page, or from Jet 4 on a byte and
// the sort order's version.
constexpr std::size_t kJet3PrecisionAt = 9;
constexpr std::size_t kPrecisionAt = 11;
constexpr std::size_t kSortVersionAt = 14;

unsigned Little(std::string_view bytes, std::size_t at, std::size_t size) {
    return static_cast<unsigned>(LittleEndian(bytes.data() + at, size));
}

unsigned char Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

std::vector<DefinedColumn> DefinedColumns(std::string_view definition,
                                          const DefinitionLayout& layout) {
    std::vector<DefinedColumn> columns;
    if (definition.size() < layout.firstEntryAt || definition.size() < layout.columnCountAt + 2 ||
        definition.size() < layout.indexCountAt + 4) {
        return columns;
    }
    const unsigned count = Little(definition, layout.columnCountAt, 2);
    const std::uint64_t indexes = Little(definition, layout.indexCountAt, 4);
    const std::uint64_t first = layout.firstEntryAt + indexes * layout.indexEntrySize;
    const std::size_t precisionAt = layout.jet3 ? kJet3PrecisionAt : kPrecisionAt;
    for (unsigned c = 0; c < count; ++c) {
        const std::uint64_t entry = first + std::uint64_t{c} * layout.columnEntrySize;
        if (entry + layout.columnEntrySize > definition.size()) {
            break;
        }
        const std::string_view bytes = definition.substr(entry, layout.columnEntrySize);
        DefinedColumn column;
        column.type = Byte(bytes, 0);
        column.number = Little(bytes, layout.columnNumberAt, 2);
        column.precision = Byte(bytes, precisionAt);
        column.scale = Byte(bytes, precisionAt + 1);
        column.sortLanguage = static_cast<std::uint16_t>(Little(bytes, precisionAt, 2));
        if (layout.jet3) {
            column.codePage = Little(bytes, precisionAt + 2, 2);
        } else {
            column.sortVersion = Byte(bytes, kSortVersionAt);
        }
        column.calculated = layout.mayBeCalculated &&
                            (Byte(bytes, layout.flagsAt + 1) & kCalculated) == kCalculated;
        columns.push_back(column);
    }
    return columns;
}

}  // namespace kestrova::mdbfile
