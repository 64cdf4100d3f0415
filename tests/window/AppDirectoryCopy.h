#pragma once

#include <string>

namespace kestrova::testing {

// A fresh temporary folder holding a copy of the built application
// directory: the program, its extension and its pictures, and the given
// database as AdvWorks.mdb (none when `database` is empty). Removed again
// when the object goes.
class AppDirectoryCopy {
public:
    explicit AppDirectoryCopy(const std::string& database = "",
                              const std::string& nameHint = "app");
    ~AppDirectoryCopy();
    AppDirectoryCopy(const AppDirectoryCopy&) = delete;
    AppDirectoryCopy& operator=(const AppDirectoryCopy&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string root_;
    std::string path_;
};

}  // namespace kestrova::testing
