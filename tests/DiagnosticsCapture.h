#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/Diagnostics.h"

namespace kestrova::testing {

// Collects the program's diagnostic lines, instead of stderr, for as long as
// it lives; each line ends with a line break.
class DiagnosticsCapture {
public:
    DiagnosticsCapture()
        : previous_(runtime::SetDiagnosticsSink([this](std::string_view line) {
              text_.append(line);
              text_ += '\n';
          })) {}
    ~DiagnosticsCapture() { runtime::SetDiagnosticsSink(std::move(previous_)); }
    DiagnosticsCapture(const DiagnosticsCapture&) = delete;
    DiagnosticsCapture& operator=(const DiagnosticsCapture&) = delete;

    const std::string& Text() const { return text_; }

private:
    std::string text_;
    runtime::DiagnosticsSink previous_;
};

}  // namespace kestrova::testing
