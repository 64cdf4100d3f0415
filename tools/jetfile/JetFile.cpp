#include "tools/jetfile/JetFile.h"

#include "tools/jetfile/FieldEncoding.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/mdbfile/HeaderLayout.h"
#include "platform/mdbfile/Rc4.h"

namespace kestrova::jetfile {

namespace {

constexpr std::size_t kPageSize = 4096;

// Data pages: type, a constant, free space, the table's definition page
// (or "LVAL" on a long value page), four unknown bytes, the row count, then
// one offset per row.
constexpr std::size_t kDataHeader = 14;
// The catalog's table definition always lies on page 2.
constexpr std::uint32_t kGlobalMapPage = 1;
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kCatalogDataPage = 3;
constexpr std::uint32_t kUsageMapPage = 4;
// Every table's maps share the usage map page: a map held in its row covers
// at most this many pages, a larger table's map has pages of its own, each
// a header and one bit for each page of its stretch of the file.
constexpr std::uint32_t kLongestInlineMap = 1024;
constexpr std::size_t kMapPageHeader = 4;
constexpr std::uint32_t kPagesAMapPage = (kPageSize - kMapPageHeader) * 8;
constexpr std::uint8_t kFixedColumn = 0x01;
constexpr std::uint8_t kNullableColumn = 0x02;
constexpr std::uint8_t kUserTable = 0x4e;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002;
constexpr std::uint32_t kMemoInline = 0x80000000;
constexpr std::uint32_t kMemoOnOnePage = 0x40000000;
constexpr std::size_t kLongestInlineMemo = 256;
// A long value page holds one row: the memo, or in a chain the next
// page's pointer and a piece of it.
constexpr std::size_t kLongValueRoom = kPageSize - kDataHeader - 2;
constexpr std::size_t kChainPieceRoom = kLongValueRoom - 4;

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value & 0xffff);
    Put16(at + 2, value >> 16);
}

void Append16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}
void Append32(std::string& out, std::uint32_t value) {
    Append16(out, value & 0xffff);
    Append16(out, value >> 16);
}

bool IsFixed(ColumnType type) {
    return type != ColumnType::Text && type != ColumnType::Memo;
}

std::size_t FixedSize(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean:
            return 0;  // kept in the row's null mask
        case ColumnType::Byte:
            return 1;
        case ColumnType::Integer:
            return 2;
        case ColumnType::Long:
        case ColumnType::Single:
            return 4;
        default:
            return 8;
    }
}

// The length a table definition states for a column.
std::uint16_t DeclaredLength(ColumnType type) {
    if (type == ColumnType::Text) {
        return 510;  // 255 characters of two bytes
    }
    if (type == ColumnType::Memo) {
        return 0;
    }
    return type == ColumnType::Boolean ? 1 : static_cast<std::uint16_t>(FixedSize(type));
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

void PutFixed(std::uint8_t* at, ColumnType type, const Value& value, const std::string& column) {
    const std::string bytes = EncodedFixed(type, value, column);
    std::memcpy(at, bytes.data(), bytes.size());
}

// An empty data page of `owner` (a table definition's page, or "LVAL").
std::vector<std::uint8_t> DataPage(std::uint32_t owner) {
    std::vector<std::uint8_t> page(kPageSize, 0);
    page[0] = 0x01;
    page[1] = 0x01;
    Put16(page.data() + 2, kPageSize - kDataHeader);
    Put32(page.data() + 4, owner);
    return page;
}

// "LVAL" read as a little-endian number, where a data page names its table.
constexpr std::uint32_t kLongValueOwner = 'L' | ('V' << 8) | ('A' << 16) | ('L' << 24);

// Type 0: the first page's number, then one bit a page from it on.
std::string InlineUsageMap(const std::vector<std::uint32_t>& owned) {
    const std::uint32_t first = owned.empty() ? 0 : owned.front();
    const std::uint32_t span = owned.empty() ? 0 : owned.back() - first + 1;
    std::string row(5 + (span + 7) / 8, '\0');
    auto* map = reinterpret_cast<std::uint8_t*>(row.data());
    Put32(map + 1, first);
    for (const std::uint32_t page : owned) {
        const std::uint32_t bit = page - first;
        map[5 + bit / 8] = static_cast<std::uint8_t>(map[5 + bit / 8] | (1 << (bit % 8)));
    }
    return row;
}

}  // namespace

