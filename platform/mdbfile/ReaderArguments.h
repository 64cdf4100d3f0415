#pragma once

namespace kestrova::mdbfile {

// kestrova-mdb-reader CPU_SECONDS MEMORY_BYTES FILE [NAME...]: each NAME a
// table to copy, or a table's name, kIndexSeparator and one of its
// columns' names, asking for an index of that column in the copy. Neither
// a table's nor a column's name can hold the separator.
inline constexpr char kIndexSeparator = '\x1f';

}  // namespace kestrova::mdbfile
