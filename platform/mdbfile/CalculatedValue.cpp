#include "platform/mdbfile/CalculatedValue.h"

#include <cstdint>

namespace kestrova::mdbfile {

namespace {

constexpr std::size_t kLengthAt = 16;
constexpr std::size_t kResultAt = 20;

}  // namespace

std::optional<std::string_view> CalculatedResult(std::string_view stored) {
    if (stored.size() < kResultAt) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    for (std::size_t i = 4; i-- > 0;) {
        length = (length << 8) | static_cast<unsigned char>(stored[kLengthAt + i]);
    }
    if (length > stored.size() - kResultAt) {
        return std::nullopt;
    }
    return stored.substr(kResultAt, length);
}

}  // namespace kestrova::mdbfile
