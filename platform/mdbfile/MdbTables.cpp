#include "platform/mdbfile/MdbTables.h"

// The library's header includes glib's inside its own extern "C".
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "platform/mdbfile/FieldValue.h"
#include "platform/mdbfile/JetText.h"

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
struct GFreer {
    void operator()(char* text) const { g_free(text); }
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

std::int64_t Little(const unsigned char* bytes, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    // Sign-extend from the field's width.
    const int unused = 64 - 8 * size;
    return unused > 0 ? static_cast<std::int64_t>(value << unused) >> unused
                      : static_cast<std::int64_t>(value);
}

// The bytes of row `pageRow` (page number << 8 | row) of a long value page.
std::optional<std::string> LongValueRow(MdbHandle* mdb, std::uint32_t pageRow) {
    void* buffer = nullptr;
    int offset = 0;
    std::size_t length = 0;
    if (mdb_find_pg_row(mdb, static_cast<int>(pageRow), &buffer, &offset, &length) != 0 ||
        !buffer || offset < 0 ||
        static_cast<std::size_t>(offset) + length > static_cast<std::size_t>(mdb->fmt->pg_size)) {
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(buffer) + offset, length);
}

// A memo's stored bytes from its 12-byte field: its length and kind, then
// the bytes inline, or the row of one long value page, or a chain of rows
// each naming the next. nullopt when they cannot be found.
std::optional<std::string> MemoBytes(MdbHandle* mdb, const unsigned char* field, int size) {
    constexpr int kHead = 12;
    if (!field || size < kHead) {
        return std::nullopt;
    }
    const auto head = static_cast<std::uint32_t>(Little(field, 4));
    const std::size_t length = head & 0x3fffffff;
    const auto pageRow = static_cast<std::uint32_t>(Little(field + 4, 4));
    if (head & 0x80000000) {
        const std::size_t inline_ =
            std::min<std::size_t>(length, static_cast<std::size_t>(size - kHead));
        return std::string(reinterpret_cast<const char*>(field + kHead), inline_);
    }
    if (head & 0x40000000) {
        auto row = LongValueRow(mdb, pageRow);
        if (row && row->size() > length) {
            row->resize(length);
        }
        return row;
    }
    std::string bytes;
    std::unordered_set<std::uint32_t> visited;
    for (std::uint32_t next = pageRow; next != 0 && bytes.size() < length;) {
        const auto row = LongValueRow(mdb, next);
        if (!row || row->size() < 4 || !visited.insert(next).second) {
            return std::nullopt;  // not there, or a chain that loops
        }
        next = static_cast<std::uint32_t>(
            Little(reinterpret_cast<const unsigned char*>(row->data()), 4));
        bytes.append(*row, 4);
    }
    bytes.resize(std::min(bytes.size(), length));
    return bytes;
}

// The value of one cracked field of the row on the handle's current page.
SqlValue ReadField(MdbHandle* mdb, const MdbColumn& column, const MdbField& field) {
    const int type = column.col_type;
    if (type == MDB_BOOL) {
        // A Boolean's value is its bit in the null mask: set means true.
        return SqlValue::OfInteger(field.is_null ? 0 : 1);
    }
    if (field.is_null) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(field.value);
    const int size = field.siz;
    const auto fixedSizeIs = [&](int expected) { return bytes && size == expected; };
    switch (type) {
        case MDB_BYTE:
            return fixedSizeIs(1) ? SqlValue::OfInteger(bytes[0]) : SqlValue{};
        case MDB_INT:
            return fixedSizeIs(2) ? SqlValue::OfInteger(Little(bytes, 2)) : SqlValue{};
        case MDB_LONGINT:
            return fixedSizeIs(4) ? SqlValue::OfInteger(Little(bytes, 4)) : SqlValue{};
        case MDB_MONEY:
            return fixedSizeIs(8) ? MoneyValue(Little(bytes, 8)) : SqlValue{};
        case MDB_FLOAT: {
            if (!fixedSizeIs(4)) {
                return {};
            }
            float single = 0;
            std::memcpy(&single, bytes, 4);
            return SqlValue::OfReal(single);
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            if (!fixedSizeIs(8)) {
                return {};
            }
            double real = 0;
            std::memcpy(&real, bytes, 8);
            return type == MDB_DATETIME ? DateTimeValue(real) : SqlValue::OfReal(real);
        }
        case MDB_BINARY:
            return bytes ? SqlValue::OfBlob(std::string(reinterpret_cast<const char*>(bytes),
                                                        static_cast<std::size_t>(size)))
                         : SqlValue{};
        case MDB_TEXT:
            if (mdb->f->jet_version == MDB_VER_JET3) {
                break;  // a code page's bytes: the library converts them
            }
            return bytes ? SqlValue::OfText(Utf8FromJetText(bytes, static_cast<std::size_t>(size)))
                         : SqlValue{};
        case MDB_MEMO: {
            if (mdb->f->jet_version == MDB_VER_JET3) {
                break;
            }
            const auto memo = MemoBytes(mdb, bytes, size);
            return memo ? SqlValue::OfText(Utf8FromJetText(
                              reinterpret_cast<const unsigned char*>(memo->data()), memo->size()))
                        : SqlValue{};
        }
        default:
            break;
    }
    std::unique_ptr<char, GFreer> text(
        mdb_col_to_string(mdb, mdb->pg_buf, field.start, type, size));
    return text ? SqlValue::OfText(text.get()) : SqlValue{};
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

struct ColumnPlan {
    std::vector<MdbColumn*> columns;  // those read, in the table's order
    std::vector<int> fieldIndex;      // each one's position among the row's fields
};

ColumnPlan PlanColumns(MdbTableDef* table, const std::string& name, sqlite3* database,
                       const NoteSink& note) {
    ColumnPlan plan;
    std::string create = "CREATE TABLE " + Quoted(name) + " (";
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        const char* declared = DeclaredTypeOf(column->col_type);
        if (!declared) {
            note("the column " + std::string(column->name) + " of " + name +
                 " is of a type Kestrova does not read (" + std::to_string(column->col_type) +
                 "); it is left out");
            continue;
        }
        create += (plan.columns.empty() ? "" : ", ") + Quoted(column->name) + " " + declared;
        plan.columns.push_back(column);
        plan.fieldIndex.push_back(static_cast<int>(i));
    }
    if (plan.columns.empty()) {
        Fail("the table " + name + " has no column Kestrova can read");
    }
    Execute(database, create + ")");
    return plan;
}

void CopyRows(MdbHandle* mdb, MdbTableDef* table, const std::string& name, const ColumnPlan& plan,
              sqlite3* database, const NoteSink& note) {
    std::string insert = "INSERT INTO " + Quoted(name) + " VALUES (";
    for (std::size_t i = 0; i < plan.columns.size(); ++i) {
        insert += i ? ", ?" : "?";
    }
    StatementPtr statement = Prepare(database, insert + ")");
    std::vector<MdbField> fields(std::max<std::size_t>(table->num_cols, MDB_MAX_COLS));
    mdb_rewind_table(table);
    std::size_t rows = 0;
    while (mdb_fetch_row(table)) {
        ++rows;
        int start = 0;
        std::size_t length = 0;
        if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &length) != 0) {
            Fail("a row of " + name + " cannot be found on its page");
        }
        const int count = mdb_crack_row(table, start, length, fields.data());
        if (count < static_cast<int>(table->num_cols)) {
            Fail("a row of " + name + " cannot be read");
        }
        for (std::size_t i = 0; i < plan.columns.size(); ++i) {
            Bind(statement.get(), static_cast<int>(i) + 1,
                 ReadField(mdb, *plan.columns[i],
                           fields[static_cast<std::size_t>(plan.fieldIndex[i])]));
        }
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            Fail(sqlite3_errmsg(database));
        }
        sqlite3_reset(statement.get());
    }
    // The library passes over pages it cannot make sense of; the table's
    // own count of its rows tells when it did.
    if (rows != table->num_rows) {
        note("the table " + name + " holds " + std::to_string(table->num_rows) +
             " rows by its definition, but " + std::to_string(rows) +
             " could be read: the file is damaged");
    }
}

void CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, sqlite3* database, const NoteSink& note) {
    const std::string name = entry->object_name;
    TablePtr table(mdb_read_table(entry));
    if (!table) {
        Fail("the definition of the table " + name + " cannot be read");
    }
    if (!mdb_read_columns(table.get()) || table->num_cols == 0) {
        Fail("the columns of the table " + name + " cannot be read");
    }
    const ColumnPlan plan = PlanColumns(table.get(), name, database, note);
    CopyRows(mdb, table.get(), name, plan, database, note);
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
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        Fail("it is no database of the classic .mdb format that Kestrova can read");
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        Fail("its list of tables cannot be read");
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
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) {
            continue;
        }
        const std::string name = entry->object_name;
        if (std::any_of(names.begin(), names.end(),
                        [&](const std::string& wanted) { return SameName(wanted, name); })) {
            CopyTable(mdb.get(), entry, raw, note);
        }
    }
    Execute(raw, "COMMIT");
    return Image(raw);
}

}  // namespace kestrova::mdbfile
