#include "platform/localstore/LocalStore.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "platform/localstore/ColumnTyping.h"
#include "platform/localstore/DatabaseFile.h"
#include "platform/localstore/DatabaseFormat.h"
#include "platform/localstore/DeclaredType.h"
#include "platform/localstore/ExpressionType.h"
#include "platform/localstore/MdbReaderProcess.h"
#include "platform/localstore/SourceColumn.h"
#include "platform/localstore/TextCollations.h"
#include "platform/localstore/ValueConversion.h"
#include "platform/mdbfile/ReaderArguments.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

namespace fs = std::filesystem;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

constexpr int kBusyMilliseconds = 3000;

// The file a data source names: as written if there is such a file; else
// with every "\\" read as "/"; else with only its last "\\" read so (a folder
// name of its own may hold a "\\").
std::string ResolvePath(const std::string& dataSource) {
    std::error_code error;
    if (fs::exists(dataSource, error)) {
        return dataSource;
    }
    std::string withSlashes = dataSource;
    std::replace(withSlashes.begin(), withSlashes.end(), '\\', '/');
    if (fs::exists(withSlashes, error)) {
        return withSlashes;
    }
    std::string lastOnly = dataSource;
    const auto last = lastOnly.rfind('\\');
    if (last != std::string::npos) {
        lastOnly[last] = '/';
        if (fs::exists(lastOnly, error)) {
            return lastOnly;
        }
    }
    throw runtime::Failure("there is no database file " + dataSource);
}

// A file: address for SQLite's URI names, so that the file can be opened
// read only; every byte outside the unreserved set is percent-encoded.
std::string FileUri(const std::string& path, LocalStore::Access access) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return access == LocalStore::ReadOnly ? uri + "?mode=ro" : uri;
}

// Reading the schema checks that the file is a database and that nothing
// (a lock, an unfinished change) stands in the way of reading it.
constexpr const char* kFirstRead = "PRAGMA query_only = 1; SELECT count(*) FROM sqlite_master;";

[[noreturn]] void Fail(sqlite3* database, const std::string& what) {
    throw runtime::Failure(what + ": " + sqlite3_errmsg(database));
}

StatementPtr Prepare(sqlite3* database, const std::string& text, const char** tail = nullptr) {
    sqlite3_stmt* statement = nullptr;
    const int result =
        sqlite3_prepare_v2(database, text.c_str(), static_cast<int>(text.size()), &statement, tail);
    StatementPtr owned(statement);
    if (result != SQLITE_OK) {
        Fail(database, "the query cannot be run");
    }
    return owned;
}

// The statement prepared, or nullptr when SQLite refuses it.
StatementPtr TryPrepare(sqlite3* database, const std::string& text) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, text.c_str(), static_cast<int>(text.size()), &statement,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return StatementPtr(statement);
}

// EXPLAIN QUERY PLAN's lines for a statement, in order; none when it
// cannot be prepared.
std::vector<std::string> PlanOf(sqlite3* database, const std::string& statement) {
    std::vector<std::string> lines;
    const StatementPtr plan = TryPrepare(database, "EXPLAIN QUERY PLAN " + statement);
    while (plan && sqlite3_step(plan.get()) == SQLITE_ROW) {
        const auto* detail = sqlite3_column_text(plan.get(), 3);
        lines.emplace_back(detail ? reinterpret_cast<const char*>(detail) : "");
    }
    return lines;
}

StoredValue ReadStored(sqlite3_stmt* statement, int column) {
    StoredValue value;
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER:
            value.kind = StoredValue::Integer;
            value.integer = sqlite3_column_int64(statement, column);
            break;
        case SQLITE_FLOAT:
            value.kind = StoredValue::Real;
            value.real = sqlite3_column_double(statement, column);
            break;
        case SQLITE_TEXT: {
            value.kind = StoredValue::Text;
            const auto* text = sqlite3_column_text(statement, column);
            value.bytes.assign(reinterpret_cast<const char*>(text),
                               static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
            break;
        }
        case SQLITE_BLOB: {
            value.kind = StoredValue::Blob;
            const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, column));
            value.bytes.assign(blob ? blob : "",
                               static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
            break;
        }
        default:
            break;
    }
    return value;
}

