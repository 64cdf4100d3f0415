// The reading of classic .mdb files: the input is the database file, made
// to name the format in its header so that every input takes that path.
// Whatever the file holds, and whatever the reader process does with it,
// start-up ends with a whole page.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/localstore/MdbReaderProcess.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/form/Form1.h"

namespace {

// The application folder of this fuzzing process, in the temporary folder,
// removed again when the process ends normally.
class FuzzFolder {
public:
    FuzzFolder()
        : path_((std::filesystem::temp_directory_path() /
                 ("kestrova-fuzz-mdb-" + std::to_string(getpid())))
                    .string()) {
        std::filesystem::create_directories(path_);
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzFolder fuzzFolder;
    kestrova::platform::SetHelperFolder(KESTROVA_BUILT_APPDIR);
    const std::string& folder = fuzzFolder.Path();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() < 0x15) {
        bytes.resize(0x15, '\0');
    }
    std::memcpy(bytes.data() + 4, "Standard Jet DB", 16);
    bytes[0x14] = 1;
    std::ofstream(folder + "/AdvWorks.mdb", std::ios::binary | std::ios::trunc) << bytes;

    kestrova::runtime::SetAppPath(folder);
    kestrova::platform::MemoryBrowser browser;
    kestrova::Form1 form(browser);
    form.ShowOutlinePage();
    const std::string_view page = browser.CurrentDocument()->WrittenText();
    const std::string end = "\r\n</body></html>";
    if (page.rfind("\r\n<html><head><base href=", 0) != 0 || page.size() < end.size() ||
        page.compare(page.size() - end.size(), end.size(), end) != 0 ||
        page.find("<script") != std::string::npos) {
        std::abort();
    }
    return 0;
}
