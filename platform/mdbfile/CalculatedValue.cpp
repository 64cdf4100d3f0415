#include "platform/mdbfile/CalculatedValue.h"

#include <cstdint>

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

constexpr std::size_t kLengthAt = 16;
constexpr std::size_t kResultAt = 20;

}  // namespace

std::optional<std::string_view> CalculatedResult(std::string_view stored) {
    if (stored.size() < kResultAt) {
        return std::nullopt;
    }
    const std::uint64_t length = LittleEndian(stored.data() + kLengthAt, 4);
    if (length > stored.size() - kResultAt) {
        return std::nullopt;
    }
    return stored.substr(kResultAt, length);
}

}  // namespace kestrova::mdbfile