std::optional<double> DateValue(const std::string& iso) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(iso.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &year, &month, &day, &hour, &minute,
                    &second) < 3) {
        return std::nullopt;
    }
    // Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
    const auto daysFromCivil = [](std::int64_t y, std::int64_t m, std::int64_t d) {
        y -= m <= 2;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yearOfEra = y - era * 400;
        const std::int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    };
    const auto days =
        static_cast<double>(daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30));
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    return days < 0 ? days - time : days + time;
}

struct JetFile::Table {
    std::string name;
    std::vector<ColumnSpec> columns;
    std::vector<std::uint16_t> offsets;  // fixed: offset in the fixed part; else var index
    std::size_t fixedBytes = 0;
    std::size_t varColumns = 0;
    std::uint32_t definitionPage = 0;
    std::vector<std::uint32_t> dataPages;
    std::size_t rowsOnPage = 0;
    std::size_t lowestRow = kPageSize;
    std::uint32_t rowCount = 0;
    bool system = false;
    bool onePage = false;  // the catalog and the usage maps: each has its page

    void Lay() {
        for (const auto& column : columns) {
            if (IsFixed(column.type)) {
                offsets.push_back(static_cast<std::uint16_t>(fixedBytes));
                fixedBytes += FixedSize(column.type);
            } else {
                offsets.push_back(static_cast<std::uint16_t>(varColumns++));
            }
        }
    }
};

JetFile::JetFile() {
    // The definition page, the global usage map, the catalog's definition
    // and data, and the tables' usage maps come first.
    for (std::uint32_t page = 0; page <= kUsageMapPage; ++page) {
        NewPage();
    }
    Table catalog;
    catalog.name = "MSysObjects";
    catalog.system = true;
    catalog.onePage = true;
    catalog.columns = {{"Id", ColumnType::Long},    {"ParentId", ColumnType::Long},
                       {"Name", ColumnType::Text},  {"Type", ColumnType::Integer},
                       {"Flags", ColumnType::Long}, {"LvProp", ColumnType::Memo}};
    catalog.definitionPage = kCatalogPage;
    catalog.dataPages = {kCatalogDataPage};
    catalog.Lay();
    pages_[kCatalogDataPage] = DataPage(kCatalogPage);
    pages_[kGlobalMapPage] = DataPage(0);
    tables_.push_back(std::move(catalog));
}

JetFile::~JetFile() = default;

std::uint32_t JetFile::NewPage() {
    pages_.emplace_back(kPageSize, 0);
    return static_cast<std::uint32_t>(pages_.size() - 1);
}

void JetFile::BeginTable(const std::string& name, std::vector<ColumnSpec> columns) {
    Table table;
    table.name = name;
    table.columns = std::move(columns);
    table.definitionPage = NewPage();
    table.Lay();
    tables_.push_back(std::move(table));
}

void JetFile::AddRow(const std::vector<Value>& values) {
    if (tables_.size() < 2) {
        Fail("a row was added before any table");
    }
    Table& table = tables_.back();
    StoreRow(table, EncodeRow(table, values));
}

