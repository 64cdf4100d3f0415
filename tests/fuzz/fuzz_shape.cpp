// The shape command parser on arbitrary text: it accepts or refuses with a
// message, and never does anything else.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/datashape/ShapeParser.h"
#include "platform/runtime/Failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view command(reinterpret_cast<const char*>(data), size);
    kestrova::platform::shape::IsShapeCommand(command);
    try {
        kestrova::platform::shape::Parse(command);
    } catch (const kestrova::runtime::Failure&) {
    }
    return 0;
}
