#pragma once

// The library's header includes glib's inside its own extern "C".
#include <glib.h>
#include <mdbtools.h>

#include <optional>

#include "platform/mdbfile/ColumnTraits.h"
#include "platform/mdbfile/FieldValue.h"

namespace kestrova::mdbfile {

// The value of one cracked field of the row on the handle's current page,
// as it goes into SQLite: numbers and decimals from their bytes, money and
// dates mapped (FieldValue.h), GUIDs as their text, text and memos decoded
// from their UTF-16 (memos inline, on one long value page or on a chain of
// them), a calculated column's result unwrapped and read as its result
// type, Null kept. nullopt when the field's bytes do not fit its type.
std::optional<SqlValue> ReadField(MdbHandle* mdb, const MdbColumn& column,
                                  const ColumnTraits& traits, const MdbField& field);

}  // namespace kestrova::mdbfile
