#include "platform/pagefile/PageFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/pagefile/PageFileMapping.h"
#include "platform/runtime/Failure.h"
#include "tests/TemporaryFolder.h"
#include "tests/data/FixtureDatabase.h"

namespace kestrova {
namespace {

using platform::PageFile;

std::string LinkOf(int descriptor) {
    return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor)).string();
}

// A page file lies in the temporary folder without a name: nothing appears
// there, and its text reads back through the file and through a mapping.
// What another process is given can only read it.
TEST(PageFile, HasNoNameAndReadsBackWhatWasWrittenAndItsReaderCannotWrite) {
    testing::FixtureFolder folder;
    const testing::TemporaryFolder temporary(folder.Path());
    const auto file = PageFile::Create();
    file->Write(0, "head ");
    file->Write(5, std::string(5000, 'x'));
    file->Write(4, "!");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    EXPECT_NE(LinkOf(file->Descriptor()).find("(deleted)"), std::string::npos)
        << LinkOf(file->Descriptor());

    std::string read(6, '\0');
    file->Read(0, read.size(), read.data());
    EXPECT_EQ(read, "head!x");
    const platform::PageFileMapping mapping(file, 1 << 20);
    EXPECT_EQ(std::string_view(mapping.Data() + 5000, 5), "xxxxx");
    file->Write(5005, "tail");  // shows in a mapping made before
    EXPECT_EQ(std::string_view(mapping.Data() + 5005, 4), "tail");

    const auto reader = file->ReadOnly();
    EXPECT_EQ(file->ReadOnly(), reader);
    char byte = 0;
    EXPECT_EQ(pread(reader->Get(), &byte, 1, 4), 1);
    EXPECT_EQ(byte, '!');
    errno = 0;
    EXPECT_EQ(pwrite(reader->Get(), "y", 1, 0), -1);
    EXPECT_EQ(errno, EBADF);
    file->Read(0, 1, &byte);
    EXPECT_EQ(byte, 'h');
}

TEST(PageFile, ThatCannotBeMadeSaysWhichFolderAndWhy) {
    testing::FixtureFolder folder;
    const std::string notAFolder = folder.File("plain", "text");
    struct Case {
        std::string folder;
        const char* reason;
    };
    for (const auto& c : {Case{testing::kNoSuchFolder, "No such file or directory"},
                          Case{notAFolder, "Not a directory"}}) {
        SCOPED_TRACE(c.folder);
        const testing::TemporaryFolder temporary(c.folder);
        try {
            PageFile::Create();
            ADD_FAILURE() << "a page file was made";
        } catch (const runtime::Failure& failure) {
            const std::string said = failure.what();
            EXPECT_NE(said.find("cannot make a file in " + c.folder), std::string::npos) << said;
            EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        }
    }
}

// A disk that fills up is a failure that names it, never the end of the
// process (a file size limit would end it by a signal).
TEST(PageFile, AWriteTheDiskCannotTakeFailsAndTheProcessGoesOn) {
    testing::FixtureFolder folder;
    const testing::TemporaryFolder temporary(folder.Path());
    const auto file = PageFile::Create();
    const testing::FileSizeLimit diskFull(64 * 1024);
    file->Write(0, std::string(60 * 1024, 'a'));
    try {
        file->Write(60 * 1024, std::string(8 * 1024, 'b'));
        ADD_FAILURE() << "the write went beyond the limit";
    } catch (const runtime::Failure& failure) {
        const std::string said = failure.what();
        EXPECT_NE(said.find("cannot write 8192 bytes of the page text"), std::string::npos) << said;
        EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    }
}

}  // namespace
}  // namespace kestrova
