#include "tools/jetfile/JetFile.h"

#include <array>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace kestrova::jetfile {

namespace {

constexpr std::size_t kPageSize = 4096;
using Page = std::array<std::uint8_t, kPageSize>;

// Data pages: type, a constant, free space, the table's definition page,
// four unknown bytes, the row count, then one offset per row.
constexpr std::size_t kDataHeader = 14;
// The catalog's table definition always lies on page 2.
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kCatalogDataPage = 3;
constexpr std::uint32_t kUsageMapPage = 4;
constexpr std::uint32_t kFirstTablePage = 5;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;
constexpr std::uint8_t kFixedColumn = 0x01;
constexpr std::uint8_t kNullableColumn = 0x02;
constexpr std::uint8_t kUserTable = 0x4e;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002;
constexpr std::uint8_t kOleType = 0x0B;
constexpr std::uint32_t kMemoInline = 0x80000000;

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value & 0xffff);
    Put16(at + 2, value >> 16);
}
void Put64(std::uint8_t* at, std::uint64_t value) {
    Put32(at, static_cast<std::uint32_t>(value));
    Put32(at + 4, static_cast<std::uint32_t>(value >> 32));
}

void Append16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

// UTF-8 to UTF-16 little-endian, the text encoding of the format; a byte
// that starts no valid sequence becomes U+FFFD.
std::string Utf16(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        std::uint32_t code = 0xfffd;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        if (valid) {
            code = length == 1 ? lead : lead & (0x7f >> length);
            for (int k = 1; k < length && valid; ++k) {
                valid = (byte(i + k) & 0xc0) == 0x80;
                code = (code << 6) | (byte(i + k) & 0x3f);
            }
        }
        if (!valid) {
            code = 0xfffd;
            i += 1;
        } else {
            i += static_cast<std::size_t>(length);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            Append16(out, 0xd800 + (code >> 10));
            Append16(out, 0xdc00 + (code & 0x3ff));
        } else {
            Append16(out, code);
        }
    }
    return out;
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

void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

}  // namespace

struct JetFile::Table {
    std::string name;
    std::vector<ColumnSpec> columns;
    std::vector<std::uint16_t> offsets;  // fixed: offset in the fixed part; else var index
    std::size_t fixedBytes = 0;
    std::size_t varColumns = 0;
    std::vector<Page> pages;
    std::size_t rowsOnPage = 0;
    std::size_t lowestRow = kPageSize;
    std::uint32_t rowCount = 0;
    bool system = false;

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

    std::string EncodeRow(const std::vector<Value>& values) const;
    void Store(const std::string& row);
};

namespace {

void PutFixed(std::uint8_t* at, ColumnType type, const Value& value) {
    const auto* whole = std::get_if<std::int64_t>(&value);
    const auto* real = std::get_if<double>(&value);
    switch (type) {
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
        case ColumnType::Currency:
            if (!whole) {
                Fail("a whole number was expected");
            }
            if (type == ColumnType::Byte) {
                at[0] = static_cast<std::uint8_t>(*whole);
            } else if (type == ColumnType::Integer) {
                Put16(at, static_cast<std::uint32_t>(*whole));
            } else if (type == ColumnType::Long) {
                Put32(at, static_cast<std::uint32_t>(*whole));
            } else {
                Put64(at, static_cast<std::uint64_t>(*whole));
            }
            return;
        case ColumnType::Single: {
            if (!real) {
                Fail("a number was expected");
            }
            const float single = static_cast<float>(*real);
            std::memcpy(at, &single, 4);
            return;
        }
        case ColumnType::Double:
        case ColumnType::DateTime:
            if (!real) {
                Fail("a number was expected");
            }
            std::memcpy(at, real, 8);
            return;
        default:
            return;
    }
}

}  // namespace

// A row: its column count, the fixed part, the variable values, the end of
// the data, the variable values' offsets (last first), their count and the
// null mask (1 = a value; a Boolean's value itself).
std::string JetFile::Table::EncodeRow(const std::vector<Value>& values) const {
    if (values.size() != columns.size()) {
        Fail("a row of " + name + " has " + std::to_string(values.size()) + " values for " +
             std::to_string(columns.size()) + " columns");
    }
    std::string row(2 + fixedBytes, '\0');
    auto* data = reinterpret_cast<std::uint8_t*>(row.data());
    Put16(data, static_cast<std::uint32_t>(columns.size()));
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
            PutFixed(reinterpret_cast<std::uint8_t*>(row.data()) + 2 + offsets[c], type, value);
        } else if (!IsFixed(type)) {
            varStarts.push_back(static_cast<std::uint16_t>(row.size()));
            if (present) {
                const auto* text = std::get_if<std::string>(&value);
                if (!text) {
                    Fail("a text was expected in " + columns[c].name);
                }
                const std::string encoded = Utf16(*text);
                if (type == ColumnType::Text && encoded.size() > 510) {
                    Fail("a text of more than 255 characters in " + columns[c].name);
                }
                if (type == ColumnType::Memo) {
                    std::uint8_t head[12] = {};
                    Put32(head, static_cast<std::uint32_t>(encoded.size()) | kMemoInline);
                    row.append(reinterpret_cast<const char*>(head), sizeof head);
                }
                row += encoded;
            }
        }
        if (present) {
            mask[c / 8] = static_cast<char>(mask[c / 8] | (1 << (c % 8)));
        }
    }
    if (varColumns > 0) {
        Append16(row, static_cast<std::uint32_t>(row.size()));
        for (auto start = varStarts.rbegin(); start != varStarts.rend(); ++start) {
            Append16(row, *start);
        }
        Append16(row, static_cast<std::uint32_t>(varStarts.size()));
    }
    return row + mask;
}

