#pragma once

#include <string>

#include "tools/sampledb/SampleData.h"

namespace kestrova::sampledb {

// Writes the sample data as a new file in the classic .mdb format, with the
// same tables, columns and values as the SQLite sample: whole numbers as
// long integers, prices as currency, order dates as date/time, Nulls kept.
void WriteMdbSample(const std::string& path, const SampleData& data);

}  // namespace kestrova::sampledb
