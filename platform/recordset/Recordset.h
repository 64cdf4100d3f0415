#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/recordset/Table.h"
#include "platform/recordset/Variant.h"

// The recordset's end-of-data test is called EOF. <cstdio> is included
// first so that its EOF macro is defined, and then removed, here once.
#undef EOF

namespace kestrova::platform {

class CommandSource;

// Where a recordset stands: the table it shows, which of its rows, and the
// current one. Fields share it with their recordset, so a field always
// reads the recordset's current row.
struct Cursor {
    std::shared_ptr<const Table> table;
    const std::uint32_t* rows = nullptr;  // nullptr: every row of the table
    std::size_t rowCount = 0;
    std::size_t position = 0;
    std::shared_ptr<const void> keepAlive;  // owns `rows` when set
    // The tables whose rows follow those of `table`, when the result
    // comes in parts; `position` counts within the current table.
    std::shared_ptr<TableParts> parts;

    std::size_t TableRow() const { return rows ? rows[position] : position; }
    // Steps on to the next part once the rows of this one are passed.
    void NextPartWhenPassed();
};

class Field {
public:
    Field(std::shared_ptr<Cursor> cursor, std::size_t index);

    const std::string& Name() const;
    std::int32_t Type() const;
    // The value in the current row; a chapter field gives a new recordset
    // over the current row's children, on their first row.
    Variant Value() const;

private:
    const Column& ColumnInfo() const;

    std::shared_ptr<Cursor> cursor_;
    std::size_t index_;
};

class Fields {
public:
    explicit Fields(std::shared_ptr<Cursor> cursor);

    std::int32_t Count() const;
    Field Item(std::int32_t index) const;
    Field Item(const std::string& name) const;

private:
    std::shared_ptr<Cursor> cursor_;
};

// A forward-only, read-only recordset. A new one is not open: every call
// on it fails until Open succeeds.
class Recordset {
public:
    Recordset() = default;
    // An open recordset over `cursor`, on its first row.
    explicit Recordset(std::shared_ptr<Cursor> cursor);

    // Runs `source` on the open connection; -1 asks for the provider's
    // default cursor type, lock type and options.
    void Open(const std::string& source, const CommandSource& activeConnection,
              std::int32_t cursorType = -1, std::int32_t lockType = -1, std::int32_t options = -1);

    bool IsOpen() const { return cursor_ != nullptr; }
    bool EOF() const;
    void MoveNext();
    ::kestrova::platform::Fields Fields() const;

private:
    Cursor& OpenCursor() const;

    std::shared_ptr<Cursor> cursor_;
};

// A recordset showing every row of `table`, on its first row.
std::shared_ptr<Recordset> RecordsetOver(std::shared_ptr<const Table> table);

}  // namespace kestrova::platform
