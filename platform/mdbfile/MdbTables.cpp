#include "platform/mdbfile/MdbTables.h"
#include "platform/mdbfile/ReaderArguments.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "platform/mdbfile/ColumnTraits.h"
#include "platform/mdbfile/CrackedField.h"
#include "platform/mdbfile/FileHeader.h"
#include "platform/mdbfile/TableScan.h"
#include "platform/textorder/SortOrder.h"

namespace kestrova::mdbfile {

namespace {

struct MdbCloser {
    void operator()(MdbHandle* handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
struct SqliteCloser {
    void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, Finalizer>;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

void Execute(sqlite3* database, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        Fail(message);
    }
}

StatementPtr Prepare(sqlite3* database, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        Fail(sqlite3_errmsg(database));
    }
    return StatementPtr(statement);
}

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return g_ascii_tolower(x) == g_ascii_tolower(y);
           });
}

void Bind(sqlite3_stmt* statement, int index, const SqlValue& value) {
    switch (value.kind) {
        case SqlValue::Integer:
            sqlite3_bind_int64(statement, index, value.integer);
            break;
        case SqlValue::Real:
            sqlite3_bind_double(statement, index, value.real);
            break;
        case SqlValue::Text:
            sqlite3_bind_text64(statement, index, value.bytes.data(), value.bytes.size(),
                                SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        case SqlValue::Blob:
            sqlite3_bind_blob64(statement, index, value.bytes.data(), value.bytes.size(),
                                SQLITE_TRANSIENT);
            break;
        case SqlValue::Null:
            sqlite3_bind_null(statement, index);
            break;
    }
}

// Text and memos sort in the order their column's definition names.
bool SortsAsText(int columnType) {
    return columnType == MDB_TEXT || columnType == MDB_MEMO;
}

// The tables name the orders their text sorts in; the program that reads
// them sorts so. Here, where nothing is sorted, each order is only known
// by its name.
void KnowEveryOrderByName(sqlite3* database) {
    sqlite3_collation_needed(database, nullptr, [](void*, sqlite3* db, int, const char* name) {
        sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr,
                                 [](void*, int, const void*, int, const void*) { return 0; });
    });
}

struct ColumnPlan {
    std::vector<MdbColumn*> columns;   // those read, in the table's order
    std::vector<ColumnTraits> traits;  // each one's
    std::vector<int> fieldIndex;       // each one's position among the row's fields
};

ColumnPlan PlanColumns(MdbHandle* mdb, MdbTableDef* table, const std::string& name,
                       sqlite3* database, const NoteSink& note) {
    const std::vector<ColumnTraits> traits = ReadColumnTraits(mdb, table);
    ColumnPlan plan;
    std::string create = "CREATE TABLE " + Quoted(name) + " (";
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        const char* declared = DeclaredTypeOf(traits[i].valueType);
        if (!declared) {
            note("the column " + std::string(column->name) + " of " + name +
                 " is of a type Kestrova does not read (" + std::to_string(traits[i].valueType) +
                 "); it is left out");
            continue;
        }
        create += (plan.columns.empty() ? "" : ", ") + Quoted(column->name) + " " + declared;
        if (SortsAsText(traits[i].valueType)) {
            create += " COLLATE " +
                      platform::textorder::CollationName(platform::textorder::FromColumnDefinition(
                          traits[i].sortLanguage, mdb->f->jet_version == MDB_VER_JET3,
                          traits[i].sortVersion));
        }
        plan.columns.push_back(column);
        plan.traits.push_back(traits[i]);
        plan.fieldIndex.push_back(static_cast<int>(i));
    }
    if (plan.columns.empty()) {
        Fail("the table " + name + " has no column Kestrova can read");
    }
    Execute(database, create + ")");
    return plan;
}

// Says once for each column that some of its values could not be read.
class UnreadValues {
public:
    UnreadValues(const std::string& table, const NoteSink& note) : table_(table), note_(note) {}

    void Add(const MdbColumn& column, std::size_t row) {
        if (said_.insert(column.name).second) {
            note_("a value of " + std::string(column.name) + " in " + table_ + " (row " +
                  std::to_string(row) + ") cannot be read; it is left empty");
        }
    }

private:
    const std::string& table_;
    const NoteSink& note_;
    std::unordered_set<std::string> said_;
};