std::string JetFile::LongValue(const std::string& bytes) {
    std::string field;
    if (bytes.size() <= kLongValueRoom) {
        const std::uint32_t page = NewPage();
        pages_[page] = DataPage(kLongValueOwner);
        Table holder;
        holder.dataPages = {page};
        StoreRow(holder, bytes);
        Append32(field, static_cast<std::uint32_t>(bytes.size()) | kMemoOnOnePage);
        Append32(field, page << 8);
        Append32(field, 0);
        return field;
    }
    // A chain: each piece names the page of the next one (0 for none).
    const std::size_t pieces = (bytes.size() + kChainPieceRoom - 1) / kChainPieceRoom;
    std::vector<std::uint32_t> chain;
    for (std::size_t p = 0; p < pieces; ++p) {
        chain.push_back(NewPage());
        pages_[chain.back()] = DataPage(kLongValueOwner);
    }
    for (std::size_t p = 0; p < pieces; ++p) {
        std::string row;
        Append32(row, p + 1 < pieces ? chain[p + 1] << 8 : 0);
        row += bytes.substr(p * kChainPieceRoom, kChainPieceRoom);
        Table holder;
        holder.dataPages = {chain[p]};
        StoreRow(holder, row);
    }
    Append32(field, static_cast<std::uint32_t>(bytes.size()));
    Append32(field, chain[0] << 8);
    Append32(field, 0);
    return field;
}

// A row: its column count, the fixed part, the variable values, the end of
// the data, the variable values' offsets (last first), their count and the
// null mask (1 = a value; a Boolean's value itself).
std::string JetFile::EncodeRow(const Table& table, const std::vector<Value>& values) {
    const auto& columns = table.columns;
    if (values.size() != columns.size()) {
        Fail("a row of " + table.name + " has " + std::to_string(values.size()) + " values for " +
             std::to_string(columns.size()) + " columns");
    }
    std::string row(2 + table.fixedBytes, '\0');
    Put16(reinterpret_cast<std::uint8_t*>(row.data()), static_cast<std::uint32_t>(columns.size()));
    std::string mask((columns.size() + 7) / 8, '\0');
    std::vector<std::uint16_t> varStarts;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Value& value = values[c];
        const ColumnType type = columns[c].type;
        bool present = !std::holds_alternative<std::monostate>(value);
        if (type == ColumnType::Boolean) {
            const auto* flag = std::get_if<bool>(&value);
            present = flag && *flag;
        } else if (present && IsFixed(type)) {
            PutFixed(reinterpret_cast<std::uint8_t*>(row.data()) + 2 + table.offsets[c], type,
                     value, columns[c].name);
        } else if (!IsFixed(type)) {
            varStarts.push_back(static_cast<std::uint16_t>(row.size()));
            if (present) {
                const auto* text = std::get_if<std::string>(&value);
                if (!text) {
                    Fail("a text was expected in " + columns[c].name);
                }
                const std::string encoded = EncodedText(*text);
                if (type == ColumnType::Text && encoded.size() > 510) {
                    Fail("a text of more than 255 characters in " + columns[c].name);
                }
                if (type == ColumnType::Memo && encoded.size() > kLongestInlineMemo) {
                    row += LongValue(encoded);
                } else if (type == ColumnType::Memo) {
                    std::string head;
                    Append32(head, static_cast<std::uint32_t>(encoded.size()) | kMemoInline);
                    Append32(head, 0);
                    Append32(head, 0);
                    row += head + encoded;
                } else {
                    row += encoded;
                }
            }
        }
        if (present) {
            mask[c / 8] = static_cast<char>(mask[c / 8] | (1 << (c % 8)));
        }
    }
    if (table.varColumns > 0) {
        Append16(row, static_cast<std::uint32_t>(row.size()));
        for (auto start = varStarts.rbegin(); start != varStarts.rend(); ++start) {
            Append16(row, *start);
        }
        Append16(row, static_cast<std::uint32_t>(varStarts.size()));
    }
    return row + mask;
}

