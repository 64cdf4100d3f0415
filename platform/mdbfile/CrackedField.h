#pragma once

// The library's header includes glib's inside its own extern "C".
#include <glib.h>
#include <mdbtools.h>

#include "platform/mdbfile/FieldValue.h"

namespace kestrova::mdbfile {

// The value of one cracked field of the row on the handle's current page,
// as it goes into SQLite: numbers from their bytes, money and dates mapped
// (FieldValue.h), text and memos decoded from their UTF-16 (memos inline,
// on one long value page or on a chain of them), Null kept. A field whose
// bytes do not fit its type is Null.
SqlValue ReadField(MdbHandle* mdb, const MdbColumn& column, const MdbField& field);

}  // namespace kestrova::mdbfile