// Appends the value of `column` in the current row when it needs no
// conversion to `type`: Null, text of a column that keeps text, a whole
// number of a whole-number column. Most values of a large result are such,
// and they go straight into the column. Gives false for any other value.
bool AppendedAsStored(ColumnValues& values, sqlite3_stmt* statement, int column,
                      std::int32_t type) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            values.push_back(Null{});
            return true;
        case SQLITE_TEXT: {
            if (!KeepsStoredText(type)) {
                return false;
            }
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
            values.PushText(text ? std::string_view(text, bytes) : std::string_view());
            return true;
        }
        case SQLITE_INTEGER:
            // 32-bit columns are read as 64-bit ones and narrowed later.
            if (type != adInteger && type != adBigInt) {
                return false;
            }
            values.push_back(
                Variant(std::in_place_type<std::int64_t>, sqlite3_column_int64(statement, column)));
            return true;
        default:
            return false;
    }
}

// Types of the computed columns (those without a declared type), worked out
// from their expressions in the statement's select list.
class ComputedColumnTypes {
public:
    ComputedColumnTypes(sqlite3* database, const std::string& statement, int columnCount)
        : database_(database), statement_(statement) {
        const auto tokens = sql::Tokenize(statement);
        list_ = sql::ReadSelectList(tokens);
        if (list_ && static_cast<int>(list_->expressions.size()) != columnCount) {
            list_.reset();
        }
    }

    std::optional<std::int32_t> TypeOf(int column) {
        if (!list_) {
            return std::nullopt;
        }
        const auto& expression = list_->expressions[static_cast<std::size_t>(column)];
        LearnOperandTypes(sql::ColumnReferences(expression));
        return sql::TypeOfExpression(expression, [&](const std::string& reference) {
            const auto found = operandTypes_.find(reference);
            return found == operandTypes_.end() ? std::nullopt : found->second;
        });
    }

    // The column references of a computed column's expression, as written.
    std::vector<std::string> OperandsOf(int column) const {
        if (!list_) {
            return {};
        }
        return sql::ColumnReferences(list_->expressions[static_cast<std::size_t>(column)]);
    }

    // The result column whose whole expression is `reference`: an operand
    // that is read anyway needs no extra column.
    std::optional<int> ColumnReading(const std::string& reference) const {
        if (!list_) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < list_->expressions.size(); ++i) {
            const auto& expression = list_->expressions[i];
            const bool nameOnly =
                std::all_of(expression.begin(), expression.end(), [](const sql::Token& token) {
                    return token.kind == sql::TokenKind::Word ||
                           token.kind == sql::TokenKind::QuotedName || token.text == ".";
                });
            if (nameOnly &&
                sql::ColumnReferences(expression) == std::vector<std::string>{reference}) {
                return static_cast<int>(i);
            }
        }
        return std::nullopt;
    }

    // The statement with `extra` result columns after its own ones, or
    // nullopt when its select list could not be read.
    std::optional<std::string> WithExtraColumns(const std::vector<std::string>& extra) const {
        if (!list_ || list_->fromOffset > statement_.size()) {
            return std::nullopt;
        }
        std::string text = statement_.substr(0, list_->fromOffset);
        for (const auto& reference : extra) {
            text += ", ";
            text += reference;
        }
        text += ' ';
        text.append(statement_, list_->fromOffset);
        return text;
    }

