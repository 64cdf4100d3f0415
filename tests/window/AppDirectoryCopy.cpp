#include "tests/window/AppDirectoryCopy.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kestrova::testing {

namespace fs = std::filesystem;

namespace {

// The temporary folder, or /tmp while a test has taken it away from the
// program.
fs::path CopiesFolder() {
    std::error_code unusable;
    const fs::path folder = fs::temp_directory_path(unusable);
    return unusable ? fs::path("/tmp") : folder;
}

}  // namespace

AppDirectoryCopy::AppDirectoryCopy(const std::string& database, const std::string& nameHint) {
    std::string pattern = (CopiesFolder() / "kestrova-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    root_ = pattern;
    path_ = (fs::path(root_) / nameHint).string();
    fs::create_directories(path_);
    const fs::path built = KESTROVA_BUILT_APPDIR;
    for (const char* name :
         {"kestrova", "kestrova-webext.so", "kestrova-page", "plus.gif", "Plus.gif", "Minus.gif"}) {
        fs::copy_file(built / name, fs::path(path_) / name);
    }
    if (!database.empty()) {
        fs::copy_file(database, fs::path(path_) / "AdvWorks.mdb");
    }
}

AppDirectoryCopy::~AppDirectoryCopy() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

}  // namespace kestrova::testing
