#pragma once

#include <string>

namespace kestrova::runtime {

// The application directory: the folder that holds the program, without a
// trailing separator. Every file name the program composes starts with it.
// Reading it before it was set is a failure.
const std::string& AppPath();
void SetAppPath(std::string directory);

// The application directory as it stands in the address of a file in it:
// the characters that would end or change an address ("%", "#", "?" and
// "\", which addresses read as "/") are percent-encoded; the rest stays.
std::string AppAddress();

// The folder of the running executable, read from /proc/self/exe.
std::string ExecutableDirectory();

// `path` made absolute against the working directory, without a trailing
// separator ("/" stays "/").
std::string AbsoluteDirectory(const std::string& path);

}  // namespace kestrova::runtime
