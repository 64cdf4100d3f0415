#pragma once

#include <cstdint>

namespace kestrova::platform {

// The data-type codes a Field reports.
enum DataType : std::int32_t {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adDecimal = 14,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adNumeric = 131,
    adChapter = 136,
    adVarWChar = 202,
    adLongVarBinary = 205,
};

// The page shows doubles and currency as money, and a money cell that holds
// no number empty.
constexpr bool IsShownAsMoney(std::int32_t type) {
    return type == adDouble || type == adCurrency;
}

}  // namespace kestrova::platform
