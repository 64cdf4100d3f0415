#include "platform/localstore/DeclaredType.h"

#include <cctype>
#include <string>
#include <utility>

#include "platform/recordset/TypeCodes.h"

namespace kestrova::platform {

std::optional<std::int32_t> TypeOfDeclaration(std::string_view declaredType) {
    // The first word decides: "DOUBLE PRECISION", "VARCHAR(40)", "INT UNSIGNED".
    std::string word;
    for (const char c : declaredType) {
        if (std::isalpha(static_cast<unsigned char>(c))) {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
            break;
        }
    }
    static constexpr std::pair<std::string_view, std::int32_t> kTypes[] = {
        {"INTEGER", adInteger},
        {"INT", adInteger},
        {"LONG", adInteger},
        {"BIGINT", adBigInt},
        {"SMALLINT", adSmallInt},
        {"SHORT", adSmallInt},
        {"BYTE", adUnsignedTinyInt},
        {"TINYINT", adUnsignedTinyInt},
        {"REAL", adDouble},
        {"DOUBLE", adDouble},
        {"FLOAT", adDouble},
        {"SINGLE", adSingle},
        {"CURRENCY", adCurrency},
        {"MONEY", adCurrency},
        {"DECIMAL", adNumeric},
        {"NUMERIC", adNumeric},
        {"DATE", adDate},
        {"DATETIME", adDate},
        {"TIME", adDate},
        {"TIMESTAMP", adDate},
        {"BOOLEAN", adBoolean},
        {"BIT", adBoolean},
        {"YESNO", adBoolean},
        {"TEXT", adVarWChar},
        {"CHAR", adVarWChar},
        {"VARCHAR", adVarWChar},
        {"NVARCHAR", adVarWChar},
        {"NCHAR", adVarWChar},
        {"MEMO", adVarWChar},
        {"CLOB", adVarWChar},
        {"STRING", adVarWChar},
        {"BLOB", adLongVarBinary},
        {"BINARY", adLongVarBinary},
        {"VARBINARY", adLongVarBinary},
    };
    for (const auto& [name, code] : kTypes) {
        if (word == name) {
            return code;
        }
    }
    if (word.find("CHAR") != std::string::npos || word.find("TEXT") != std::string::npos) {
        return adVarWChar;
    }
    return std::nullopt;
}

}  // namespace kestrova::platform