void JetFile::StoreRow(Table& table, const std::string& row) {
    if (kDataHeader + 2 + row.size() > kPageSize) {
        Fail("a row of " + table.name + " does not fit into a page");
    }
    const std::size_t headerEnd = kDataHeader + 2 * (table.rowsOnPage + 1);
    if (table.dataPages.empty() || table.lowestRow < headerEnd + row.size()) {
        if (table.onePage) {
            Fail("too many tables for " + table.name + " to fit into one page");
        }
        if (table.dataPages.empty() || table.rowsOnPage > 0) {
            const std::uint32_t page = NewPage();
            pages_[page] = DataPage(table.definitionPage);
            table.dataPages.push_back(page);
        }
        table.rowsOnPage = 0;
        table.lowestRow = kPageSize;
    }
    std::uint8_t* page = pages_[table.dataPages.back()].data();
    table.lowestRow -= row.size();
    std::memcpy(page + table.lowestRow, row.data(), row.size());
    Put16(page + kDataHeader + 2 * table.rowsOnPage, static_cast<std::uint32_t>(table.lowestRow));
    ++table.rowsOnPage;
    Put16(page + 12, static_cast<std::uint32_t>(table.rowsOnPage));
    Put16(page + 2,
          static_cast<std::uint32_t>(table.lowestRow - (kDataHeader + 2 * table.rowsOnPage)));
    ++table.rowCount;
}

void JetFile::WriteCatalog() {
    Table& catalog = tables_[0];
    if (catalog.rowCount > 0) {
        Fail("the catalog was written twice");
    }
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const std::uint32_t flags = tables_[t].system ? kSystemObjectFlags : 0;
        StoreRow(catalog, EncodeRow(catalog, {std::int64_t{tables_[t].definitionPage},
                                              std::int64_t{0}, tables_[t].name, std::int64_t{1},
                                              std::int64_t{flags}, std::monostate{}}));
    }
}

// Each table's map of the pages it owns, and an empty map of pages with
// free space: two rows of the usage map page. A table of few pages has its
// map in its row, from its first data page on; a larger one has pages of
// maps of their own, the row naming them (a "reference" map).
void JetFile::WriteUsageMaps() {
    Table maps;
    maps.name = "the usage maps";
    maps.onePage = true;
    maps.dataPages = {kUsageMapPage};
    pages_[kUsageMapPage] = DataPage(0);
    for (const Table& table : tables_) {
        const std::vector<std::uint32_t>& owned = table.dataPages;
        const bool fits = owned.empty() || owned.back() - owned.front() < kLongestInlineMap;
        StoreRow(maps, fits ? InlineUsageMap(owned) : ReferenceUsageMap(owned));
        StoreRow(maps, std::string(5, '\0'));
    }
}

// Type 1: the numbers of map pages, the n-th of which holds one bit for
// each of the n-th stretch of kPagesAMapPage pages of the file (0 where a
// stretch holds none of the table's pages).
std::string JetFile::ReferenceUsageMap(const std::vector<std::uint32_t>& owned) {
    const std::uint32_t stretches = owned.back() / kPagesAMapPage + 1;
    std::string row(1 + 4 * std::size_t{stretches}, '\0');
    row[0] = 0x01;
    std::vector<std::uint32_t> mapPages(stretches, 0);
    for (const std::uint32_t page : owned) {
        const std::uint32_t stretch = page / kPagesAMapPage;
        if (mapPages[stretch] == 0) {
            mapPages[stretch] = NewPage();
            pages_[mapPages[stretch]][0] = 0x05;
            pages_[mapPages[stretch]][1] = 0x01;
            Put32(reinterpret_cast<std::uint8_t*>(row.data()) + 1 + 4 * stretch, mapPages[stretch]);
        }
        const std::uint32_t bit = page % kPagesAMapPage;
        std::uint8_t& byte = pages_[mapPages[stretch]][kMapPageHeader + bit / 8];
        byte = static_cast<std::uint8_t>(byte | (1 << (bit % 8)));
    }
    return row;
}

