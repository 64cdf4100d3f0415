#pragma once

#include <cstdint>
#include <string>

#include "tools/sampledb/SampleData.h"

namespace kestrova::sampledb {

// How a classic file is protected: its pages encoded with a key (0 for
// none), a database password (empty for none).
struct MdbProtection {
    std::uint32_t pageKey = 0;
    std::string password;
};

// Writes the sample data as a new file in the classic .mdb format, with the
// same tables, columns and values as the SQLite sample: whole numbers as
// long integers, prices as currency, order dates as date/time, Nulls kept.
void WriteMdbSample(const std::string& path, const SampleData& data,
                    const MdbProtection& protection = {});

}  // namespace kestrova::sampledb
