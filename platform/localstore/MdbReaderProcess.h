#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrova::platform {

// What the reader of a classic .mdb file may use before it is stopped.
struct ReaderLimits {
    std::chrono::seconds processorTime;
    std::chrono::seconds wallTime;
    std::uint64_t memoryBytes;
};

// Generous for a sound file of `fileBytes` bytes, which takes seconds at
// most; tight enough that a file that makes the reader loop or swell stops
// in well under a minute (or a few for a file of hundreds of MB).
ReaderLimits LimitsForFileOf(std::uint64_t fileBytes);

// A SQLite database image in memory from sqlite3_malloc64, as
// sqlite3_deserialize takes it over.
struct SqliteImage {
    struct Freer {
        void operator()(unsigned char* bytes) const { sqlite3_free(bytes); }
    };
    std::unique_ptr<unsigned char, Freer> bytes;
    std::uint64_t size = 0;
};

// Reads the tables named `names` (those the file has) of the classic .mdb
// file `path` in the reader process kestrova-mdb-reader, within `limits`,
// and gives them as a SQLite image. Fails naming why when the reader
// cannot read the file, crashes, or passes a limit; values it could not
// read are reported as diagnostics.
SqliteImage ReadMdbTables(const std::string& path, const std::vector<std::string>& names,
                          const ReaderLimits& limits);

// The folder that holds kestrova-mdb-reader: by default the running
// program's own. Programs kept elsewhere (the tests) name it.
void SetHelperFolder(const std::string& folder);

}  // namespace kestrova::platform
