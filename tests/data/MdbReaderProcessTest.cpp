#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <string>

#include "platform/localstore/MdbReaderProcess.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/HangGuard.h"
#include "tests/data/FixtureDatabase.h"

// The program's side of the reader process: however the reader ends, the
// program gets the tables or one failure that says why, in time.

namespace kestrova {
namespace {

using std::chrono::seconds;

constexpr std::uint64_t kMiB = 1024 * 1024;

class ReaderSupervision : public ::testing::Test {
protected:
    void TearDown() override { platform::SetHelperFolder(KESTROVA_BUILT_APPDIR); }

    // Puts a stand-in reader, a shell script, where the program looks.
    void UseReader(const std::string& script) {
        const std::string path = folder_.Path() + "/kestrova-mdb-reader";
        std::ofstream(path) << "#!/bin/sh\n" << script << "\n";
        chmod(path.c_str(), 0755);
        platform::SetHelperFolder(folder_.Path());
    }

    std::string FailureOf(const platform::ReaderLimits& limits, const std::string& file = "x",
                          const std::vector<std::string>& tables = {"T"}) {
        try {
            platform::ReadMdbTables(file, tables, limits);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

    testing::FixtureFolder folder_;
};

struct Ending {
    const char* how;
    const char* script;
    platform::ReaderLimits limits;
    const char* failure;
};

TEST_F(ReaderSupervision, EveryWayTheReaderCanFailBecomesOneFailureThatNamesIt) {
    const platform::ReaderLimits ample{seconds(60), seconds(60), 64 * kMiB};
    const Ending endings[] = {
        {"it says why", "echo 'kestrova-mdb: error: its catalog is damaged' >&2; exit 1", ample,
         "its catalog is damaged"},
        {"it crashes", "echo 'some last words' >&2; kill -SEGV $$", ample,
         "the .mdb reader crashed on it (Segmentation fault) (it said: some last words)"},
        {"it ends without a word", "exit 3", ample, "the .mdb reader ended with status 3"},
        {"it never ends",
         "exec sleep 600",
         {seconds(1), seconds(1), 64 * kMiB},
         "reading it took longer than 1 s and was stopped"},
        {"it closes its output and goes on",
         "exec >&- 2>&-; exec sleep 600",
         {seconds(1), seconds(1), 64 * kMiB},
         "reading it took longer than 1 s and was stopped"},
        {"it hands over too much",
         "exec head -c 3000000 /dev/zero",
         {seconds(60), seconds(60), kMiB},
         "its tables came to more than 1 MiB; reading was stopped"},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.how);
        UseReader(ending.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FailureOf(ending.limits), ending.failure);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took.count(), testing::HangGuard(30));
    }
}

TEST_F(ReaderSupervision, NotesBecomeDiagnosticsAndTheLibrarysOwnChatterDoesNot) {
    UseReader(
        "echo 'kestrova-mdb: note: the column X of T is of a type Kestrova does not read' >&2\n"
        "echo 'warning: something the library says' >&2\n"
        "printf 'image'");
    testing::DiagnosticsCapture diagnostics;
    const auto image = platform::ReadMdbTables("x", {"T"}, {seconds(60), seconds(60), kMiB});
    ASSERT_EQ(image.size, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.bytes.get()), image.size), "image");
    EXPECT_EQ(diagnostics.Text(),
              "kestrova: reading the data: the column X of T is of a type Kestrova does not "
              "read\n");
}

TEST_F(ReaderSupervision, AMissingReaderIsSaidSo) {
    platform::SetHelperFolder(folder_.Path());
    EXPECT_NE(FailureOf({seconds(60), seconds(60), kMiB}).find("cannot start the .mdb reader"),
              std::string::npos);
}

TEST_F(ReaderSupervision, TheRealReaderStopsAtItsProcessorTimeLimit) {
    const std::string file = folder_.Path() + "/big.mdb";
    const std::string make = std::string(KESTROVA_BUILT_APPDIR) + "/kestrova-sampledb " + file +
                             " --customers 2000 --format mdb";
    ASSERT_EQ(std::system(make.c_str()), 0);
    platform::SetHelperFolder(KESTROVA_BUILT_APPDIR);
    // No processor time at all: the first tick of the clock ends it.
    EXPECT_EQ(FailureOf({seconds(0), seconds(60), 1024 * kMiB}, file,
                        {"Customers", "Orders", "Order_Details", "Products"}),
              "reading it used more than 0 s of processor time and was stopped");
}

}  // namespace
}  // namespace kestrova