void CopyRows(MdbHandle* mdb, MdbTableDef* table, const std::string& name, const ColumnPlan& plan,
              sqlite3* database, const NoteSink& note) {
    std::string insert = "INSERT INTO " + Quoted(name) + " VALUES (";
    for (std::size_t i = 0; i < plan.columns.size(); ++i) {
        insert += i ? ", ?" : "?";
    }
    StatementPtr statement = Prepare(database, insert + ")");
    std::vector<MdbField> fields(std::max<std::size_t>(table->num_cols, MDB_MAX_COLS));
    UnreadValues unread(name, note);
    std::size_t rows = 0;
    const Damage damage = ScanRows(mdb, table, [&](int start, std::size_t length) {
        // The count of columns the row itself holds: rows written before a
        // column was added hold fewer, and the library makes the rest Null.
        if (mdb_crack_row(table, start, length, fields.data()) <= 0) {
            return false;
        }
        ++rows;
        for (std::size_t i = 0; i < plan.columns.size(); ++i) {
            const auto value = ReadField(mdb, *plan.columns[i], plan.traits[i],
                                         fields[static_cast<std::size_t>(plan.fieldIndex[i])]);
            if (!value) {
                unread.Add(*plan.columns[i], rows);
            }
            Bind(statement.get(), static_cast<int>(i) + 1, value ? *value : SqlValue{});
        }
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            Fail(sqlite3_errmsg(database));
        }
        sqlite3_reset(statement.get());
        return true;
    });
    // The library passes over pages it cannot make sense of, and so does
    // the scan; the table's own count of its rows tells when they did. The
    // program that writes the files does not keep that count exactly, but
    // it never counts a row that is not there: only fewer rows than counted
    // mean damage.
    const std::string why = damage.count > 0 ? " (" + damage.first + ")" : "";
    if (rows < table->num_rows) {
        note("the table " + name + " holds " + std::to_string(table->num_rows) +
             " rows by its definition, but " + std::to_string(rows) +
             " could be read: the file is damaged" + why);
    } else if (damage.count > 0) {
        note("the table " + name + " has " + std::to_string(damage.count) +
             " rows or pages that cannot be read: the file is damaged" + why);
    }
}

// Indexes the columns of the copy that are asked for ("Orders", separator,
// "CustomerID"), those the table has, once its rows are in (sorting them
// once is quicker than keeping an index while they come): a lookup of a
// level's rows by the keys of the level above then finds them at once.
void IndexColumns(const std::string& name, const ColumnPlan& plan,
                  const std::vector<std::string>& wishes, sqlite3* database) {
    for (const auto& wish : wishes) {
        const auto separator = wish.find(kIndexSeparator);
        if (!SameName(wish.substr(0, separator), name)) {
            continue;
        }
        const std::string column = wish.substr(separator + 1);
        for (const auto* known : plan.columns) {
            if (SameName(column, known->name)) {
                Execute(database, "CREATE INDEX " + Quoted(name + " by " + known->name) + " ON " +
                                      Quoted(name) + " (" + Quoted(known->name) + ")");
                break;
            }
        }
    }
}

void CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, sqlite3* database,
               const std::vector<std::string>& indexWishes, const NoteSink& note) {
    const std::string name = entry->object_name;
    TablePtr table(mdb_read_table(entry));
    if (!table) {
        Fail("the definition of the table " + name + " cannot be read");
    }
    if (!mdb_read_columns(table.get()) || table->num_cols == 0) {
        Fail("the columns of the table " + name + " cannot be read");
    }
    const ColumnPlan plan = PlanColumns(mdb, table.get(), name, database, note);
    CopyRows(mdb, table.get(), name, plan, database, note);
    IndexColumns(name, plan, indexWishes, database);
}

// A database without tables has no pages, and no image.
bool IsEmpty(sqlite3* database) {
    StatementPtr count = Prepare(database, "PRAGMA page_count");
    return sqlite3_step(count.get()) == SQLITE_ROW && sqlite3_column_int64(count.get(), 0) == 0;
}

std::string Image(sqlite3* database) {
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(database, "main", &size, 0);
    if (!bytes && !IsEmpty(database)) {
        Fail("the tables read cannot be handed over: out of memory");
    }
    if (!bytes) {
        return {};
    }
    std::string image(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    sqlite3_free(bytes);
    return image;
}

}  // namespace

std::string CopyTablesToSqlite(const std::string& path, const std::vector<std::string>& names,
                               const NoteSink& note) {
    const auto header = ReadFileHeader(path);
    if (header) {
        if (const auto refusal = UnreadableEncryption(*header)) {
            Fail(*refusal);
        }
    }
    // A file whose pages are encoded and still make no sense has a key
    // that is not what it says, rather than damage.
    const std::string encoded =
        header && header->pageKey != 0 ? " (it is encrypted, and its pages cannot be decoded)" : "";
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        Fail("it is no database of the classic .mdb format that Kestrova can read" + encoded);
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        Fail("its list of tables cannot be read" + encoded);
    }
    sqlite3* raw = nullptr;
    sqlite3_open_v2(":memory:", &raw,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    SqlitePtr database(raw);
    if (!raw) {
        Fail("out of memory");
    }
    // One process, one thread, one transaction that is never rolled back:
    // nothing to lock and nothing to journal.
    Execute(raw, "PRAGMA journal_mode = OFF; PRAGMA temp_store = MEMORY; BEGIN");
    KnowEveryOrderByName(raw);
    std::vector<std::string> indexWishes;
    std::copy_if(
        names.begin(), names.end(), std::back_inserter(indexWishes),
        [](const std::string& name) { return name.find(kIndexSeparator) != std::string::npos; });
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) {
            continue;
        }
        const std::string name = entry->object_name;
        if (std::any_of(names.begin(), names.end(),
                        [&](const std::string& wanted) { return SameName(wanted, name); })) {
            CopyTable(mdb.get(), entry, raw, indexWishes, note);
        }
    }
    Execute(raw, "COMMIT");
    return Image(raw);
}

}  // namespace kestrova::mdbfile
