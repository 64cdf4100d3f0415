#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kestrova::jetfile {

// The column types a table of the classic .mdb format (Jet 4) can have here.
enum class ColumnType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,  // 16 bits
    Long = 0x04,     // 32 bits
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0A,
    Memo = 0x0C,
};

// A date and time of day as the format stores it: days since 1899-12-30,
// the fraction the time of day (before that day the whole part counts back
// and the fraction still counts on). `iso` is 'YYYY-MM-DD' with an optional
// ' HH:MM:SS' or 'THH:MM:SS'; nullopt when it is none.
std::optional<double> DateValue(const std::string& iso);

struct ColumnSpec {
    std::string name;
    ColumnType type;
    // How its text sorts: a Windows language id (1033, "General") and the
    // order's version (0 as Access 2000 to 2007 write it, 1 from 2010 on).
    std::uint16_t sortLanguage = 1033;
    std::uint8_t sortVersion = 0;
};

// A value of a row: Null, or of the column's kind: bool (Boolean), a whole
// number (Byte, Integer, Long; Currency as ten-thousandths), a double
// (Single, Double; DateTime as days since 1899-12-30), or UTF-8 text (Text,
// Memo).
using Value = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

// Writes a new database file in the classic .mdb format with 4 KB pages:
// its catalog, one table definition per table, the rows packed into data
// pages, and memos of more than 256 bytes on long value pages of their own
// (one page, or a chain of them). It writes no indexes: readers scan the
// tables. Add the tables in order, then Save.
class JetFile {
public:
    JetFile();
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    // Starts a table; the rows added next belong to it.
    void BeginTable(const std::string& name, std::vector<ColumnSpec> columns);
    // Fails (std::runtime_error) when a value does not suit its column or
    // the row does not fit into a page.
    void AddRow(const std::vector<Value>& values);
    // Encodes every page but the first with RC4, each with `key` combined
    // with the page's number, as the format's "encrypt database" does; 0
    // writes the pages as they are.
    void EncodePages(std::uint32_t key) { pageKey_ = key; }
    // Sets a database password (up to 20 characters), kept masked in the
    // first page; the pages themselves stay as they are.
    void SetPassword(const std::string& password);
    // Writes the file; fails when it cannot.
    void Save(const std::string& path);

private:
    struct Table;
    using Page = std::vector<std::uint8_t>;

    std::uint32_t NewPage();
    std::string EncodeRow(const Table& table, const std::vector<Value>& values);
    void StoreRow(Table& table, const std::string& row);
    // Puts a memo's bytes on long value pages; gives its 12-byte field.
    std::string LongValue(const std::string& bytes);
    void WriteCatalog();
    void WriteUsageMaps();
    std::string ReferenceUsageMap(const std::vector<std::uint32_t>& owned);
    void WriteDefinition(const Table& table);

    void WriteDatabaseDefinition();

    std::vector<Page> pages_;
    std::vector<Table> tables_;
    std::uint32_t pageKey_ = 0;
    std::string password_;  // UTF-16, as stored
};

}  // namespace kestrova::jetfile
