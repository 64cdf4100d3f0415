#include "platform/mdbfile/FieldBytes.h"

#include <cstring>
#include <string>

#include "platform/mdbfile/CalculatedValue.h"
#include "platform/mdbfile/DecimalValue.h"
#include "platform/mdbfile/ExtendedDate.h"
#include "platform/mdbfile/JetText.h"
#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

using Bytes = std::string_view;

constexpr int kExtendedDateTime = 0x14;

std::int64_t Little(const unsigned char* bytes, int size) {
    const std::uint64_t value = LittleEndian(bytes, static_cast<std::size_t>(size));
    // Sign-extend from the field's width.
    const int unused = 64 - 8 * size;
    return unused > 0 ? static_cast<std::int64_t>(value << unused) >> unused
                      : static_cast<std::int64_t>(value);
}

std::optional<SqlValue> FixedNumber(int type, Bytes bytes) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<int>(bytes.size());
    const auto sized = [&](int expected) { return size == expected; };
    switch (type) {
        case MDB_BYTE:
            return sized(1) ? std::optional(SqlValue::OfInteger(at[0])) : std::nullopt;
        case MDB_INT:
            return sized(2) ? std::optional(SqlValue::OfInteger(Little(at, 2))) : std::nullopt;
        case MDB_LONGINT:
            return sized(4) ? std::optional(SqlValue::OfInteger(Little(at, 4))) : std::nullopt;
        case MDB_MONEY:
            return sized(8) ? std::optional(MoneyValue(Little(at, 8))) : std::nullopt;
        case MDB_FLOAT: {
            if (!sized(4)) {
                return std::nullopt;
            }
            float single = 0;
            std::memcpy(&single, at, 4);
            return SqlValue::OfReal(single);
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            if (!sized(8)) {
                return std::nullopt;
            }
            double real = 0;
            std::memcpy(&real, at, 8);
            return type == MDB_DATETIME ? DateTimeValue(real) : SqlValue::OfReal(real);
        }
        default:
            return std::nullopt;
    }
}

SqlValue Text(Bytes bytes) {
    return SqlValue::OfText(
        Utf8FromJetText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

// A value of `type` from its bytes: a field's own, or a calculated
// column's result.
}  // namespace

std::optional<SqlValue> ValueOfBytes(int type, Bytes bytes, const ColumnTraits& traits) {
    switch (type) {
        case MDB_BOOL:
            // Only a calculated result keeps a Boolean in its bytes.
            return bytes.size() == 1 ? std::optional(SqlValue::OfInteger(bytes[0] != 0 ? 1 : 0))
                                     : std::nullopt;
        case MDB_BINARY:
            return SqlValue::OfBlob(std::string(bytes));
        case MDB_TEXT:
        case MDB_MEMO:
            return Text(bytes);
        case MDB_REPID:
            return bytes.size() == 16 ? std::optional(SqlValue::OfText(GuidText(
                                            reinterpret_cast<const unsigned char*>(bytes.data()))))
                                      : std::nullopt;
        case MDB_NUMERIC:
            return traits.calculated ? CalculatedDecimalValue(bytes)
                                     : StoredDecimalValue(bytes, traits.scale);
        case kExtendedDateTime:
            return ExtendedDateValue(bytes);
        default:
            return FixedNumber(type, bytes);
    }
}

std::optional<SqlValue> CalculatedValueOfBytes(Bytes stored, const ColumnTraits& traits) {
    const auto result = CalculatedResult(stored);
    if (!result) {
        return std::nullopt;
    }
    if (result->empty()) {
        return SqlValue{};  // an expression of Null operands
    }
    return ValueOfBytes(traits.valueType, *result, traits);
}

}  // namespace kestrova::mdbfile
