#pragma once

#include <string_view>

namespace kestrova::runtime {

// Writes one line "kestrova: <what>: <detail>" to stderr. A failure that
// repeats (say, every cell of a broken column) is written a limited number
// of times, then once more to say that further ones are not shown.
void ReportFailure(std::string_view what, std::string_view detail);

// How many failures were reported since the process started, shown or not.
long FailureCount();

}  // namespace kestrova::runtime
