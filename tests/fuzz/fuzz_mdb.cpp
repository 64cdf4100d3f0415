// The reading of classic .mdb files: the input is the database file, made
// to name the format in its header so that every input takes that path.
// Whatever the file holds, and whatever the reader process does with it,
// start-up ends with a whole page.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/localstore/MdbReaderProcess.h"
#include "tests/fuzz/StartupRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kestrova::fuzz::FuzzFolder fuzzFolder("kestrova-fuzz-mdb");
    kestrova::platform::SetHelperFolder(KESTROVA_BUILT_APPDIR);
    const std::string& folder = fuzzFolder.Path();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() < 0x15) {
        bytes.resize(0x15, '\0');
    }
    std::memcpy(bytes.data() + 4, "Standard Jet DB", 16);
    bytes[0x14] = 1;
    std::ofstream(folder + "/AdvWorks.mdb", std::ios::binary | std::ios::trunc) << bytes;

    kestrova::fuzz::RequireWholePageFrom(folder);
    return 0;
}