void JetFile::Table::Store(const std::string& row) {
    const std::size_t headerEnd = kDataHeader + 2 * (rowsOnPage + 1);
    if (pages.empty() || lowestRow < headerEnd + row.size()) {
        if (kDataHeader + 2 + row.size() > kPageSize) {
            Fail("a row of " + name + " does not fit into a page");
        }
        pages.emplace_back();
        Page& page = pages.back();
        page.fill(0);
        page[0] = 0x01;
        page[1] = 0x01;
        rowsOnPage = 0;
        lowestRow = kPageSize;
    }
    Page& page = pages.back();
    lowestRow -= row.size();
    std::memcpy(page.data() + lowestRow, row.data(), row.size());
    Put16(page.data() + kDataHeader + 2 * rowsOnPage, static_cast<std::uint32_t>(lowestRow));
    ++rowsOnPage;
    Put16(page.data() + 12, static_cast<std::uint32_t>(rowsOnPage));
    Put16(page.data() + 2, static_cast<std::uint32_t>(lowestRow - (kDataHeader + 2 * rowsOnPage)));
    ++rowCount;
}

JetFile::JetFile() {
    Table catalog;
    catalog.name = "MSysObjects";
    catalog.system = true;
    catalog.columns = {{"Id", ColumnType::Long},    {"ParentId", ColumnType::Long},
                       {"Name", ColumnType::Text},  {"Type", ColumnType::Integer},
                       {"Flags", ColumnType::Long}, {"LvProp", ColumnType::Memo}};
    catalog.Lay();
    tables_.push_back(std::move(catalog));
}

JetFile::~JetFile() = default;

void JetFile::BeginTable(const std::string& name, std::vector<ColumnSpec> columns) {
    Table table;
    table.name = name;
    table.columns = std::move(columns);
    table.Lay();
    tables_.push_back(std::move(table));
}

void JetFile::AddRow(const std::vector<Value>& values) {
    if (tables_.size() < 2) {
        Fail("a row was added before any table");
    }
    Table& table = tables_.back();
    table.Store(table.EncodeRow(values));
}

namespace {

// The definition page of a table: its header block, its columns and their
// names, no indexes, and the end of the (empty) list of variable columns'
// usage maps.
Page Definition(const std::vector<ColumnSpec>& columns, const std::vector<std::uint16_t>& offsets,
                std::size_t varColumns, std::uint32_t rowCount, bool system,
                std::uint32_t usedPages, std::uint32_t freePages) {
    std::string body(63, '\0');
    auto* head = reinterpret_cast<std::uint8_t*>(body.data());
    head[0] = 0x02;
    head[1] = 0x01;
    Put32(head + 16, rowCount);
    head[40] = system ? kSystemTable : kUserTable;
    Put16(head + 41, static_cast<std::uint32_t>(columns.size()));
    Put16(head + 43, static_cast<std::uint32_t>(varColumns));
    Put16(head + 45, static_cast<std::uint32_t>(columns.size()));
    Put32(head + 55, usedPages);
    Put32(head + 59, freePages);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        std::uint8_t entry[25] = {};
        const ColumnType type = columns[c].type;
        entry[0] = static_cast<std::uint8_t>(type);
        Put16(entry + 5, static_cast<std::uint32_t>(c));
        Put16(entry + 9, static_cast<std::uint32_t>(c));
        if (IsFixed(type)) {
            Put16(entry + 21, offsets[c]);
        } else {
            Put16(entry + 7, offsets[c]);
            Put16(entry + 11, kGeneralSortOrder);
        }
        entry[15] = static_cast<std::uint8_t>((IsFixed(type) ? kFixedColumn : 0) | kNullableColumn);
        Put16(entry + 23, DeclaredLength(type));
        body.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    for (const auto& column : columns) {
        const std::string name = Utf16(column.name);
        Append16(body, static_cast<std::uint32_t>(name.size()));
        body += name;
    }
    Append16(body, 0xffff);
    if (body.size() > kPageSize) {
        Fail("a table's definition does not fit into a page");
    }
    Page page{};
    std::memcpy(page.data(), body.data(), body.size());
    Put16(page.data() + 2, static_cast<std::uint32_t>(kPageSize - body.size() - 8));
    Put32(page.data() + 8, static_cast<std::uint32_t>(body.size() - 8));
    return page;
}

// RC4 over `length` bytes: the format masks part of its definition page
// with it.
void Rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length) {
    std::array<std::uint8_t, 256> state;
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + state[i] + key[i % keyLength]);
        std::swap(state[i], state[j]);
    }
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    for (std::size_t n = 0; n < length; ++n) {
        x = static_cast<std::uint8_t>(x + 1);
        y = static_cast<std::uint8_t>(y + state[x]);
        std::swap(state[x], state[y]);
        data[n] ^= state[static_cast<std::uint8_t>(state[x] + state[y])];
    }
}

