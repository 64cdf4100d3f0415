#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/form/Form1.h"

namespace kestrova::fuzz {

// The application folder of a fuzzing process, in the temporary folder,
// removed again when the process ends normally.
class FuzzFolder {
public:
    explicit FuzzFolder(const std::string& name)
        : path_((std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid())))
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

// Runs start-up on the database in `folder` and aborts unless it ends with
// a whole page in which no database text became a script; gives the page.
inline std::string RequireWholePageFrom(const std::string& folder) {
    runtime::SetAppPath(folder);
    platform::MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();
    const std::string_view page = browser.CurrentDocument()->WrittenText();
    const std::string_view end = "\r\n</body></html>";
    if (page.rfind("\r\n<html><head><base href=", 0) != 0 || page.size() < end.size() ||
        page.compare(page.size() - end.size(), end.size(), end) != 0 ||
        page.find("<script") != std::string_view::npos) {
        std::abort();
    }
    return std::string(page);
}

}  // namespace kestrova::fuzz
