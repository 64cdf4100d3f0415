#pragma once

#include <string>

namespace kestrova::testing {

// A temporary folder for database fixtures, removed with the object.
class FixtureFolder {
public:
    // A new folder in the temporary folder, or in `parent`.
    FixtureFolder();
    explicit FixtureFolder(const std::string& parent);
    ~FixtureFolder();
    FixtureFolder(const FixtureFolder&) = delete;
    FixtureFolder& operator=(const FixtureFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Creates `name` in the folder as a SQLite database made by `sql`.
    std::string Database(const std::string& name, const std::string& sql) const;
    // Writes raw bytes to `name` in the folder.
    std::string File(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Runs SQL on a SQLite file (made when missing); throws when it fails.
void ExecuteSql(const std::string& file, const std::string& sql);

// Every file in a folder, with its contents, as one text for comparisons.
std::string FolderSnapshot(const std::string& folder);

// The tables of the customer order query with a small, known content:
// three customers (the third without orders), an order without line items,
// a Null purchase order number, orphan orders and line items, whole-dollar
// and cent prices.
extern const char* const kCustomerOrdersSql;

// The four tables of the customer order query, empty, with the columns the
// query names.
extern const char* const kEmptyTablesSql;

}  // namespace kestrova::testing
