// The reading of classic .mdb files: the input is the database file. One
// that does not name the format in its header is made to name it, so that
// every input takes that path. Whatever the file holds, and whatever the
// reader process does with it, start-up ends with a whole page, and reading
// every table of it ends in a failure or an image, never in a crash of the
// program. The seeds are files the format's own program wrote.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
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

    kestrova::fuzz::RequireWholePageFrom(folder);
    try {
        kestrova::platform::ReadMdbTables(file, tables,
                                          kestrova::platform::LimitsForFileOf(bytes.size()));
    } catch (const std::exception&) {
        // A file the reader cannot read is said so; only a crash counts.
    }
    return 0;
}
