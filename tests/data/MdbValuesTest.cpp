#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/localstore/ValueConversion.h"
#include "platform/mdbfile/CalculatedValue.h"
#include "platform/mdbfile/DecimalValue.h"
#include "platform/mdbfile/ExtendedDate.h"
#include "platform/mdbfile/FileHeader.h"
#include "platform/mdbfile/HeaderLayout.h"
#include "platform/mdbfile/JetText.h"
#include "tools/jetfile/FieldEncoding.h"

// The classic format's values that the library does not read, decoded from
// their bytes: decimals, extended dates, calculated results, the header's
// protection.

namespace kestrova {
namespace {

using mdbfile::SqlValue;

// The value as it reads back from SQLite: its kind and its text.
std::string Shown(const SqlValue& value) {
    switch (value.kind) {
        case SqlValue::Integer:
            return "integer " + std::to_string(value.integer);
        case SqlValue::Real:
            return "real " + platform::ShortestText(value.real);
        case SqlValue::Text:
            return "text " + value.bytes;
        case SqlValue::Blob:
            return "blob";
        case SqlValue::Null:
            return "null";
    }
    return {};
}

std::string Shown(const std::optional<SqlValue>& value) {
    return value ? Shown(*value) : "unreadable";
}

unsigned __int128 Power10(int exponent) {
    unsigned __int128 value = 1;
    while (exponent-- > 0) {
        value *= 10;
    }
    return value;
}

TEST(DecimalValue, IsAnIntegerWhenWholeADoubleWhenExactAndElseItsDigits) {
    struct Case {
        bool negative;
        unsigned __int128 digits;
        int scale;
        const char* shown;
    };
    const Case kCases[] = {
        {false, 1, 0, "integer 1"},
        {true, 1, 0, "integer -1"},
        {true, 0, 0, "integer 0"},            // no negative zero
        {false, 4000000, 6, "integer 4"},     // trailing zeros of the scale
        {false, 50325000, 6, "real 50.325"},  // reads back as these digits
        {true, 36222200, 6, "real -36.2222"},
        {false, 123, 5, "real 0.00123"},  // leading zeros come from the scale
        {false, 9223372036854775807u, 0, "integer 9223372036854775807"},
        {true, 9223372036854775808u, 0, "integer -9223372036854775808"},
        {false, 9223372036854775809u, 0, "text 9223372036854775809"},
        {false,
         static_cast<unsigned __int128>(56505085819424791ull) * 1000000000000ull + 296572280180ull,
         18, "text 56505085819.424791296572280180"},
        {false, Power10(38) - 1, 0, "text 99999999999999999999999999999999999999"},
        {false, Power10(38) - 1, 38, "text 0.99999999999999999999999999999999999999"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(Shown(mdbfile::DecimalValue(c.negative, c.digits, c.scale)), c.shown) << c.shown;
    }
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

TEST(DecimalValue, StoredAndCalculatedDecimalsReadFromTheirOwnLayouts) {
    // A column's decimal: sign, then four words, the most significant
    // first: 102030405060.654321 at scale 6.
    const std::string stored =
        Bytes({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x1c, 0x7c, 0x6a, 0x01, 0xf1, 0xf4, 0xed, 0xe1});
    EXPECT_EQ(Shown(mdbfile::StoredDecimalValue(stored, 6)), "text 102030405060.654321");
    std::string negative = stored;
    negative[0] = static_cast<char>(0x80);
    EXPECT_EQ(Shown(mdbfile::StoredDecimalValue(negative, 6)), "text -102030405060.654321");
    EXPECT_EQ(Shown(mdbfile::StoredDecimalValue(stored.substr(1), 6)), "unreadable");
    EXPECT_EQ(Shown(mdbfile::StoredDecimalValue(stored, 39)), "unreadable");

    // A calculated result: two unused bytes, scale, sign, high 32 bits,
    // low 64 bits: -0.0192307692307692 at scale 16.
    const std::string calculated =
        Bytes({0x0e, 0x00, 0x10, 0x80, 0, 0, 0, 0, 0xec, 0x04, 0xb0, 0x1f, 0xe7, 0xae, 0x00, 0x00});
    EXPECT_EQ(Shown(mdbfile::CalculatedDecimalValue(calculated)), "real -0.0192307692307692");
    std::string wide = calculated;
    wide[4] = 1;  // 2^64 more
    EXPECT_EQ(Shown(mdbfile::CalculatedDecimalValue(wide)), "text -1844.6936381401859308");
    EXPECT_EQ(Shown(mdbfile::CalculatedDecimalValue(calculated + "x")), "unreadable");
}

std::string Extended(const std::string& days, const std::string& time) {
    return days + ":" + time + std::string(":7\0", 3);
}

TEST(ExtendedDate, ReadsDaysSecondsAndTicksAndRefusesAnythingElse) {
    EXPECT_EQ(
        Shown(mdbfile::ExtendedDateValue(Extended("0000000000000737592", "0000000000000000000"))),
        "text 2020-06-17");
    EXPECT_EQ(
        Shown(mdbfile::ExtendedDateValue(Extended("0000000000000737954", "0000000819123456789"))),
        "text 2021-06-14 22:45:12.3456789");
    EXPECT_EQ(
        Shown(mdbfile::ExtendedDateValue(Extended("0000000000000000000", "0000000000010000000"))),
        "text 0001-01-01 00:00:01");
    EXPECT_EQ(
        Shown(mdbfile::ExtendedDateValue(Extended("0000000000003652058", "0000000863990000001"))),
        "text 9999-12-31 23:59:59.0000001");
    const std::vector<std::string> kRefused = {
        Extended("0000000000003652059", "0000000000000000000"),  // after 9999-12-31
        Extended("0000000000000737592", "0000000864000000000"),  // a 24th hour
        Extended("00000000000007375x2", "0000000000000000000"),
        Extended("-000000000000737592", "0000000000000000000"),
        Extended("0000000000000737592", "0000000000000000000").substr(0, 41),
        "0000000000000737592:0000000000000000000:8" + std::string(1, '\0'),
        std::string(42, '\0'),
    };
    for (const auto& bytes : kRefused) {
        EXPECT_EQ(Shown(mdbfile::ExtendedDateValue(bytes)), "unreadable") << bytes;
    }
}

TEST(CalculatedResult, IsTheLengthGivenAfterSixteenBytesAndNoMore) {
    const std::string wrapped =
        std::string(16, '\0') + Bytes({3, 0, 0, 0}) + "abc" + std::string(3, '\0');
    EXPECT_EQ(mdbfile::CalculatedResult(wrapped), "abc");
    EXPECT_EQ(mdbfile::CalculatedResult(wrapped.substr(0, 23)), "abc");
    EXPECT_EQ(mdbfile::CalculatedResult(wrapped.substr(0, 22)), std::nullopt);
    EXPECT_EQ(mdbfile::CalculatedResult(std::string(16, '\0') + Bytes({0, 0, 0, 0})), "");
    EXPECT_EQ(mdbfile::CalculatedResult(std::string(16, '\0') + Bytes({0xff, 0xff, 0xff, 0xff})),
              std::nullopt);
    EXPECT_EQ(mdbfile::CalculatedResult(std::string(19, '\0')), std::nullopt);
}

// A first page of the given version, its settings block holding `key` and
// `password` (as stored: UTF-16, from Jet 4 on masked by the whole days of
// the creation date, as the files of the format's own program have it).
std::vector<unsigned char> FirstPage(int version, std::uint32_t key, const std::string& password,
                                     double created) {
    std::vector<unsigned char> page(4096, 0);
    std::memcpy(page.data() + 4, version >= 2 ? "Standard ACE DB" : "Standard Jet DB", 16);
    page[0x14] = static_cast<unsigned char>(version);
    std::memcpy(page.data() + 0x3e, &key, 4);
    std::memcpy(page.data() + 0x72, &created, 8);
    const auto days = static_cast<std::uint32_t>(created);
    const std::size_t stored = version == 0 ? 20 : 40;
    for (std::size_t i = 0; i < stored; ++i) {
        const auto mask = version == 0 ? 0 : days >> (8 * (i % 4));
        page[0x42 + i] = static_cast<unsigned char>((i < password.size() ? password[i] : 0) ^ mask);
    }
    mdbfile::header::ToggleSettingsMask(page.data(), version);
    return page;
}

TEST(FileHeader, TellsAPageKeyAPasswordAndAnEncryptedAceFile) {
    const std::string sesame("s\0e\0s\0a\0m\0e\0", 12);
    const auto plain = mdbfile::HeaderOf(FirstPage(1, 0, "", 38143.9).data(), 4096);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->version, 1);
    EXPECT_EQ(plain->pageKey, 0u);
    EXPECT_FALSE(plain->hasPassword);  // the creation date's mask alone is no password
    EXPECT_FALSE(mdbfile::UnreadableEncryption(*plain));

    const auto encoded = mdbfile::HeaderOf(FirstPage(1, 0x9e3779b1, sesame, 38143.9).data(), 4096);
    EXPECT_EQ(encoded->pageKey, 0x9e3779b1u);
    EXPECT_TRUE(encoded->hasPassword);
    EXPECT_FALSE(mdbfile::UnreadableEncryption(*encoded));  // the library decodes those

    const auto jet3 = mdbfile::HeaderOf(FirstPage(0, 0, "x", 0).data(), 2048);
    EXPECT_EQ(jet3->version, 0);
    EXPECT_TRUE(jet3->hasPassword);

    for (const auto& page : {FirstPage(3, 0, sesame, 40000.5), FirstPage(5, 7, "", 40000.5)}) {
        const auto ace = mdbfile::HeaderOf(page.data(), page.size());
        ASSERT_TRUE(ace && mdbfile::UnreadableEncryption(*ace));
        EXPECT_NE(mdbfile::UnreadableEncryption(*ace)->find("encrypted"), std::string::npos);
    }
    auto described = FirstPage(6, 0, "", 40000.5);
    EXPECT_FALSE(mdbfile::UnreadableEncryption(*mdbfile::HeaderOf(described.data(), 4096)));
    described[0x2a0] = 'M';
    EXPECT_TRUE(mdbfile::UnreadableEncryption(*mdbfile::HeaderOf(described.data(), 4096)));

    EXPECT_FALSE(mdbfile::HeaderOf(described.data(), 0x2ff));
}

TEST(IsoDate, KeepsAFractionOfTheSecondToItsSeventhDigit) {
    const auto date = platform::ParseIsoDate("2021-06-14 22:45:12.34567891");
    ASSERT_TRUE(date);
    EXPECT_EQ(date->second, 12);
    EXPECT_EQ(date->ticks, 3456789);
    EXPECT_EQ(platform::ParseIsoDate("2021-06-14 22:45:12.5")->ticks, 5000000);
    EXPECT_EQ(platform::ParseIsoDate("2021-06-14 22:45:12")->ticks, 0);
    EXPECT_EQ(platform::ParseIsoDate("2021-06-14 22:45")->ticks, 0);
    EXPECT_FALSE(platform::ParseIsoDate("2021-06-14 22:45:12.5x"));
}

// Found by fuzzing: a text whose first character is U+FEFF began with the
// bytes that mark the compressed form, and read back as other text. The
// writer writes it in the compressed form itself, switched to two bytes a
// character; every text reads back as written.
TEST(JetText, ReadsBackWhatTheWriterWritesTheByteOrderMarkFirstToo) {
    for (const std::string& text :
         {std::string("\xEF\xBB\xBF\xEF\xBA\xBF"),
          std::string("\xEF\xBB\xBF"
                      "abc"),
          std::string("plain"), std::string("\xF0\x9F\x98\x80 beyond the first plane"),
          std::string()}) {
        const std::string stored = jetfile::EncodedText(text);
        EXPECT_EQ(mdbfile::Utf8FromJetText(reinterpret_cast<const unsigned char*>(stored.data()),
                                           stored.size()),
                  text);
    }
}

}  // namespace
}  // namespace kestrova