private:
    // Asks SQLite for the declared types of the referenced columns by
    // preparing them as a select list over the same FROM clause.
    void LearnOperandTypes(const std::vector<std::string>& references) {
        if (references.empty()) {
            return;
        }
        std::string probe = "SELECT ";
        for (std::size_t i = 0; i < references.size(); ++i) {
            probe += i ? ", " : "";
            probe += references[i];
        }
        probe += ' ';
        probe.append(statement_, std::min(list_->fromOffset, statement_.size()));
        const StatementPtr prepared = TryPrepare(database_, probe);
        if (!prepared) {
            return;
        }
        for (std::size_t i = 0; i < references.size(); ++i) {
            const char* declared = sqlite3_column_decltype(prepared.get(), static_cast<int>(i));
            operandTypes_[references[i]] =
                declared ? TypeOfDeclaration(declared) : std::optional<std::int32_t>();
        }
    }

    sqlite3* database_;
    const std::string& statement_;
    std::optional<sql::SelectList> list_;
    std::map<std::string, std::optional<std::int32_t>> operandTypes_;
};

// The operands of the computed amount columns: a result column that is
// the operand itself, or else an extra result column after the
// statement's own ones.
struct AmountOperands {
    struct Operand {
        int column;             // the result column it is read from
        std::string reference;  // as written
    };
    std::vector<std::string> extra;          // each extra column, once
    std::vector<std::vector<Operand>> uses;  // by column: its operands

    void Add(int column, const std::vector<std::string>& operands,
             const ComputedColumnTypes& computed, int ownColumns) {
        if (uses.size() <= static_cast<std::size_t>(column)) {
            uses.resize(static_cast<std::size_t>(column) + 1);
        }
        for (const auto& operand : operands) {
            int from = 0;
            if (const auto own = computed.ColumnReading(operand)) {
                from = *own;
            } else {
                auto found = std::find(extra.begin(), extra.end(), operand);
                if (found == extra.end()) {
                    found = extra.insert(extra.end(), operand);
                }
                from = ownColumns + static_cast<int>(found - extra.begin());
            }
            uses[static_cast<std::size_t>(column)].push_back({from, operand});
        }
    }

    // A computed amount made of an operand that is no number is no amount
    // either: SQLite counts text such as "abc" as 0, which would make up an
    // amount the data never held. Gives the cell of `column` in the current
    // row when an operand made it no amount (the operand's text), else
    // nullopt.
    std::optional<Variant> NotAnAmount(sqlite3_stmt* statement, int column,
                                       const std::string& name) const {
        if (static_cast<std::size_t>(column) >= uses.size()) {
            return std::nullopt;
        }
        for (const auto& operand : uses[static_cast<std::size_t>(column)]) {
            const StoredValue value = ReadStored(statement, operand.column);
            if (value.kind != StoredValue::Null && !IsFiniteNumber(value)) {
                const std::string text = StoredText(value);
                runtime::ReportFailure("reading the data",
                                       "a value of " + name +
                                           " is no amount of money: its operand " +
                                           operand.reference + " holds \"" + text.substr(0, 40) +
                                           "\"; its cell is left empty");
                return Variant(text);
            }
        }
        return std::nullopt;
    }
};

// The names a command may use for tables: its words and quoted names,
// unquoted. Words that are no table are passed over by the reader.
std::set<std::string> NamesIn(const std::string& command) {
    std::set<std::string> names;
    for (const auto& token : sql::Tokenize(command)) {
        if (token.kind == sql::TokenKind::Word) {
            names.insert(token.text);
        } else if (token.kind == sql::TokenKind::QuotedName && token.text.size() >= 2) {
            const char close = token.text.front() == '[' ? ']' : token.text.front();
            std::string name;
            for (std::size_t i = 1; i + 1 < token.text.size(); ++i) {
                name += token.text[i];
                if (token.text[i] == close && token.text[i + 1] == close) {
                    ++i;
                }
            }
            if (name.find('\0') == std::string::npos) {
                names.insert(name);
            }
        }
    }
    return names;
}

// Appends the value of result column `c` in the current row to `column`:
// converted when its type is known, as stored when not.
void ReadCell(sqlite3_stmt* statement, int c, ColumnTyping& typing, const AmountOperands& amounts,
              Column& column) {
    if (auto none = amounts.NotAnAmount(statement, c, column.name)) {
        column.values.push_back(std::move(*none));
        return;
    }
    const auto type = typing.Known();
    if (type && AppendedAsStored(column.values, statement, c, *type)) {
        return;
    }
    StoredValue value = ReadStored(statement, c);
    if (!type) {
        column.values.push_back(typing.Provisional(std::move(value)));
        return;
    }
    // 32-bit columns are read as 64-bit ones and narrowed at the end.
    const std::int32_t as = *type == adInteger ? adBigInt : *type;
    column.values.push_back(Converted(std::move(value), as, column.name));
}

}  // namespace