// The definition page: the format's name, its version (1: Jet 4), and the
// masked block of settings, all zero: no password and no page encryption.
Page DatabaseDefinition() {
    static constexpr std::uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    constexpr std::size_t kMaskedStart = 0x18;
    constexpr std::size_t kMaskedLength = 128;
    Page page{};
    page[0] = 0x00;
    page[1] = 0x01;
    std::memcpy(page.data() + 4, "Standard Jet DB", 16);
    page[0x14] = 0x01;
    Rc4(kMaskKey, sizeof kMaskKey, page.data() + kMaskedStart, kMaskedLength);
    return page;
}

}  // namespace

void JetFile::Save(const std::string& path) {
    // Page numbers: 0 the definition, 1 the global usage map, 2 and 3 the
    // catalog, 4 the tables' usage maps, then each table's definition and
    // data pages.
    std::vector<std::uint32_t> definitionPage(tables_.size());
    std::vector<std::uint32_t> firstDataPage(tables_.size());
    definitionPage[0] = kCatalogPage;
    firstDataPage[0] = kCatalogDataPage;
    std::uint32_t next = kFirstTablePage;
    for (std::size_t t = 1; t < tables_.size(); ++t) {
        definitionPage[t] = next++;
        firstDataPage[t] = next;
        next += static_cast<std::uint32_t>(tables_[t].pages.size());
    }
    Table& catalog = tables_[0];
    if (!catalog.pages.empty()) {
        Fail("the catalog was written twice");
    }
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const std::uint32_t flags = tables_[t].system ? kSystemObjectFlags : 0;
        catalog.Store(
            catalog.EncodeRow({std::int64_t{definitionPage[t]}, std::int64_t{0}, tables_[t].name,
                               std::int64_t{1}, std::int64_t{flags}, std::monostate{}}));
    }
    if (catalog.pages.size() != 1) {
        Fail("too many tables for the catalog's page");
    }
    // Each table's map of the pages it owns, and an empty map of pages
    // with free space: rows of one page.
    Table maps;
    maps.name = "usage maps";
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const std::size_t count = tables_[t].pages.size();
        std::string owned(5 + (count + 7) / 8, '\0');
        auto* map = reinterpret_cast<std::uint8_t*>(owned.data());
        Put32(map + 1, firstDataPage[t]);
        for (std::size_t p = 0; p < count; ++p) {
            map[5 + p / 8] = static_cast<std::uint8_t>(map[5 + p / 8] | (1 << (p % 8)));
        }
        maps.Store(owned);
        maps.Store(std::string(5, '\0'));
    }
    if (maps.pages.size() != 1) {
        Fail("the tables are too large for their usage maps");
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto write = [&](const Page& page) {
        out.write(reinterpret_cast<const char*>(page.data()), kPageSize);
    };
    write(DatabaseDefinition());
    Page globalMap{};
    globalMap[0] = 0x01;
    globalMap[1] = 0x01;
    Put16(globalMap.data() + 2, kPageSize - kDataHeader);
    write(globalMap);
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const Table& table = tables_[t];
        const auto mapRow = static_cast<std::uint32_t>(2 * t);
        Page definition =
            Definition(table.columns, table.offsets, table.varColumns, table.rowCount, table.system,
                       (kUsageMapPage << 8) | mapRow, (kUsageMapPage << 8) | (mapRow + 1));
        if (t == 0) {
            write(definition);
            for (Page page : table.pages) {
                Put32(page.data() + 4, definitionPage[t]);
                write(page);
            }
            write(maps.pages[0]);
            continue;
        }
        write(definition);
        for (Page page : table.pages) {
            Put32(page.data() + 4, definitionPage[t]);
            write(page);
        }
    }
    out.close();
    if (!out) {
        Fail("cannot write " + path);
    }
}

}  // namespace kestrova::jetfile
