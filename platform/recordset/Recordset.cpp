#include "platform/recordset/Recordset.h"

#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

Cursor& Require(const std::shared_ptr<Cursor>& cursor) {
    if (!cursor) {
        throw runtime::Failure("the recordset is not open");
    }
    return *cursor;
}

void RequireCurrentRow(const Cursor& cursor) {
    if (cursor.position >= cursor.rowCount) {
        throw runtime::Failure("there is no current row: the recordset is past its end");
    }
}

}  // namespace

void Cursor::NextPartWhenPassed() {
    while (parts && position >= rowCount) {
        auto next = parts->Next();
        if (!next) {
            parts.reset();
            return;
        }
        table = std::move(next);
        rows = nullptr;
        rowCount = table->rowCount;
        position = 0;
    }
}

Field::Field(std::shared_ptr<Cursor> cursor, std::size_t index)
    : cursor_(std::move(cursor)), index_(index) {}

const Column& Field::ColumnInfo() const {
    return cursor_->table->columns[index_];
}

const std::string& Field::Name() const {
    return ColumnInfo().name;
}

std::int32_t Field::Type() const {
    return ColumnInfo().type;
}

Variant Field::Value() const {
    const Cursor& cursor = *cursor_;
    RequireCurrentRow(cursor);
    const Column& column = ColumnInfo();
    const std::size_t row = cursor.TableRow();
    if (!column.chapter) {
        return cursor.table->Cell(row, index_);
    }
    const Chapter& chapter = *column.chapter;
    auto child = std::make_shared<Cursor>();
    child->table = chapter.child;
    child->rows = chapter.rows.data() + chapter.offsets[row];
    child->rowCount = chapter.offsets[row + 1] - chapter.offsets[row];
    child->keepAlive = cursor.table;  // the parent table owns the chapter's row lists
    return std::make_shared<Recordset>(std::move(child));
}

Fields::Fields(std::shared_ptr<Cursor> cursor) : cursor_(std::move(cursor)) {}

std::int32_t Fields::Count() const {
    return static_cast<std::int32_t>(cursor_->table->columns.size());
}

Field Fields::Item(std::int32_t index) const {
    if (index < 0 || index >= Count()) {
        throw runtime::Failure("there is no field at position " + std::to_string(index));
    }
    return Field(cursor_, static_cast<std::size_t>(index));
}

Field Fields::Item(const std::string& name) const {
    const auto& columns = cursor_->table->columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) {
            return Field(cursor_, i);
        }
    }
    throw runtime::Failure("there is no field named \"" + name + "\"");
}

Recordset::Recordset(std::shared_ptr<Cursor> cursor) : cursor_(std::move(cursor)) {}

Cursor& Recordset::OpenCursor() const {
    return Require(cursor_);
}

bool Recordset::EOF() const {
    const Cursor& cursor = OpenCursor();
    return cursor.position >= cursor.rowCount;
}

void Recordset::MoveNext() {
    Cursor& cursor = OpenCursor();
    RequireCurrentRow(cursor);
    ++cursor.position;
    cursor.NextPartWhenPassed();
}

Fields Recordset::Fields() const {
    OpenCursor();
    return ::kestrova::platform::Fields(cursor_);
}

std::shared_ptr<Recordset> RecordsetOver(std::shared_ptr<const Table> table) {
    auto cursor = std::make_shared<Cursor>();
    cursor->rowCount = table->rowCount;
    cursor->table = std::move(table);
    return std::make_shared<Recordset>(std::move(cursor));
}

}  // namespace kestrova::platform
