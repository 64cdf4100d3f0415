#include "platform/localstore/ColumnTyping.h"

#include <limits>

#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Diagnostics.h"

namespace kestrova::platform {

namespace {

const char* KindOfType(std::int32_t type) {
    switch (type) {
        case adInteger:
        case adBigInt:
        case adSmallInt:
        case adUnsignedTinyInt:
            return "whole number in range";
        case adDouble:
        case adSingle:
        case adNumeric:
        case adDecimal:
            return "number";
        case adCurrency:
            return "amount of money";
        case adDate:
            return "date";
        case adBoolean:
            return "Boolean";
        default:
            return "value of its type";
    }
}

bool Beyond32(std::int64_t value) {
    return value < std::numeric_limits<std::int32_t>::min() ||
           value > std::numeric_limits<std::int32_t>::max();
}

// The stored value a provisional value of an undecided column stands for.
StoredValue AsStored(Variant&& value) {
    StoredValue stored;
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        stored.kind = StoredValue::Integer;
        stored.integer = *integer;
    } else if (const auto* real = std::get_if<double>(&value)) {
        stored.kind = StoredValue::Real;
        stored.real = *real;
    } else if (auto* text = std::get_if<std::string>(&value)) {
        stored.kind = StoredValue::Text;
        stored.bytes = std::move(*text);
    } else if (auto* blob = std::get_if<Binary>(&value)) {
        stored.kind = StoredValue::Blob;
        stored.bytes = std::move(blob->bytes);
    }
    return stored;
}

}  // namespace

Variant Converted(StoredValue&& value, std::int32_t type, const std::string& column) {
    const bool stored = value.kind != StoredValue::Null;
    Variant converted = ConvertStored(std::move(value), type);
    if (stored && type != adVarWChar && std::holds_alternative<std::string>(converted)) {
        std::string shown = std::get<std::string>(converted).substr(0, 40);
        runtime::ReportFailure(
            "reading the data",
            "a value of " + column + " is no " + KindOfType(type) + " (\"" + shown + "\"); " +
                (IsShownAsMoney(type) ? "its cell is left empty" : "it is shown as stored"));
    }
    return converted;
}

Variant ColumnTyping::Provisional(StoredValue&& value) {
    any_ = true;
    switch (value.kind) {
        case StoredValue::Integer:
            integer_ = true;
            other_ = true;
            beyond32_ = beyond32_ || Beyond32(value.integer);
            return value.integer;
        case StoredValue::Real:
            real_ = true;
            other_ = true;
            return value.real;
        case StoredValue::Text:
            text_ = true;
            other_ = true;
            return std::move(value.bytes);
        case StoredValue::Blob:
            return Binary{std::move(value.bytes)};
        case StoredValue::Null:
            return Null{};
    }
    return Null{};
}

void ColumnTyping::See(const ColumnValues& chunk) {
    if (known_ != adInteger || beyond32_) {
        return;
    }
    for (std::size_t row = 0; row < chunk.size(); ++row) {
        const auto number = chunk.IntegerAt(row);
        if (number && Beyond32(*number)) {
            beyond32_ = true;
            return;
        }
    }
}

std::int32_t ColumnTyping::FinalType() const {
    if (known_) {
        return *known_ == adInteger && beyond32_ ? adBigInt : *known_;
    }
    if (real_) {
        return adDouble;
    }
    if (integer_ && !text_) {
        return beyond32_ ? adBigInt : adInteger;
    }
    return any_ && !other_ ? adLongVarBinary : adVarWChar;
}

void ColumnTyping::Finish(Column& column) const {
    column.type = FinalType();
    if (known_) {
        if (column.type == adInteger) {
            column.values.NarrowIntegers();
        }
        return;
    }
    ColumnValues values;
    values.reserve(column.values.size());
    for (std::size_t row = 0; row < column.values.size(); ++row) {
        values.push_back(Converted(AsStored(column.values[row]), column.type, column.name));
    }
    column.values = std::move(values);
}

void ResultColumns::Finish(Table& rows) const {
    if (rows.columns.empty()) {
        rows.columns.resize(names.size());
    }
    for (std::size_t c = 0; c < rows.columns.size() && c < typing.size(); ++c) {
        rows.columns[c].name = names[c];
        typing[c].Finish(rows.columns[c]);
    }
}

}  // namespace kestrova::platform
