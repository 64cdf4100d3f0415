#include "shell/form/Form1.h"

namespace kestrova {

// The body is not rendered yet: the result is what the buffer holds.
std::string Form1::RenderOutline() {
    std::string result = GetText();
    ResetText();
    return result;
}

}  // namespace kestrova
