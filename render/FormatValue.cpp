#include <limits>

#include "platform/format/FormatCurrency.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// Money is told by the field's type alone: doubles and currency.
platform::Variant Form1::IsCurrency(std::int16_t& intType) {
    return intType >= platform::adDouble && intType <= platform::adCurrency;
}

platform::Variant Form1::FormatValue(platform::Field& objField) {
    platform::Variant result;
    std::int16_t intType = 0;
    Attempt("formatting a value: reading its type", [&] {
        const std::int32_t type = objField.Type();
        if (type < std::numeric_limits<std::int16_t>::min() ||
            type > std::numeric_limits<std::int16_t>::max()) {
            throw runtime::Failure("the type code " + std::to_string(type) + " is out of range");
        }
        intType = static_cast<std::int16_t>(type);
    });
    if (std::get<bool>(IsCurrency(intType))) {
        Attempt("formatting a value as money", [&] {
            const platform::Variant value = objField.Value();
            // A Null amount is shown as an empty cell; that is no failure.
            if (platform::IsNull(value)) {
                return;
            }
            try {
                result = platform::FormatCurrency(value, 2, platform::TriState::UseDefault,
                                                  platform::TriState::UseDefault,
                                                  platform::TriState::UseDefault);
            } catch (const platform::NotAnAmount&) {
                // An empty cell, said once where the value was read.
            }
        });
    } else {
        Attempt("formatting a value: reading it", [&] { result = objField.Value(); });
    }
    return result;
}

}  // namespace kestrova
