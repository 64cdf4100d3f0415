#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mdbfile/HeaderLayout.h"
#include "tests/HangGuard.h"
#include "tests/battery/ProgramRun.h"
#include "tests/data/FixtureDatabase.h"

// Protected classic files: a Jet 4 file whose pages are encoded, or that
// has a database password, shows as the same file unprotected does; an
// ACE file with a password, whose pages the library cannot decrypt, is
// said to be encrypted, in one line, and never called damaged.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

const fs::path kBuilt = KESTROVA_BUILT_APPDIR;
const fs::path kFiles = fs::path(KESTROVA_SOURCE_DIR) / "tests/data/access-files";
constexpr std::size_t kPage = 4096;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

testing::ProgramRun Finished(const std::vector<std::string>& command) {
    auto run = testing::RunProgram(command, testing::HangGuard(60));
    EXPECT_TRUE(run.finished) << command[0] << " did not end";
    return run;
}

// The settings block of a first page, unmasked, changed, and masked again.
void ChangeSettings(std::string& file, std::size_t at, const std::string& bytes) {
    auto* page = reinterpret_cast<std::uint8_t*>(file.data());
    mdbfile::header::ToggleSettingsMask(page, page[mdbfile::header::kVersionAt]);
    std::memcpy(page + at, bytes.data(), bytes.size());
    mdbfile::header::ToggleSettingsMask(page, page[mdbfile::header::kVersionAt]);
}

class EncryptedMdb : public ::testing::Test {
protected:
    // The page for a sample .mdb file written with `options`, in the same
    // folder each time, so that the pages can be the same.
    testing::ProgramRun PageOfSample(const std::vector<std::string>& options) {
        const fs::path app = fs::path(folder_.Path()) / "sample";
        fs::create_directories(app);
        std::vector<std::string> command = {(kBuilt / "kestrova-sampledb").string(),
                                            (app / "AdvWorks.mdb").string(),
                                            "--force",
                                            "--customers",
                                            "30",
                                            "--format",
                                            "mdb"};
        command.insert(command.end(), options.begin(), options.end());
        EXPECT_EQ(Finished(command).exitCode, 0);
        written_ = ReadFile(app / "AdvWorks.mdb");
        return Finished({(kBuilt / "kestrova-page").string(), app.string()});
    }

    testing::ProgramRun PageOf(const std::string& bytes) {
        const fs::path app = fs::path(folder_.Path()) / ("app" + std::to_string(++apps_));
        fs::create_directory(app);
        std::ofstream(app / "AdvWorks.mdb", std::ios::binary) << bytes;
        return Finished({(kBuilt / "kestrova-page").string(), app.string()});
    }

    testing::FixtureFolder folder_;
    int apps_ = 0;
    std::string written_;
};

TEST_F(EncryptedMdb, EncodedPagesAndAPasswordShowAsTheFileWithout) {
    const auto plain = PageOfSample({});
    const std::string plainFile = written_;
    ASSERT_EQ(plain.exitCode, 0);
    ASSERT_NE(plain.out.find("imgCustomer30"), std::string::npos);

    const auto encoded = PageOfSample({"--encrypt"});
    // Each page but the first is encoded: none reads as it was written.
    ASSERT_EQ(written_.size(), plainFile.size());
    for (std::size_t page = 1; page < written_.size() / kPage; ++page) {
        EXPECT_NE(written_.substr(page * kPage, 16), plainFile.substr(page * kPage, 16)) << page;
    }
    EXPECT_EQ(encoded.err, "");
    EXPECT_EQ(encoded.exitCode, 0);
    EXPECT_TRUE(encoded.out == plain.out) << "the pages differ";

    const auto withPassword = PageOfSample({"--password", "open sesame"});
    EXPECT_NE(written_.substr(0, kPage), plainFile.substr(0, kPage));
    EXPECT_EQ(withPassword.err, "");
    EXPECT_TRUE(withPassword.out == plain.out) << "the pages differ";

    const auto both = PageOfSample({"--encrypt", "--password", "open sesame"});
    EXPECT_EQ(both.err, "");
    EXPECT_TRUE(both.out == plain.out) << "the pages differ";
}

TEST_F(EncryptedMdb, PagesThatDoNotDecodeWithTheirKeyAreSaidToBeEncrypted) {
    PageOfSample({"--encrypt"});
    std::string file = written_;
    ChangeSettings(file, 0x3e, std::string("\x55\x55\x55\x55", 4));  // another key
    const auto run = PageOf(file);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("it is encrypted, and its pages cannot be decoded"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("damaged"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("</table>"), std::string::npos);
}

// An ACE file says in its header that its pages are encrypted: a page key,
// a password, or the description of the encryption it keeps after them.
TEST_F(EncryptedMdb, AnAceFileWithAPasswordIsSaidToBeEncryptedInOneLineAndNeverDamaged) {
    const std::string sound = ReadFile(kFiles / "V2010_testV2010.accdb");
    ASSERT_EQ(sound.substr(4, 15), "Standard ACE DB");
    std::vector<std::string> encrypted(3, sound);
    ChangeSettings(encrypted[0], 0x3e, std::string("\x01\x02\x03\x04", 4));
    ChangeSettings(encrypted[1], 0x42, std::string("s\0e\0s\0a\0m\0e\0", 12));
    const std::string provider = "Microsoft Enhanced RSA and AES Cryptographic Provider";
    for (std::size_t i = 0; i < provider.size() && 0x2a0 + 2 * i < 0x300; ++i) {
        encrypted[2][0x2a0 + 2 * i] = provider[i];
    }
    encrypted[2][0x298] = 0x06;
    for (auto& file : encrypted) {
        // What follows the header is beyond reading without the password.
        for (std::size_t at = kPage; at < file.size(); ++at) {
            file[at] = static_cast<char>(file[at] ^ (at * 131 % 251));
        }
        const auto run = PageOf(file);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("it is encrypted with a password, which Kestrova cannot read"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("damaged"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("crashed"), std::string::npos) << run.err;
        std::size_t saying = 0;
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);) {
            saying += line.find("encrypted") != std::string::npos;
        }
        EXPECT_EQ(saying, 1u) << run.err;
        EXPECT_NE(run.out.find("</body></html>"), std::string::npos);
    }
}

}  // namespace
}  // namespace kestrova
