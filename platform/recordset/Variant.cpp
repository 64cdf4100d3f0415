#include "platform/recordset/Variant.h"
#include "platform/recordset/Overloaded.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

double TextToDouble(const std::string& text) {
    double result = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    while (begin < end && *begin == ' ') {
        ++begin;
    }
    while (end > begin && end[-1] == ' ') {
        --end;
    }
    const auto [rest, error] = std::from_chars(begin, end, result);
    if (begin == end || error != std::errc() || rest != end || !std::isfinite(result)) {
        throw runtime::Failure("\"" + text + "\" is not a number");
    }
    return result;
}

}  // namespace

std::string Currency::Digits() const {
    const unsigned long long magnitude =
        tenThousandths < 0 ? 0ull - static_cast<unsigned long long>(tenThousandths)
                           : static_cast<unsigned long long>(tenThousandths);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", tenThousandths < 0 ? "-" : "",
                  magnitude / 10000, magnitude % 10000);
    return buffer;
}

std::optional<std::int64_t> IntegerOf(const Variant& value) {
    if (const auto* v = std::get_if<std::int32_t>(&value))
        return *v;
    if (const auto* v = std::get_if<std::int64_t>(&value))
        return *v;
    if (const auto* v = std::get_if<std::int16_t>(&value))
        return *v;
    if (const auto* v = std::get_if<std::uint8_t>(&value))
        return *v;
    return std::nullopt;
}

bool IsNull(const Variant& value) {
    return std::holds_alternative<Null>(value);
}

double ToDouble(const Variant& value) {
    return std::visit(
        Overloaded{
            [](const Empty&) -> double { throw runtime::Failure("the value is empty"); },
            [](const Null&) -> double { throw runtime::Failure("the value is Null"); },
            [](bool b) -> double { return b ? -1.0 : 0.0; },
            [](std::uint8_t v) -> double { return v; },
            [](std::int16_t v) -> double { return v; },
            [](std::int32_t v) -> double { return v; },
            [](std::int64_t v) -> double { return static_cast<double>(v); },
            [](float v) -> double { return v; },
            [](double v) -> double { return v; },
            [](const Currency& c) -> double {
                return static_cast<double>(c.tenThousandths) / 10000.0;
            },
            [](const Decimal& d) -> double { return TextToDouble(d.text); },
            [](const Date&) -> double { throw runtime::Failure("a date is not a number"); },
            [](const std::string& s) -> double { return TextToDouble(s); },
            [](const Binary&) -> double { throw runtime::Failure("binary data is not a number"); },
            [](const std::shared_ptr<Recordset>&) -> double {
                throw runtime::Failure("a recordset is not a number");
            },
        },
        value);
}

const char* KindName(const Variant& value) {
    static constexpr const char* kNames[] = {
        "Empty",  "Null",     "Boolean", "Byte", "Integer", "Long",   "LongLong", "Single",
        "Double", "Currency", "Decimal", "Date", "Text",    "Binary", "Recordset"};
    return kNames[value.index()];
}

}  // namespace kestrova::platform
