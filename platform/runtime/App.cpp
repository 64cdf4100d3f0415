#include "platform/runtime/App.h"

#include <filesystem>
#include <optional>

#include "platform/runtime/Failure.h"

namespace kestrova::runtime {

namespace {

std::optional<std::string>& StoredAppPath() {
    static std::optional<std::string> path;
    return path;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

const std::string& AppPath() {
    const auto& path = StoredAppPath();
    if (!path) {
        throw Failure("the application directory is not known");
    }
    return *path;
}

void SetAppPath(std::string directory) {
    StoredAppPath() = WithoutTrailingSeparator(std::move(directory));
}

std::string AppAddress() {
    std::string address;
    for (const char c : AppPath()) {
        switch (c) {
            case '%':
                address += "%25";
                break;
            case '#':
                address += "%23";
                break;
            case '?':
                address += "%3F";
                break;
            case '\\':
                address += "%5C";
                break;
            default:
                address += c;
        }
    }
    return address;
}

std::string ExecutableDirectory() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw Failure("cannot read /proc/self/exe: " + error.message());
    }
    return WithoutTrailingSeparator(exe.parent_path().string());
}

std::string AbsoluteDirectory(const std::string& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error) {
        throw Failure("cannot make " + path + " absolute: " + error.message());
    }
    return WithoutTrailingSeparator(absolute.lexically_normal().string());
}

}  // namespace kestrova::runtime
