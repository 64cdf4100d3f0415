#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pagefile/PageFile.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// The rows of one level of a large result, set aside part by part in an
// unnamed file of the temporary folder until their part is walked. Rows
// are gathered for each part and written in pieces of a few hundred
// kilobytes; the file is shared by every level of the result, each writing
// at its end.
class PartSpill {
public:
    // Where the levels of one result write: the file and its end.
    struct File {
        std::shared_ptr<PageFile> file;
        std::uint64_t end = 0;
    };

    PartSpill(std::shared_ptr<File> file, std::size_t parts);

    // Sets row `row` of `chunk` aside for `part`. Throws runtime::Failure
    // when the file cannot take it.
    void Add(std::size_t part, const Table& chunk, std::size_t row);
    // Writes what is still gathered.
    void Flush();
    // The rows set aside for `part`, in the order they were added, as a
    // table of `columns` columns without names or types.
    Table Part(std::size_t part, std::size_t columns) const;

private:
    struct Piece {
        std::uint64_t offset;
        std::uint64_t length;
    };
    struct Gathered {
        std::string bytes;
        std::vector<Piece> pieces;
        std::size_t rows = 0;
    };

    void Write(Gathered& part);

    std::shared_ptr<File> file_;
    std::vector<Gathered> parts_;
};

}  // namespace kestrova::platform::shape
