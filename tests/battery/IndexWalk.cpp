// kestrova-test-index-walk FILE: the order of the rows in each index that
// the format's own engine keeps on one text column of a table: for each
// such index a line "index TABLE COLUMN asc|desc", then the rows in the
// index's order, each as its place in the table (counted from 0, in the
// order a plain scan of the table reads them). The index pages hold the
// engine's own keys, in its own order. Read with mdbtools' library.

#include <glib.h>
#include <mdbtools.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace {

using Place = std::pair<guint32, unsigned>;  // page, and row on it

std::map<Place, unsigned> TablePlaces(MdbHandle* mdb, MdbTableDef* table) {
    std::map<Place, unsigned> places;
    mdb_rewind_table(table);
    unsigned count = 0;
    while (mdb_fetch_row(table)) {
        places[{mdb->cur_pg, table->cur_row}] = count++;
    }
    return places;
}

bool OnOneTextColumn(MdbTableDef* table, MdbIndex* index, MdbColumn*& column) {
    // Foreign-key references keep no entries of their own.
    constexpr int kForeignKey = 2;
    if (index->index_type == kForeignKey || index->num_keys != 1) {
        return false;
    }
    const int number = index->key_col_num[0] - 1;
    if (number < 0 || static_cast<unsigned>(number) >= table->num_cols) {
        return false;
    }
    column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, number));
    return column->col_type == MDB_TEXT || column->col_type == MDB_MEMO;
}

void WalkIndex(MdbHandle* mdb, MdbTableDef* table, MdbIndex* index,
               const std::map<Place, unsigned>& places) {
    mdb_rewind_table(table);
    table->strategy = MDB_INDEX_SCAN;
    table->scan_idx = index;
    table->chain = static_cast<MdbIndexChain*>(g_malloc0(sizeof(MdbIndexChain)));
    table->mdbidx = mdb_clone_handle(mdb);
    mdb_read_pg(table->mdbidx, index->first_pg);
    unsigned walked = 0;
    while (mdb_fetch_row(table) && walked <= places.size()) {
        const auto place = places.find({mdb->cur_pg, table->cur_row});
        std::printf(" %ld", place == places.end() ? -1L : static_cast<long>(place->second));
        ++walked;
    }
    std::printf("\n");
    mdb_index_scan_free(table);
    table->strategy = MDB_TABLE_SCAN;
}

}  // namespace

// The library keeps what it read until the process ends: in a build with
// the address sanitizer that is no leak to report.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrova-test-index-walk FILE\n");
        return 2;
    }
    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE)) {
        std::fprintf(stderr, "kestrova-test-index-walk: cannot read %s\n", argv[1]);
        return 1;
    }
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || std::strncmp(entry->object_name, "MSys", 4) == 0) {
            continue;
        }
        MdbTableDef* table = mdb_read_table(entry);
        if (!table || !mdb_read_columns(table)) {
            continue;
        }
        mdb_read_indices(table);  // gives nothing back, whatever it read
        const auto places = TablePlaces(mdb, table);
        for (unsigned n = 0; n < table->num_idxs; ++n) {
            auto* index = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, n));
            MdbColumn* column = nullptr;
            if (!OnOneTextColumn(table, index, column)) {
                continue;
            }
            std::printf("index\t%s\t%s\t%s\n", entry->object_name, column->name,
                        index->key_col_order[0] ? "desc" : "asc");
            WalkIndex(mdb, table, index, places);
        }
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    return 0;
}
