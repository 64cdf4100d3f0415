#include "platform/datashape/PartSpill.h"

#include <string_view>

#include "platform/runtime/Failure.h"

namespace kestrova::platform::shape {

namespace {

// Large enough that the file is written in few calls, small enough that a
// part each of a few hundred parts costs little memory.
constexpr std::size_t kPieceBytes = 256 * 1024;

}  // namespace

PartSpill::PartSpill(std::shared_ptr<File> file, std::size_t parts)
    : file_(std::move(file)), parts_(parts) {}

void PartSpill::Add(std::size_t part, const Table& chunk, std::size_t row) {
    Gathered& gathered = parts_.at(part);
    for (const auto& column : chunk.columns) {
        column.values.AppendEncoded(row, gathered.bytes);
    }
    ++gathered.rows;
    if (gathered.bytes.size() >= kPieceBytes) {
        Write(gathered);
    }
}

void PartSpill::Flush() {
    for (auto& part : parts_) {
        if (!part.bytes.empty()) {
            Write(part);
        }
    }
}

void PartSpill::Write(Gathered& part) {
    file_->file->Write(file_->end, part.bytes);
    part.pieces.push_back({file_->end, part.bytes.size()});
    file_->end += part.bytes.size();
    part.bytes.clear();
}

Table PartSpill::Part(std::size_t part, std::size_t columns) const {
    const Gathered& gathered = parts_.at(part);
    Table table;
    table.columns.resize(columns);
    for (auto& column : table.columns) {
        column.values.reserve(gathered.rows);
    }
    std::string bytes;
    for (const Piece& piece : gathered.pieces) {
        bytes.resize(piece.length);
        file_->file->Read(piece.offset, piece.length, bytes.data());
        std::string_view rest = bytes;
        while (!rest.empty()) {
            for (auto& column : table.columns) {
                column.values.PushEncoded(rest);
            }
            ++table.rowCount;
        }
    }
    if (table.rowCount != gathered.rows) {
        throw runtime::Failure("the rows set aside for a part do not read back whole");
    }
    return table;
}

}  // namespace kestrova::platform::shape
