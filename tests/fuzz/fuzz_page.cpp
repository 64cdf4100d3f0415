// The data provider, the shaping provider and the renderer over small
// databases made from the input: whatever the values, start-up ends with a
// whole page in which no database text acts as markup, and the view's
// reading of the outline's rows, in parts cut anywhere, finds every
// customer's block and gives the text back as it was.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/deferredpage/DeferredPage.h"
#include "platform/deferredpage/OutlineRows.h"
#include "platform/deferredpage/StartTags.h"
#include "tests/fuzz/StartupRun.h"

namespace {

// Reads the input as a stream of small decisions.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Bytes(std::size_t count) {
        std::string bytes;
        while (count-- > 0 && pos_ < size_) {
            bytes += static_cast<char>(data_[pos_++]);
        }
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void BindValue(sqlite3_stmt* statement, int index, Input& input) {
    switch (input.Byte() % 7) {
        case 0:
            sqlite3_bind_null(statement, index);
            break;
        case 1:
        case 2:
            sqlite3_bind_int(statement, index, input.Byte() % 5);  // keys that meet
            break;
        case 3: {
            const std::string bits = input.Bytes(8);
            std::uint64_t value = 0;
            for (const char c : bits) {
                value = value * 256 + static_cast<unsigned char>(c);
            }
            sqlite3_bind_int64(statement, index, static_cast<std::int64_t>(value));
            break;
        }
        case 4:
            sqlite3_bind_double(statement, index, (input.Byte() - 128) / 7.0);
            break;
        case 5: {
            const std::string text = input.Bytes(input.Byte() % 24);
            sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
            break;
        }
        default: {
            const std::string blob = input.Bytes(input.Byte() % 8);
            sqlite3_bind_blob(statement, index, blob.data(), static_cast<int>(blob.size()),
                              SQLITE_TRANSIENT);
        }
    }
}

void Fill(sqlite3* database, const char* insert, int columns, int rows, Input& input) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(database, insert, -1, &statement, nullptr);
    for (int row = 0; row < rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            BindValue(statement, column, input);
        }
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
}

void MakeDatabase(const std::string& file, Input& input) {
    sqlite3* database = nullptr;
    sqlite3_open(file.c_str(), &database);
    const bool brokenSchema = input.Byte() % 16 == 0;
    sqlite3_exec(
        database,
        brokenSchema
            ? "CREATE TABLE Customers (CustomerID, CompanyName);"
            : "CREATE TABLE Customers (CustomerID INTEGER, CompanyName TEXT);"
              "CREATE TABLE Products (ProductID INTEGER, ProductType TEXT, ProductName TEXT);"
              "CREATE TABLE Orders (OrderID INTEGER, CustomerID INTEGER, OrderDate DATETIME,"
              " PurchaseOrderNumber TEXT);"
              "CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER,"
              " Quantity INTEGER, UnitPrice CURRENCY);",
        nullptr, nullptr, nullptr);
    Fill(database, "INSERT INTO Customers VALUES (?, ?)", 2, input.Byte() % 5, input);
    Fill(database, "INSERT INTO Products VALUES (?, ?, ?)", 3, input.Byte() % 4, input);
    Fill(database, "INSERT INTO Orders VALUES (?, ?, ?, ?)", 4, input.Byte() % 7, input);
    Fill(database, "INSERT INTO Order_Details VALUES (?, ?, ?, ?)", 4, input.Byte() % 9, input);
    sqlite3_close(database);
}

// The text the view builds first, read in parts of sizes the input picks:
// one block for each customer's picture, each block a customer's row, and
// the frame and the blocks together the text itself.
void RequireEveryBlock(const std::string& text, Input& input) {
    namespace deferred = kestrova::platform::deferred;
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t size = 1 + input.Byte() % 97 * (input.Byte() % 3 == 0 ? 50 : 1);
        parts.push_back(text.substr(at, size));
        at += size;
    }
    deferred::OutlineRows rows;
    for (const auto& part : parts) {
        rows.Read(part);
    }
    // The customers' pictures, as the parser meets them (database text with
    // the same letters is text, not a tag).
    std::size_t pictures = 0;
    deferred::TagWalker walker(text);
    while (const auto tag = walker.Next()) {
        const auto name = tag->end || tag->name != "img"
                              ? std::nullopt
                              : deferred::AttributeOf(tag->inside, "name");
        pictures += name && name->rfind("imgCustomer", 0) == 0;
    }
    if (rows.Blocks() != pictures || (pictures > 0 && !rows.TableEnd())) {
        std::abort();
    }
    if (pictures == 0) {
        return;
    }
    std::string joined = rows.Text({0, 0}, rows.Start(0));
    for (std::size_t block = 0; block < rows.Blocks(); ++block) {
        const std::string markup = rows.Markup(block, block + 1);
        if (markup.rfind("<tr", 0) != 0 ||
            markup.find("<img name=\"imgCustomer") == std::string::npos) {
            std::abort();
        }
        joined += markup;
    }
    if (joined + rows.Text(*rows.TableEnd(), rows.ReadEnd()) != text) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kestrova::fuzz::FuzzFolder fuzzFolder("kestrova-fuzz");
    const std::string& folder = fuzzFolder.Path();
    const std::string file = folder + "/AdvWorks.mdb";
    std::filesystem::remove(file);
    Input input(data, size);
    MakeDatabase(file, input);

    const std::string page = kestrova::fuzz::RequireWholePageFrom(folder);
    RequireEveryBlock(kestrova::platform::deferred::DeferredPage::Split(page).FirstText(), input);
    return 0;
}
