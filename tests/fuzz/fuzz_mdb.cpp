// The reading of classic .mdb files: the input is the database file. One
// that does not name the format in its header is made to name it, so that
// every input takes that path. Whatever the file holds, and whatever the
// reader process does with it, start-up ends with a whole page, and reading
// every table of it ends in a failure or an image, never in a crash of the
// program. The seeds are files the format's own program wrote.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/localstore/MdbReaderProcess.h"
#include "tests/fuzz/StartupRun.h"

namespace {

// The tables of the seed files (the reader ignores ASCII case).
std::vector<std::string> SeedTableNames() {
    std::vector<std::string> names = {"Table",
                                      "Test",
                                      "data",
                                      "users",
                                      "jobDB1",
                                      "MSP_PROJECTS",
                                      "TableIgnoreNulls1",
                                      "TableIgnoreNulls2",
                                      "TableIgnoreNulls1_temp",
                                      "TableIgnoreNulls2_temp",
                                      "TableUnique1_temp",
                                      "TableUnique2_temp"};
    for (int n = 1; n <= 15; ++n) {
        for (const char* suffix : {"", "_desc", "_asc_desc", "_desc_asc", "_desc_desc"}) {
            names.push_back("Table" + std::to_string(n) + suffix);
        }
    }
    return names;
}

bool NamesTheFormat(const std::string& bytes) {
    return bytes.size() >= 0x15 && (bytes.compare(4, 15, "Standard Jet DB") == 0 ||
                                    bytes.compare(4, 15, "Standard ACE DB") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kestrova::fuzz::FuzzFolder fuzzFolder("kestrova-fuzz-mdb");
    static const std::vector<std::string> tables = SeedTableNames();
    kestrova::platform::SetHelperFolder(KESTROVA_BUILT_APPDIR);
    const std::string& folder = fuzzFolder.Path();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!NamesTheFormat(bytes)) {
        if (bytes.size() < 0x15) {
            bytes.resize(0x15, '\0');
        }
        std::memcpy(bytes.data() + 4, "Standard Jet DB", 16);
        bytes[0x14] = 1;
    }
    const std::string file = folder + "/AdvWorks.mdb";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;

    // Some files make libmdb crawl; the reader's limits stop it (the battery
    // tests that), but at their usual size one such file would take most of
    // a run. Here it is stopped after a few seconds, and its start-up, which
    // would crawl the same way to the same end, is not run.
    auto limits = kestrova::platform::LimitsForFileOf(bytes.size());
    limits.processorTime = std::chrono::seconds(3);
    limits.wallTime = std::chrono::seconds(8);
    try {
        kestrova::platform::ReadMdbTables(file, tables, limits);
    } catch (const std::exception& failure) {
        // A file the reader cannot read is said so; only a crash counts.
        if (std::string_view(failure.what()).find("stopped") != std::string_view::npos) {
            return 0;
        }
    }
    kestrova::fuzz::RequireWholePageFrom(folder);
    return 0;
}
