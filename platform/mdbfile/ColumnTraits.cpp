#include "platform/mdbfile/ColumnTraits.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/mdbfile/ColumnDefinition.h"

namespace kestrova::mdbfile {

namespace {

constexpr std::uint8_t kDefinitionPage = 0x02;
constexpr std::size_t kPageHeader = 8;
constexpr std::size_t kLongestDefinition = 256;  // pages

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
    DefinitionLayout layout;
    layout.columnCountAt = format.tab_num_cols_offset;
    layout.indexCountAt = format.tab_num_ridxs_offset;
    layout.firstEntryAt = format.tab_cols_start_offset;
    layout.indexEntrySize = format.tab_ridx_entry_size;
    layout.columnEntrySize = format.tab_col_entry_size;
    layout.columnNumberAt = format.tab_row_col_num_offset;
    layout.flagsAt = format.col_flags_offset;
    layout.jet3 = mdb->f->jet_version == MDB_VER_JET3;
    layout.mayBeCalculated = mdb->f->jet_version >= MDB_VER_ACCDB_2010;
    const std::string bytes = DefinitionBytes(mdb, static_cast<guint32>(table->entry->table_pg));
    for (const DefinedColumn& defined : DefinedColumns(bytes, layout)) {
        for (unsigned i = 0; i < table->num_cols; ++i) {
            const auto& column = *static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (static_cast<unsigned>(column.row_col_num) != defined.number) {
                continue;
            }
            ColumnTraits& trait = traits[i];
            trait.precision = defined.precision;
            trait.scale = defined.scale;
            trait.sortLanguage = defined.sortLanguage;
            trait.sortVersion = defined.sortVersion;
            trait.codePage = defined.codePage;
            trait.calculated = defined.calculated;
            if (trait.calculated && ResultType(column) != 0) {
                trait.valueType = ResultType(column);
            }
        }
    }
    return traits;
}

}  // namespace kestrova::mdbfile
