#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/connection/Connection.h"
#include "platform/recordset/Recordset.h"
#include "tests/data/CompactRows.h"
#include "tests/data/FixtureDatabase.h"

namespace kestrova {
namespace {

std::string OpenFailure(const std::string& dataSource) {
    platform::Connection connection;
    connection.ConnectionString = "Data Provider=LocalStore.4.0;Data Source=" + dataSource;
    connection.Provider = "DataShape";
    try {
        connection.Open();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

TEST(LocalStore, FilesThatAreNoDatabaseFailTheOpenAndAreLeftAsTheyWere) {
    testing::FixtureFolder folder;
    folder.File("garbage.mdb", std::string("This is not a database, just some text.\n") +
                                   std::string(4096, '\x17'));
    std::filesystem::create_directory(folder.Path() + "/AdvWorks.mdb");
    const std::string before = testing::FolderSnapshot(folder.Path());

    EXPECT_NE(OpenFailure(folder.Path() + "/missing.mdb").find("there is no database file"),
              std::string::npos);
    EXPECT_NE(OpenFailure(folder.Path() + "/garbage.mdb").find("not a database"),
              std::string::npos);
    EXPECT_NE(OpenFailure(folder.Path() + "/AdvWorks.mdb").find("is a folder"), std::string::npos);
    EXPECT_EQ(testing::FolderSnapshot(folder.Path()), before);
}

TEST(LocalStore, AnEmptyFileOpensButHasNoTablesAndStaysEmpty) {
    testing::FixtureFolder folder;
    const std::string file = folder.File("empty.mdb", "");
    const std::string before = testing::FolderSnapshot(folder.Path());
    EXPECT_EQ(OpenFailure(file), "");
    try {
        testing::OpenShaped(file, "SELECT * FROM Customers");
        ADD_FAILURE() << "an empty database has no Customers table";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("no such table: Customers"), std::string::npos);
    }
    EXPECT_EQ(testing::FolderSnapshot(folder.Path()), before);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST(LocalStore, ReadsAReadOnlyDatabaseInAReadOnlyFolderWithoutTouchingAnything) {
    testing::FixtureFolder folder;
    const std::string file = folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    chmod(file.c_str(), 0444);
    chmod(folder.Path().c_str(), 0555);
    const std::string before = testing::FolderSnapshot(folder.Path());

    auto recordset = testing::OpenShaped(file, "SELECT CompanyName FROM Customers ORDER BY 1");
    EXPECT_EQ(testing::CompactRows(*recordset),
              (std::vector<std::string>{"\"Alpha Cycles\"", "\"Beta Bikes\"", "\"Gamma Gear\""}));
    recordset.reset();
    EXPECT_EQ(testing::FolderSnapshot(folder.Path()), before);
}

TEST(LocalStore, ABackslashPathFindsTheFileWhenNoFileHasThatExactName) {
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    auto recordset =
        testing::OpenShaped(folder.Path() + "\\AdvWorks.mdb", "SELECT count(*) AS n FROM Orders");
    EXPECT_EQ(testing::CompactRows(*recordset), (std::vector<std::string>{"6"}));
}

TEST(LocalStore, OnlyTheShapingAndLocalStoreProvidersAreAvailable) {
    testing::FixtureFolder folder;
    const std::string file = folder.Database("a.db", "CREATE TABLE t (x);");
    platform::Connection connection;
    connection.ConnectionString = "Data Provider=LocalStore.4.0;Data Source=" + file;
    connection.Provider = "Elsewhere.1";
    try {
        connection.Open();
        ADD_FAILURE() << "an unknown provider was accepted";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("\"Elsewhere.1\""), std::string::npos);
    }
    connection.Provider = "DataShape";
    connection.ConnectionString = "Data Provider=Other.2;Data Source=" + file;
    EXPECT_THROW(connection.Open(), std::exception);
    EXPECT_FALSE(connection.IsOpen());
    platform::Recordset recordset;
    EXPECT_THROW(recordset.Open("SELECT 1", connection), std::exception);
    EXPECT_THROW(recordset.EOF(), std::exception);
}

}  // namespace
}  // namespace kestrova
