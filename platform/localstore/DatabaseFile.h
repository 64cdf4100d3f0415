#pragma once

#include <string>

namespace kestrova::platform {

// Fails, naming what the file is, unless `path` (followed through symbolic
// links) is a regular file. A named pipe or a device is never opened: either
// could block or never end.
void RequireRegularFile(const std::string& path);

// Whether the database keeps its latest changes in a write-ahead log: its
// header says so, or a log lies beside it. Such a database cannot be read
// without writing its shared-memory index beside it.
bool UsesWriteAheadLog(const std::string& path);

// A private copy of a database and the logs beside it (write-ahead log,
// rollback journal), in a fresh folder of its own under the temporary
// folder, to be opened with writing allowed: SQLite may then apply the log
// or roll back an unfinished change there, never in the original.
// `Discard` (or the destructor) removes the copy; a connection that has the
// copy open goes on reading it.
class PrivateCopy {
public:
    explicit PrivateCopy(const std::string& database);
    ~PrivateCopy();
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    const std::string& Path() const { return database_; }
    void Discard();

private:
    std::string folder_;
    std::string database_;
};

}  // namespace kestrova::platform
