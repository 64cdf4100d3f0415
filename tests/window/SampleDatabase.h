#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/data/FixtureDatabase.h"

namespace kestrova::testing {

// A sample database of `customers` invented customers in `folder`, made by
// kestrova-sampledb; gives its path.
inline std::string SampleDatabase(const FixtureFolder& folder, int customers, int seed) {
    const std::string file = folder.Path() + "/sample-" + std::to_string(customers) + ".mdb";
    const std::string command = std::string(KESTROVA_SAMPLEDB) + " '" + file + "' --customers " +
                                std::to_string(customers) + " --seed " + std::to_string(seed) +
                                " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return file;
}

}  // namespace kestrova::testing
