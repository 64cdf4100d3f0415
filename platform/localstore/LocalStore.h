#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/localstore/ColumnTyping.h"
#include "platform/localstore/KeyLookup.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform {

// One database file opened through the data provider: read only, never
// creating, changing or leaving behind any file.
class LocalStore {
public:
    // How a file is opened: the user's file only ever read only; a private
    // copy for writing; no file at all for the tables read from a classic
    // .mdb file.
    enum Access { ReadOnly, ReadWrite, InMemory };

    // `dataSource` is used as written when such a file exists; otherwise each
    // "\" in it separates folders like "/". Fails when there is no such file,
    // it is no regular file, or it is no database. A database with a log
    // beside it (write-ahead, or an unfinished change's journal) is read
    // from a private copy, so that nothing is written beside the original.
    static std::shared_ptr<LocalStore> Open(const std::string& dataSource);
    ~LocalStore();

    // Keeps every query run while it lives within one read transaction, so
    // that they all see the database as one commit left it. Held only as
    // long as the reading takes: a writer waits for it (rollback journal)
    // or not at all (write-ahead log).
    class Snapshot {
    public:
        explicit Snapshot(const LocalStore& store);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        sqlite3* database_;
    };

    // A result column of a statement: those a shape command relates its
    // levels by.
    struct RelatedColumn {
        std::string statement;
        std::string column;
    };
    // Makes the tables named in `command` ready to be queried. Tables of a
    // SQLite file always are; those of a classic .mdb file are read into
    // memory the first time a command names them, the table columns that
    // `related` read indexed. Call it before taking a Snapshot.
    void LoadTablesNamedIn(const std::string& command,
                           const std::vector<RelatedColumn>& related = {});

    // Runs one SELECT statement and reads its whole result.
    std::shared_ptr<Table> Query(const std::string& statement) const;
    // Runs one SELECT statement and hands its rows to `take`, at most
    // `rowsPerChunk` at a time, as they are read: each chunk a table of
    // provisional values (a column whose type its values decide has type
    // adEmpty there). The columns returned make such rows final.
    ResultColumns QueryInChunks(const std::string& statement, std::size_t rowsPerChunk,
                                const std::function<void(Table&)>& take) const;
    // The rows of a SELECT statement whose result column `column` holds one
    // of `keys`, found through an index, each key's rows in the order the
    // whole statement gives them. nullopt when no index finds them so (see
    // sql::SameOrderThroughAnIndex), or when a column's type would be
    // decided by the rows read rather than all of the statement's.
    std::optional<std::shared_ptr<Table>> Lookup(const std::string& statement,
                                                 const std::string& column,
                                                 const std::vector<sql::LookupKey>& keys) const;

    const std::string& Path() const { return path_; }

private:
    struct Closer {
        void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
    };
    LocalStore(std::string path, sqlite3* database);
    // Opens `file` as the database of `path` (the same, or a private copy).
    static std::shared_ptr<LocalStore> OpenConnection(const std::string& path,
                                                      const std::string& file, Access access);
    static std::shared_ptr<LocalStore> OpenPrivateCopy(const std::string& path);
    static std::shared_ptr<LocalStore> OpenClassicMdb(const std::string& path);
    // The statement as it runs: its ORDER BY terms sorting text as the
    // database's engine does.
    std::string Sortable(const std::string& command) const;

    // A classic .mdb file is read by a process of its own into an in-memory
    // database: which names were asked for so far, and that process's limits.
    struct ClassicMdb;

    std::string path_;
    std::unique_ptr<sqlite3, Closer> database_;
    std::unique_ptr<ClassicMdb> classicMdb_;
    // The columns whose ORDER BY terms need no sort key (see
    // WithTextSortedBy), read when a statement first needs them.
    mutable std::optional<std::set<std::string>> columnsWithoutText_;
};

}  // namespace kestrova::platform
