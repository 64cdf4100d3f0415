#include "tests/data/MdbFixture.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "tools/jetfile/JetFile.h"

namespace kestrova::testing {

namespace {

using jetfile::ColumnType;
using jetfile::Value;

struct Closer {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

Statement Prepare(sqlite3* database, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(database));
    }
    return Statement(statement);
}

std::string Text(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

ColumnType TypeOf(const std::string& declared) {
    std::string word;
    for (const char c : declared) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            break;
        }
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::pair<const char*, ColumnType> kTypes[] = {
        {"INTEGER", ColumnType::Long},      {"INT", ColumnType::Long},
        {"SMALLINT", ColumnType::Integer},  {"BYTE", ColumnType::Byte},
        {"CURRENCY", ColumnType::Currency}, {"DATETIME", ColumnType::DateTime},
        {"DATE", ColumnType::DateTime},     {"DOUBLE", ColumnType::Double},
        {"REAL", ColumnType::Double},       {"SINGLE", ColumnType::Single},
        {"BOOLEAN", ColumnType::Boolean},   {"MEMO", ColumnType::Memo},
    };
    for (const auto& [name, type] : kTypes) {
        if (word == name) {
            return type;
        }
    }
    return ColumnType::Text;
}

double DateValue(const std::string& text) {
    const auto days = jetfile::DateValue(text);
    if (!days) {
        throw std::runtime_error("not a date: " + text);
    }
    return *days;
}

// An amount as ten-thousandths, exactly from its decimal text.
std::int64_t TenThousandths(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
        return sqlite3_column_int64(statement, column) * 10000;
    }
    if (sqlite3_column_type(statement, column) == SQLITE_FLOAT) {
        return std::llround(sqlite3_column_double(statement, column) * 10000.0);
    }
    const std::string text = Text(statement, column);
    long long whole = 0;
    char fraction[8] = {};
    const bool negative = !text.empty() && text[0] == '-';
    if (std::sscanf(text.c_str() + negative, "%lld.%4[0-9]", &whole, fraction) < 1) {
        throw std::runtime_error("not an amount: " + text);
    }
    std::string digits = fraction;
    digits.resize(4, '0');
    const std::int64_t magnitude = whole * 10000 + std::stoll(digits);
    return negative ? -magnitude : magnitude;
}

Value ValueOf(sqlite3_stmt* statement, int column, ColumnType type) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return {};
    }
    switch (type) {
        case ColumnType::Boolean:
            return sqlite3_column_int64(statement, column) != 0;
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
            if (sqlite3_column_type(statement, column) != SQLITE_INTEGER) {
                throw std::runtime_error("not a whole number: " + Text(statement, column));
            }
            return sqlite3_column_int64(statement, column);
        case ColumnType::Currency:
            return TenThousandths(statement, column);
        case ColumnType::Single:
        case ColumnType::Double:
            return sqlite3_column_double(statement, column);
        case ColumnType::DateTime:
            return DateValue(Text(statement, column));
        default:
            return Text(statement, column);
    }
}

// A text column's declaration may name its sort order: "TEXT LCID(1053)"
// (Swedish/Finnish), "TEXT SORT2010" (the order's version of Access 2010).
void SortOrderOf(const std::string& declared, jetfile::ColumnSpec& column) {
    const auto lcid = declared.find("LCID(");
    if (lcid != std::string::npos) {
        column.sortLanguage = static_cast<std::uint16_t>(std::stoi(declared.substr(lcid + 5)));
    }
    if (declared.find("SORT2010") != std::string::npos) {
        column.sortVersion = 1;
    }
}

}  // namespace

void CopyToClassicMdb(const std::string& sqliteFile, const std::string& mdbFile) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(sqliteFile.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> database(raw);
    jetfile::JetFile file;
    Statement tables =
        Prepare(raw, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (sqlite3_step(tables.get()) == SQLITE_ROW) {
        const std::string table = Text(tables.get(), 0);
        Statement rows = Prepare(raw, "SELECT * FROM \"" + table + "\" ORDER BY rowid");
        const int count = sqlite3_column_count(rows.get());
        std::vector<jetfile::ColumnSpec> columns;
        for (int c = 0; c < count; ++c) {
            const char* declared = sqlite3_column_decltype(rows.get(), c);
            columns.push_back(
                {sqlite3_column_name(rows.get(), c), TypeOf(declared ? declared : "")});
            SortOrderOf(declared ? declared : "", columns.back());
        }
        file.BeginTable(table, columns);
        while (sqlite3_step(rows.get()) == SQLITE_ROW) {
            std::vector<Value> values;
            for (int c = 0; c < count; ++c) {
                values.push_back(ValueOf(rows.get(), c, columns[static_cast<std::size_t>(c)].type));
            }
            file.AddRow(values);
        }
    }
    file.Save(mdbFile);
}

}  // namespace kestrova::testing
