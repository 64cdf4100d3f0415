#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/localstore/ValueConversion.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform {

// Converts a value to its column's type; one that cannot be converted is
// kept as stored, and said so.
Variant Converted(StoredValue&& value, std::int32_t type, const std::string& column);

// What decides the type of one result column: the type known before its
// rows are read (declared, or computed from typed operands), or else the
// kinds of the values stored in it. The rows may come in chunks; the type
// is final once every chunk has been seen.
//
// Until then the column's values are provisional: those of a known type
// are converted already, 32-bit integers kept as 64-bit ones; those of an
// undecided column are kept as stored.
class ColumnTyping {
public:
    explicit ColumnTyping(std::optional<std::int32_t> known) : known_(known) {}

    std::optional<std::int32_t> Known() const { return known_; }

    // The provisional value of a stored value of an undecided column.
    Variant Provisional(StoredValue&& value);
    // Notes the values of a chunk of a known 32-bit integer column: one
    // beyond 32 bits makes it a 64-bit one.
    void See(const ColumnValues& chunk);

    std::int32_t FinalType() const;
    // Gives `column`, whose values are provisional ones, its final type
    // and values.
    void Finish(Column& column) const;

private:
    std::optional<std::int32_t> known_;
    // What the values seen so far hold.
    bool real_ = false;
    bool integer_ = false;
    bool text_ = false;
    bool other_ = false;  // neither blob nor Null
    bool any_ = false;
    bool beyond32_ = false;
};

// The columns of a result: their names and what decides their types.
struct ResultColumns {
    std::vector<std::string> names;
    std::vector<ColumnTyping> typing;

    // Gives a table of provisional values of this result, its columns in
    // the result's order, their names, final types and values.
    void Finish(Table& rows) const;
};

}  // namespace kestrova::platform