struct LocalStore::ClassicMdb {
    ReaderLimits limits;
    std::set<std::string> requested;
    // The General order every text column read so far sorts in, when they
    // agree on one: statements then sort by its keys.
    std::optional<textorder::SortOrder> textOrder;
};

LocalStore::LocalStore(std::string path, sqlite3* database)
    : path_(std::move(path)), database_(database) {}

LocalStore::~LocalStore() = default;

std::shared_ptr<LocalStore> LocalStore::Open(const std::string& dataSource) {
    const std::string path = ResolvePath(dataSource);
    RequireRegularFile(path);
    if (FormatOf(path) == DatabaseFormat::ClassicMdb) {
        return OpenClassicMdb(path);
    }
    if (UsesWriteAheadLog(path)) {
        return OpenPrivateCopy(path);
    }
    std::shared_ptr<LocalStore> store = OpenConnection(path, path, ReadOnly);
    sqlite3* database = store->database_.get();
    if (sqlite3_exec(database, kFirstRead, nullptr, nullptr, nullptr) == SQLITE_OK) {
        return store;
    }
    if (sqlite3_extended_errcode(database) != SQLITE_READONLY_ROLLBACK) {
        Fail(database, "cannot read the database " + path);
    }
    // Another program stopped in the middle of a change and left its
    // journal: the last committed state is read from a copy, where SQLite
    // may roll the change back.
    store.reset();
    try {
        return OpenPrivateCopy(path);
    } catch (const std::exception& error) {
        throw runtime::Failure(
            "an unfinished change by another program is pending; Kestrova only reads and cannot "
            "roll it back (" +
            std::string(error.what()) + ")");
    }
}

