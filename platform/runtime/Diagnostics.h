#pragma once

#include <functional>
#include <string_view>

namespace kestrova::runtime {

// Writes one line "kestrova: <what>: <detail>" to stderr. A failure that
// repeats (say, every cell of a broken column) is written a limited number
// of times, then once more to say that further ones are not shown.
void ReportFailure(std::string_view what, std::string_view detail);

// Where diagnostic lines go: each call gets one whole line without its
// line break. The default writes them to stderr.
using DiagnosticsSink = std::function<void(std::string_view line)>;

// Sends every later line to `sink` (an empty sink means stderr again) and
// returns the sink that was in force.
DiagnosticsSink SetDiagnosticsSink(DiagnosticsSink sink);

// How many failures were reported since the process started, shown or not:
// all of them, or those of one kind (`what`).
long FailureCount();
long FailureCount(std::string_view what);

}  // namespace kestrova::runtime
