#include "platform/mdbfile/ColumnTraits.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

constexpr std::uint8_t kDefinitionPage = 0x02;
constexpr std::size_t kPageHeader = 8;
constexpr std::size_t kLongestDefinition = 256;  // pages
// The column definition's extra flags (Jet 4 and later) mark a calculated
// column with both of these bits.
constexpr std::uint8_t kCalculated = 0xC0;

unsigned Little(const std::string& bytes, std::size_t at, std::size_t size) {
    return static_cast<unsigned>(LittleEndian(bytes.data() + at, size));
}

// The table's definition as one run of bytes: its first page whole, then
// each continuation page after its header. Stops where a page is missing,
// is no definition page, or was seen before.
std::string DefinitionBytes(MdbHandle* mdb, guint32 page) {
    const auto pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    std::string bytes;
    std::unordered_set<guint32> seen;
    while (page != 0 && seen.size() < kLongestDefinition && seen.insert(page).second) {
        if (mdb_read_alt_pg(mdb, page) != static_cast<ssize_t>(pageSize) ||
            mdb->alt_pg_buf[0] != kDefinitionPage) {
            break;
        }
        const auto* data = reinterpret_cast<const char*>(mdb->alt_pg_buf);
        const std::size_t from = bytes.empty() ? 0 : kPageHeader;
        bytes.append(data + from, pageSize - from);
        std::memcpy(&page, mdb->alt_pg_buf + 4, sizeof page);
        page = GUINT32_FROM_LE(page);
    }
    return bytes;
}

// A calculated column's result type, from its "ResultType" property.
int ResultType(const MdbColumn& column) {
    const char* text = mdb_col_get_prop(&column, "ResultType");
    int type = 0;
    if (!text || std::from_chars(text, text + std::strlen(text), type).ec != std::errc()) {
        return 0;
    }
    return type;
}

}  // namespace

std::vector<ColumnTraits> ReadColumnTraits(MdbHandle* mdb, MdbTableDef* table) {
    std::vector<ColumnTraits> traits(table->num_cols);
    for (unsigned i = 0; i < table->num_cols; ++i) {
        traits[i].valueType =
            static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->col_type;
    }
    const MdbFormatConstants& format = *mdb->fmt;
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const bool mayBeCalculated = mdb->f->jet_version >= MDB_VER_ACCDB_2010;
    const std::string bytes = DefinitionBytes(mdb, static_cast<guint32>(table->entry->table_pg));
    if (bytes.size() < format.tab_cols_start_offset) {
        return traits;
    }
    const unsigned count = Little(bytes, format.tab_num_cols_offset, 2);
    const unsigned indexes = Little(bytes, format.tab_num_ridxs_offset, 4);
    const std::size_t first =
        format.tab_cols_start_offset + std::size_t{indexes} * format.tab_ridx_entry_size;
    if (first > bytes.size()) {
        return traits;
    }
    // Precision and scale lie in the two bytes the format uses for a text
    // column's sort order (its language id); from Jet 4 on, the order's
    // version follows a byte after it.
    const std::size_t precisionAt = jet3 ? 9 : 11;
    const std::size_t sortVersionAt = 14;
    for (unsigned c = 0; c < count; ++c) {
        const std::size_t entry = first + std::size_t{c} * format.tab_col_entry_size;
        if (entry + format.tab_col_entry_size > bytes.size()) {
            break;
        }
        const unsigned number = Little(bytes, entry + format.tab_row_col_num_offset, 2);
        for (unsigned i = 0; i < table->num_cols; ++i) {
            const auto& column = *static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (static_cast<unsigned>(column.row_col_num) != number) {
                continue;
            }
            ColumnTraits& trait = traits[i];
            trait.precision = static_cast<unsigned char>(bytes[entry + precisionAt]);
            trait.scale = static_cast<unsigned char>(bytes[entry + precisionAt + 1]);
            trait.sortLanguage = static_cast<std::uint16_t>(Little(bytes, entry + precisionAt, 2));
            trait.sortVersion = jet3 ? 0 : static_cast<unsigned char>(bytes[entry + sortVersionAt]);
            trait.codePage = jet3 ? Little(bytes, entry + precisionAt + 2, 2) : 0;
            const auto extra =
                static_cast<unsigned char>(bytes[entry + format.col_flags_offset + 1]);
            trait.calculated = mayBeCalculated && (extra & kCalculated) == kCalculated;
            if (trait.calculated && ResultType(column) != 0) {
                trait.valueType = ResultType(column);
            }
        }
    }
    return traits;
}

}  // namespace kestrova::mdbfile
