#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/HangGuard.h"
#include "tests/battery/ProgramRun.h"
#include "tests/data/FixtureDatabase.h"

namespace kestrova::testing {

// An application folder with the page export and a sample database of
// `customers` customers; its own temporary folder beside it.
struct SampleApp {
    explicit SampleApp(int customers)
        : app(std::filesystem::path(root.Path()) / "app"), temporary(root.Path()) {
        namespace fs = std::filesystem;
        const fs::path built = KESTROVA_BUILT_APPDIR;
        temporary /= "tmp";
        fs::create_directories(app);
        fs::create_directories(temporary);
        for (const char* program : {"kestrova-page", "kestrova-mdb-reader"}) {
            fs::copy_file(built / program, app / program);
        }
        const auto made =
            RunProgram({(built / "kestrova-sampledb").string(), (app / "AdvWorks.mdb").string(),
                        "--customers", std::to_string(customers), "--seed", "3"},
                       HangGuard(120));
        EXPECT_EQ(made.exitCode, 0) << made.err;
        // Readable and usable by anyone, for the runs that are no one's.
        fs::permissions(root.Path(), fs::perms::all);
        fs::permissions(app, fs::perms::all);
    }

    // The page export's run with `temporaryFolder` as $TMPDIR.
    ProgramRun Page(const std::string& temporaryFolder, RunAs runAs = RunAs::Self,
                    std::optional<unsigned long> fileSizeLimit = std::nullopt) const {
        setenv("TMPDIR", temporaryFolder.c_str(), 1);
        auto run = RunProgram(Command(), HangGuard(120), {}, runAs, fileSizeLimit);
        unsetenv("TMPDIR");
        return run;
    }
    std::vector<std::string> Command() const {
        return {(app / "kestrova-page").string(), app.string()};
    }

    FixtureFolder root;
    std::filesystem::path app;
    std::filesystem::path temporary;
};

}  // namespace kestrova::testing
