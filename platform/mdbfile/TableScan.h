#pragma once

// The library's header includes glib's inside its own extern "C".
#include <glib.h>
#include <mdbtools.h>

#include <cstddef>
#include <functional>
#include <string>

namespace kestrova::mdbfile {

// Called for each row with the page that holds it in the handle's page
// buffer: the row's first byte on that page and its length. Gives false
// when the row's bytes cannot be read as a row.
using RowReader = std::function<bool(int start, std::size_t length)>;

// What of a table could not be read: how many pages or rows were passed
// over, and why the first one was.
struct Damage {
    std::size_t count = 0;
    std::string first;

    void Add(const std::string& why) {
        if (count++ == 0) {
            first = why;
        }
    }
};

// Reads every row of `table` (its columns read), in the order the table
// keeps them: page after page of its own, and on each page slot after
// slot. A deleted slot is passed over; a slot that holds only a pointer
// (a row that grew beyond its page when it was edited) is followed to the
// page where the row now stands, and the row is read there, in its slot's
// place. A page whose slots do not fit it, a slot outside its page, a
// pointer that leads outside the file or anywhere but to a moved row of
// the table, and a row `read` refuses are passed over and counted.
Damage ScanRows(MdbHandle* mdb, MdbTableDef* table, const RowReader& read);

}  // namespace kestrova::mdbfile