std::shared_ptr<LocalStore> LocalStore::OpenConnection(const std::string& path,
                                                       const std::string& file, Access access) {
    const int flags = (access == ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
                      (access == InMemory ? SQLITE_OPEN_MEMORY : 0);
    sqlite3* raw = nullptr;
    const std::string name = access == InMemory ? ":memory:" : FileUri(file, access);
    const int result = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    std::shared_ptr<LocalStore> store(new LocalStore(path, raw));
    if (result != SQLITE_OK) {
        Fail(raw, "cannot open the database " + path);
    }
    sqlite3_busy_timeout(raw, kBusyMilliseconds);
    SortTextAsTheFormatDoes(raw);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    return store;
}

// Opens a private copy of the database and its logs, lets SQLite bring the
// copy to its last committed state (applying a write-ahead log, rolling back
// an unfinished change) as one plain file, and removes the copy from the
// folder at once: the open connection goes on reading it, and nothing is
// left behind even if the program is ended.
std::shared_ptr<LocalStore> LocalStore::OpenPrivateCopy(const std::string& path) {
    PrivateCopy copy(path);
    std::shared_ptr<LocalStore> store = OpenConnection(path, copy.Path(), ReadWrite);
    sqlite3* database = store->database_.get();
    if (sqlite3_exec(database, "PRAGMA journal_mode = DELETE;", nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(database, kFirstRead, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(database, "cannot read the database " + path);
    }
    copy.Discard();
    return store;
}

// Checks in the reader process that the file opens and lists its tables;
// the tables themselves are read when a command names them.
std::shared_ptr<LocalStore> LocalStore::OpenClassicMdb(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    auto classic = std::make_unique<ClassicMdb>();
    classic->limits = LimitsForFileOf(error ? 0 : size);
    try {
        ReadMdbTables(path, {}, classic->limits);
    } catch (const std::exception& error) {
        throw runtime::Failure("cannot read the database " + path + ": " + error.what());
    }
    std::shared_ptr<LocalStore> store = OpenConnection(path, path, InMemory);
    store->classicMdb_ = std::move(classic);
    return store;
}

void LocalStore::LoadTablesNamedIn(const std::string& command,
                                   const std::vector<RelatedColumn>& related) {
    if (!classicMdb_) {
        return;
    }
    std::set<std::string> requested = classicMdb_->requested;
    requested.merge(NamesIn(command));
    // The copy is Kestrova's own: its related columns are indexed, so that
    // a level's rows for some keys are found at once.
    for (const auto& [statement, column] : related) {
        if (const auto source = sql::SourceColumn(statement, column)) {
            requested.insert(source->first + mdbfile::kIndexSeparator + source->second);
        }
    }
    if (requested.size() == classicMdb_->requested.size()) {
        return;
    }
    const std::vector<std::string> names(requested.begin(), requested.end());
    SqliteImage image;
    try {
        image = ReadMdbTables(path_, names, classicMdb_->limits);
    } catch (const std::exception& error) {
        throw runtime::Failure("cannot read the tables of " + path_ + ": " + error.what());
    }
    // Asked for and read: a later command naming them reads nothing again.
    classicMdb_->requested = std::move(requested);
    if (image.size == 0) {
        return;  // none of the names is a table of the file
    }
    const auto size = static_cast<sqlite3_int64>(image.size);
    if (sqlite3_deserialize(database_.get(), "main", image.bytes.release(), size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) !=
        SQLITE_OK) {
        Fail(database_.get(), "cannot take over the tables read from " + path_);
    }
    sqlite3_exec(database_.get(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    classicMdb_->textOrder = OneGeneralOrderOf(database_.get());
    columnsWithoutText_.reset();
}

LocalStore::Snapshot::Snapshot(const LocalStore& store) : database_(store.database_.get()) {
    // Inside another snapshot (a result whose later parts are still to be
    // read), a command reads in that one.
    if (sqlite3_get_autocommit(database_) == 0) {
        database_ = nullptr;
        return;
    }
    // Deferred: the snapshot is taken by the first read inside it.
    if (sqlite3_exec(database_, "BEGIN DEFERRED", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(database_, "cannot begin reading");
    }
}

LocalStore::Snapshot::~Snapshot() {
    if (!database_) {
        return;
    }
    if (sqlite3_exec(database_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

std::shared_ptr<Table> LocalStore::Query(const std::string& command) const {
    auto table = std::make_shared<Table>();
    const ResultColumns columns =
        QueryInChunks(command, SIZE_MAX, [&](Table& chunk) { *table = std::move(chunk); });
    columns.Finish(*table);
    return table;
}

std::string LocalStore::Sortable(const std::string& command) const {
    // The tables of a classic .mdb file name each text column's own order;
    // a SQLite file's text sorts as General.
    const auto order = classicMdb_ ? classicMdb_->textOrder
                                   : std::optional<textorder::SortOrder>(textorder::SortOrder{});
    if (!columnsWithoutText_) {
        columnsWithoutText_ = ColumnsWithoutText(database_.get());
    }
    return order ? WithTextSortedBy(command, *order, *columnsWithoutText_) : command;
}

std::optional<std::shared_ptr<Table>> LocalStore::Lookup(
    const std::string& command, const std::string& column,
    const std::vector<sql::LookupKey>& keys) const {
    sqlite3* database = database_.get();
    const std::string whole = Sortable(command);
    const StatementPtr statement = TryPrepare(database, whole);
    if (!statement) {
        return std::nullopt;
    }
    const int count = sqlite3_column_count(statement.get());
    std::optional<std::size_t> index;
    for (int c = 0; c < count && !index; ++c) {
        if (column == sqlite3_column_name(statement.get(), c)) {
            index = static_cast<std::size_t>(c);
        }
    }
    for (int c = 0; c < count && !index; ++c) {
        if (sqlite3_stricmp(column.c_str(), sqlite3_column_name(statement.get(), c)) == 0) {
            index = static_cast<std::size_t>(c);
        }
    }
    const auto cut = index ? sql::WithKeysIn(command, *index, static_cast<std::size_t>(count), keys)
                           : std::nullopt;
    // The plan is the one for keys at all: with none, SQLite reads nothing.
    const auto planned =
        cut && keys.empty()
            ? sql::WithKeysIn(command, *index, static_cast<std::size_t>(count), {std::int64_t{0}})
            : cut;
    if (!planned || !sql::SameOrderThroughAnIndex(PlanOf(database, whole),
                                                  PlanOf(database, Sortable(*planned)))) {
        return std::nullopt;
    }
    auto table = std::make_shared<Table>();
    const ResultColumns columns =
        QueryInChunks(*cut, SIZE_MAX, [&](Table& chunk) { *table = std::move(chunk); });
    if (std::any_of(columns.typing.begin(), columns.typing.end(),
                    [](const ColumnTyping& typing) { return !typing.Known(); })) {
        return std::nullopt;
    }
    columns.Finish(*table);
    return table;
}

ResultColumns LocalStore::QueryInChunks(const std::string& command, std::size_t rowsPerChunk,
                                        const std::function<void(Table&)>& take) const {
    const std::string text = Sortable(command);
    sqlite3* database = database_.get();
    const char* tail = nullptr;
    StatementPtr statement = Prepare(database, text, &tail);
    if (!statement) {
        throw runtime::Failure("the query is empty");
    }
    if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
        throw runtime::Failure("the query holds more than one statement");
    }
    if (!sqlite3_stmt_readonly(statement.get())) {
        throw runtime::Failure("the query would change the database");
    }
    const int columnCount = sqlite3_column_count(statement.get());
    // A column's type is known before its rows are read when it is declared
    // or computed from typed operands; otherwise its values decide, and they
    // are kept as stored until all are read.
    ComputedColumnTypes computed(database, text, columnCount);
    ResultColumns result;
    AmountOperands amounts;
    for (int c = 0; c < columnCount; ++c) {
        result.names.emplace_back(sqlite3_column_name(statement.get(), c));
        const char* declared = sqlite3_column_decltype(statement.get(), c);
        const auto type = declared ? TypeOfDeclaration(declared) : computed.TypeOf(c);
        result.typing.emplace_back(type);
        if (!declared && type && IsShownAsMoney(*type)) {
            amounts.Add(c, computed.OperandsOf(c), computed, columnCount);
        }
    }
    if (!amounts.extra.empty()) {
        // The computed amounts' other operands are read along with each row.
        const auto extended = computed.WithExtraColumns(amounts.extra);
        StatementPtr withOperands = extended ? TryPrepare(database, *extended) : nullptr;
        if (withOperands && sqlite3_column_count(withOperands.get()) ==
                                columnCount + static_cast<int>(amounts.extra.size())) {
            statement = std::move(withOperands);
        } else {
            amounts = AmountOperands();
        }
    }
    Table chunk;
    const auto startChunk = [&] {
        chunk = Table();
        chunk.columns.resize(result.names.size());
        for (std::size_t c = 0; c < result.names.size(); ++c) {
            chunk.columns[c].name = result.names[c];
            chunk.columns[c].type = result.typing[c].Known().value_or(adEmpty);
        }
    };
    const auto handOn = [&] {
        for (std::size_t c = 0; c < chunk.columns.size(); ++c) {
            result.typing[c].See(chunk.columns[c].values);
        }
        take(chunk);
        startChunk();
    };
    startChunk();
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        for (int c = 0; c < columnCount; ++c) {
            const auto column = static_cast<std::size_t>(c);
            ReadCell(statement.get(), c, result.typing[column], amounts, chunk.columns[column]);
        }
        if (++chunk.rowCount == rowsPerChunk) {
            handOn();
        }
    }
    if (step != SQLITE_DONE) {
        Fail(database, "reading the query's rows failed");
    }
    if (chunk.rowCount > 0) {
        handOn();
    }
    return result;
}

}  // namespace kestrova::platform
