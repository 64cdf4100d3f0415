#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <limits>
#include <string>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/pagefile/PageFile.h"
#include "platform/runtime/Diagnostics.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/TemporaryFolder.h"

namespace kestrova {
namespace {

using Access = Form1TestAccess;
using Keeping = PageStorage::Keeping;

using testing::FileSizeLimit;
using testing::kNoSuchFolder;
using testing::TemporaryFolder;

// The buffer behaves the same whether its text lies in a file in the
// temporary folder or, where none can be made there, in memory.
class PageBufferTest : public ::testing::TestWithParam<Keeping> {
protected:
    PageBufferTest()
        : folder_(GetParam() == Keeping::InMemory ? kNoSuchFolder : platform::PageFile::Folder()) {
        Access::ResetText(form);
    }

    void ExpectState(std::int64_t length, std::int64_t capacity, std::size_t storage) {
        EXPECT_EQ(Access::Length(form), length);
        EXPECT_EQ(Access::Capacity(form), capacity);
        EXPECT_EQ(Access::Storage(form).size(), storage);
    }

    TemporaryFolder folder_;
    platform::MemoryBrowser browser;
    Form1 form{browser};
};

INSTANTIATE_TEST_SUITE_P(KeptInAFileOrInMemory, PageBufferTest,
                         ::testing::Values(Keeping::InAFile, Keeping::InMemory),
                         [](const auto& info) {
                             return info.param == Keeping::InAFile ? "InAFile" : "InMemory";
                         });

TEST_P(PageBufferTest, ResetLeavesExactly255Blanks) {
    Access::AppendText(form, std::string(1000, 'x'));
    Access::ResetText(form);
    ExpectState(0, 255, 255);
    EXPECT_EQ(Access::Storage(form), std::string(255, ' '));
}

TEST_P(PageBufferTest, GrowsByTwiceTheNeededLengthAndAppendsThatManyBlanks) {
    Access::AppendText(form, std::string(300, 'a'));
    ExpectState(300, 600, 855);
    Access::AppendText(form, std::string(200, 'b'));
    ExpectState(500, 600, 855);
    Access::AppendText(form, std::string(150, 'c'));
    ExpectState(650, 1300, 2155);
    EXPECT_EQ(Access::GetText(form),
              std::string(300, 'a') + std::string(200, 'b') + std::string(150, 'c'));
    // The spare storage beyond the text is still blanks.
    EXPECT_EQ(Access::Storage(form).substr(650), std::string(2155 - 650, ' '));
}

TEST_P(PageBufferTest, AppendEndingExactlyAtTheCapacityDoesNotGrow) {
    Access::AppendText(form, std::string(255, 'x'));
    ExpectState(255, 255, 255);
    Access::AppendText(form, "y");
    ExpectState(256, 512, 767);
}

TEST_P(PageBufferTest, First256ByteAppendSetsCapacity512) {
    Access::AppendText(form, std::string(256, 'x'));
    ExpectState(256, 512, 767);
}

TEST_P(PageBufferTest, EmptyAppendChangesNothingNotEvenALoweredCapacity) {
    Access::AppendText(form, "abc");
    Access::GetText(form);
    ExpectState(3, 3, 255);
    Access::AppendText(form, "");
    ExpectState(3, 3, 255);
}

TEST_P(PageBufferTest, GetTextOnEmptyBufferLowersCapacityToZeroAndNextAppendGrows) {
    EXPECT_EQ(Access::GetText(form), "");
    ExpectState(0, 0, 255);
    Access::AppendText(form, "hello");
    ExpectState(5, 10, 265);
    EXPECT_EQ(Access::GetText(form), "hello");
}

TEST_P(PageBufferTest, GetTextTwiceGivesTheSameTextAndKeepsTrailingBlanksOfTheText) {
    Access::AppendText(form, "line  ");
    Access::AppendText(form, "\r\nnext ");
    const std::string first = Access::GetText(form);
    EXPECT_EQ(first, "line  \r\nnext ");
    EXPECT_EQ(Access::GetText(form), first);
}

TEST_P(PageBufferTest, MultiByteTextCountsBytes) {
    Access::AppendText(form, "Zoë €");  // 4 + 1 + 3 bytes
    EXPECT_EQ(Access::Length(form), 8);
    EXPECT_EQ(Access::GetText(form), "Zoë €");
}

TEST_P(PageBufferTest, TheTextLiesWhereTheTemporaryFolderAllowsAndAnEmptiedBufferHoldsNone) {
    EXPECT_EQ(Access::KeptIn(form), Keeping::NothingYet);
    Access::AppendText(form, std::string(3 << 20, 'x'));
    EXPECT_EQ(Access::KeptIn(form), GetParam());
    Access::ResetText(form);
    EXPECT_EQ(Access::KeptIn(form), Keeping::NothingYet);
    ExpectState(0, 255, 255);
    Access::AppendText(form, "kept");
    EXPECT_EQ(Access::Storage(form), "kept" + std::string(251, ' '));
}

// Lengths count in 64 bits, so the limits lie far beyond any page; a piece
// that cannot be added is still dropped whole, the buffer stays as it was,
// and the page is known not to be whole.
// Text handed out is shared, not copied; whatever the buffer does next, the
// text handed out stays as it was.
TEST_P(PageBufferTest, TextHandedOutNeverChangesWhateverTheBufferDoesNext) {
    Access::AppendText(form, "head body");
    const platform::PageText kept = Access::SharedText(form);
    Access::AppendText(form, " more");  // after a GetText, without emptying
    EXPECT_EQ(kept, "head body");
    EXPECT_EQ(Access::GetText(form), "head body more");

    const platform::PageText body = Access::SharedText(form);
    Access::ResetText(form);
    // The body given back after a line break, as start-up does with it, and
    // the buffer going on after it.
    Access::AppendLine(form, body);
    Access::AppendLine(form, "</end>");
    EXPECT_EQ(body, "head body more");
    EXPECT_EQ(kept, "head body");
    EXPECT_EQ(Access::GetText(form), "\r\nhead body more\r\n</end>");
    ExpectState(24, 24, Access::Storage(form).size());

    // A text that is not the one last handed out is copied as usual.
    Access::ResetText(form);
    Access::AppendLine(form, kept);
    EXPECT_EQ(Access::GetText(form), "\r\nhead body");
    EXPECT_EQ(kept, "head body");
}

// A long page is given back without copying it and grows on in place.
TEST_P(PageBufferTest, ALongBodyGivenBackAfterALineBreakKeepsItsTextAndGrows) {
    const std::string text(3 << 20, 'x');
    Access::AppendText(form, text);
    const platform::PageText body = Access::SharedText(form);
    Access::ResetText(form);
    Access::AppendLine(form, body);
    Access::AppendLine(form, std::string(5 << 20, 'y'));
    const std::string page = Access::GetText(form);
    EXPECT_EQ(page.size(), 2 + text.size() + 2 + (5u << 20));
    EXPECT_EQ(page.substr(0, 2), "\r\n");
    EXPECT_EQ(page.substr(2, text.size()), text);
    EXPECT_EQ(page.substr(page.size() - 3), "yyy");
    EXPECT_EQ(body, text);
}

// Maps one page right after the memory mapping that holds `address`, so
// that the mapping cannot grow in place; unmaps it again when it ends.
class BlockedGrowth {
public:
    explicit BlockedGrowth(const void* address) {
        const auto wanted = reinterpret_cast<std::uintptr_t>(address);
        std::ifstream maps("/proc/self/maps");
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::string rest;
        while (maps >> std::hex >> start >> dash >> end && std::getline(maps, rest)) {
            if (start <= wanted && wanted < end) {
                void* page = mmap(reinterpret_cast<void*>(end), 4096, PROT_NONE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
                page_ = page == MAP_FAILED ? nullptr : page;
                // Something else lying there already blocks the growth as well.
                blocked_ = page_ != nullptr || errno == EEXIST;
                return;
            }
        }
    }
    ~BlockedGrowth() {
        if (page_) {
            munmap(page_, 4096);
        }
    }
    bool Blocked() const { return blocked_; }

private:
    void* page_ = nullptr;
    bool blocked_ = false;
};

// When the body's memory cannot grow where it lies, the buffer moves to
// memory of its own, and the body moves with it. (A file's text never has
// to move: it is mapped anew.)
TEST_P(PageBufferTest, ABodyGivenBackWhoseMemoryCannotGrowInPlaceIsMovedWhole) {
    if (GetParam() != Keeping::InMemory) {
        GTEST_SKIP() << "only text in memory lies where it was first put";
    }
    // Two pieces leave the storage too short for twice the whole text.
    const std::string text(3 << 20, 'x');
    Access::AppendText(form, std::string_view(text).substr(0, 2 << 20));
    Access::AppendText(form, std::string_view(text).substr(2 << 20));
    const platform::PageText body = Access::SharedText(form);
    const BlockedGrowth blocked(body.data());
    ASSERT_TRUE(blocked.Blocked());
    Access::ResetText(form);
    Access::AppendLine(form, body);
    Access::AppendLine(form, "</end>");
    const std::string page = Access::GetText(form);
    EXPECT_EQ(page.size(), 2 + text.size() + 8);
    EXPECT_EQ(page.substr(0, 2), "\r\n");
    EXPECT_EQ(page.find_first_not_of('x', 2), 2 + text.size());
    EXPECT_EQ(page.substr(page.size() - 8), "\r\n</end>");
    EXPECT_EQ(body, text);
}

// The disk fills up (here: a file size limit) while the page is written:
// the text goes on in memory, whole, and what was handed out before stays
// as it was, read from the file.
TEST_P(PageBufferTest, AFileThatFillsUpPartWayGivesWayToMemoryAndTheTextStaysWhole) {
    const std::string head(1 << 20, 'h');
    Access::AppendText(form, head);
    const platform::PageText handedOut = Access::SharedText(form);
    std::string expected = head;
    {
        const FileSizeLimit diskFull(3 << 20);
        for (char c = 'a'; c <= 'e'; ++c) {
            const std::string piece((1 << 20) + 17, c);
            Access::AppendText(form, piece);
            expected += piece;
        }
        // The body given back after a line break, as start-up does.
        const platform::PageText body = Access::SharedText(form);
        Access::ResetText(form);
        Access::AppendLine(form, body);
        Access::AppendLine(form, "</end>");
    }
    EXPECT_EQ(Access::KeptIn(form), Keeping::InMemory);
    const std::string page = Access::GetText(form);
    EXPECT_EQ(page.size(), 2 + expected.size() + 8);
    EXPECT_TRUE(page == "\r\n" + expected + "\r\n</end>");
    EXPECT_EQ(handedOut, head);
    EXPECT_EQ(handedOut.InFile() != nullptr, GetParam() == Keeping::InAFile);
}

TEST_P(PageBufferTest, APieceThatCannotBeAddedIsDroppedWholeAndSaidSo) {
    struct Case {
        const char* name;
        std::int64_t length;
        const char* said;
    };
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    for (const Case& c : {Case{"the length would overflow", kMax - 2, "cannot count"},
                          Case{"the capacity would overflow", kMax / 2, "cannot grow"},
                          Case{"memory runs out", std::int64_t{1} << 61, "out of memory"}}) {
        SCOPED_TRACE(c.name);
        Access::ResetText(form);
        Access::SetLength(form, c.length);
        const std::string storageBefore = Access::Storage(form);
        const long lostBefore = runtime::FailureCount(Form1::kPageBufferFailure);
        kestrova::testing::DiagnosticsCapture capture;
        Access::AppendText(form, "overflow");
        EXPECT_EQ(Access::Length(form), c.length);
        EXPECT_EQ(Access::Capacity(form), 255);
        EXPECT_EQ(Access::Storage(form), storageBefore);
        EXPECT_EQ(runtime::FailureCount(Form1::kPageBufferFailure), lostBefore + 1);
        EXPECT_NE(capture.Text().find(c.said), std::string::npos) << capture.Text();
        EXPECT_FALSE(Form1::PageWhole());
    }
}

}  // namespace
}  // namespace kestrova