// The definition page of a table: its header block, its columns and their
// names, no indexes, and the end of the (empty) list of variable columns'
// usage maps.
void JetFile::WriteDefinition(const Table& table) {
    const auto index = static_cast<std::uint32_t>(&table - tables_.data());
    const std::uint32_t usedPages = (kUsageMapPage << 8) | (2 * index);
    const std::uint32_t freePages = (kUsageMapPage << 8) | (2 * index + 1);
    std::string body(63, '\0');
    auto* head = reinterpret_cast<std::uint8_t*>(body.data());
    head[0] = 0x02;
    head[1] = 0x01;
    Put32(head + 16, table.rowCount);
    head[40] = table.system ? kSystemTable : kUserTable;
    Put16(head + 41, static_cast<std::uint32_t>(table.columns.size()));
    Put16(head + 43, static_cast<std::uint32_t>(table.varColumns));
    Put16(head + 45, static_cast<std::uint32_t>(table.columns.size()));
    Put32(head + 55, usedPages);
    Put32(head + 59, freePages);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        std::uint8_t entry[25] = {};
        const ColumnType type = table.columns[c].type;
        entry[0] = static_cast<std::uint8_t>(type);
        Put16(entry + 5, static_cast<std::uint32_t>(c));
        Put16(entry + 9, static_cast<std::uint32_t>(c));
        if (IsFixed(type)) {
            Put16(entry + 21, table.offsets[c]);
        } else {
            Put16(entry + 7, table.offsets[c]);
            // The text's sort order: its language id, and its version.
            Put16(entry + 11, table.columns[c].sortLanguage);
            entry[14] = table.columns[c].sortVersion;
        }
        entry[15] = static_cast<std::uint8_t>((IsFixed(type) ? kFixedColumn : 0) | kNullableColumn);
        Put16(entry + 23, DeclaredLength(type));
        body.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    for (const auto& column : table.columns) {
        const std::string name = Utf16(column.name);
        Append16(body, static_cast<std::uint32_t>(name.size()));
        body += name;
    }
    Append16(body, 0xffff);
    if (body.size() > kPageSize) {
        Fail("the definition of " + table.name + " does not fit into a page");
    }
    std::uint8_t* page = pages_[table.definitionPage].data();
    std::memcpy(page, body.data(), body.size());
    Put16(page + 2, static_cast<std::uint32_t>(kPageSize - body.size() - 8));
    Put32(page + 8, static_cast<std::uint32_t>(body.size() - 8));
}

void JetFile::SetPassword(const std::string& password) {
    const std::string stored = Utf16(password);
    if (stored.size() > 40) {
        Fail("a password of more than 20 characters");
    }
    password_ = stored;
}

// The definition page: the format's name, its version (1: Jet 4), and the
// masked block of settings: the page key and the password. The creation
// date, whose whole days mask the password once more, is left zero.
void JetFile::WriteDatabaseDefinition() {
    using namespace mdbfile::header;
    std::uint8_t* page = pages_[0].data();
    std::memset(page, 0, kPageSize);
    page[1] = 0x01;
    std::memcpy(page + 4, "Standard Jet DB", 16);
    page[kVersionAt] = 0x01;
    Put32(page + kPageKeyAt, pageKey_);
    std::memcpy(page + kPasswordAt, password_.data(), password_.size());
    ToggleSettingsMask(page, 1);
}

void JetFile::Save(const std::string& path) {
    WriteCatalog();
    WriteUsageMaps();
    for (const Table& table : tables_) {
        WriteDefinition(table);
    }
    WriteDatabaseDefinition();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::size_t number = 0; number < pages_.size(); ++number) {
        Page page = pages_[number];
        if (pageKey_ != 0 && number > 0) {
            std::uint8_t key[4];
            Put32(key, pageKey_ ^ static_cast<std::uint32_t>(number));
            mdbfile::Rc4(key, sizeof key, page.data(), page.size());
        }
        out.write(reinterpret_cast<const char*>(page.data()), kPageSize);
    }
    out.close();
    if (!out) {
        Fail("cannot write " + path);
    }
}

}  // namespace kestrova::jetfile
