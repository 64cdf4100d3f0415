#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/HangGuard.h"
#include "tests/battery/Json.h"
#include "tests/battery/ProgramRun.h"
#include "tests/data/FixtureDatabase.h"

// Files written by the format's own program, from 1997 to 2019: every
// table of every file reads through Kestrova's providers as mdbtools reads
// it, where mdbtools reads it right, and as the files' own description
// says where it does not. Nothing of them is called damaged.

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using testing::Json;

const fs::path kBuilt = KESTROVA_BUILT_APPDIR;
const fs::path kFiles = fs::path(KESTROVA_SOURCE_DIR) / "tests/data/access-files";

// Field type codes as kestrova-shape reports them.
constexpr int kDouble = 5;
constexpr int kCurrency = 6;
constexpr int kDate = 7;
constexpr int kBoolean = 11;
constexpr int kDecimal = 131;
constexpr int kText = 202;
constexpr int kBinary = 205;

testing::ProgramRun Run(const std::vector<std::string>& command) {
    auto run = testing::RunProgram(command, testing::HangGuard(60));
    EXPECT_TRUE(run.finished) << command[0] << " did not end";
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// A table as Kestrova reads it.
struct OurTable {
    std::vector<std::string> names;
    std::vector<int> types;
    std::vector<std::vector<Json>> rows;
    std::vector<std::string> diagnostics;
};

OurTable OursOf(const fs::path& file, const std::string& table) {
    const auto run =
        Run({(kBuilt / "kestrova-shape").string(), file.string(), "SELECT * FROM [" + table + "]"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    OurTable ours;
    ours.diagnostics = Lines(run.err);
    if (run.exitCode != 0) {
        return ours;
    }
    const Json json = testing::ParseJson(run.out);
    for (const Json& field : json.Find("fields")->items) {
        ours.names.push_back(field.Find("name")->text);
        ours.types.push_back(std::stoi(field.Find("type")->text));
    }
    for (const Json& row : json.Find("rows")->items) {
        ours.rows.push_back(row.items);
    }
    return ours;
}

// mdbtools' rows: one object each, without the members that are Null.
std::vector<Json> TheirsOf(const fs::path& file, const std::string& table) {
    const auto run = Run(
        {"/usr/bin/mdb-json", "-D", "%Y-%m-%d", "-T", "%Y-%m-%d %H:%M:%S", file.string(), table});
    std::vector<Json> rows;
    for (const auto& line : Lines(run.out)) {
        rows.push_back(testing::ParseJson(line));
    }
    return rows;
}

std::string Base64Decoded(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const auto at = kAlphabet.find(c);
        if (at == std::string::npos) {
            continue;
        }
        bits = (bits << 6) | static_cast<unsigned>(at);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xff);
        }
    }
    return bytes;
}

// Bytes as kestrova-shape writes them into a JSON string: each byte that
// starts no valid UTF-8 sequence becomes U+FFFD.
std::string AsShownInJson(const std::string& bytes) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = lead < 0x80         ? 1
                             : (lead >> 5) == 6  ? 2
                             : (lead >> 4) == 14 ? 3
                             : (lead >> 3) == 30 ? 4
                                                 : 0;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= bytes.size() || (static_cast<unsigned char>(bytes[i + k]) >> 6) != 2) {
                length = 0;
            }
        }
        if (length == 0) {
            shown += "\xEF\xBF\xBD";
            ++i;
        } else {
            shown.append(bytes, i, length);
            i += length;
        }
    }
    return shown;
}

// mdbtools writes characters beyond the first plane as "??".
std::string BeyondTheFirstPlaneAsQuestionMarks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) >> 3) == 30 && i + 3 < text.size()) {
            out += "??";
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// mdbtools writes the five bytes code page 1252 leaves undefined as "?";
// Kestrova keeps them as the control characters Windows makes of them.
std::string UndefinedCodePageBytesAsQuestionMarks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (lead == 0xC2 &&
            (next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D)) {
            out += '?';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Without(std::string text, char gone) {
    text.erase(std::remove(text.begin(), text.end(), gone), text.end());
    return text;
}

// A decimal's digits without trailing zeros after the point.
std::string Trimmed(std::string digits) {
    if (digits.find('.') != std::string::npos) {
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.back() == '.') {
            digits.pop_back();
        }
    }
    return digits == "-0" ? "0" : digits;
}

// `ours` rounded to as many significant digits as `theirs` shows.
bool SameToTheirDigits(double ours, const std::string& theirs) {
    std::string mantissa = theirs.substr(0, theirs.find_first_of("eE"));
    mantissa = Without(Without(mantissa, '-'), '.');
    const auto first = mantissa.find_first_not_of('0');
    const auto last = mantissa.find_last_not_of('0');
    const int digits = first == std::string::npos ? 1 : static_cast<int>(last - first + 1);
    char rounded[64];
    std::snprintf(rounded, sizeof rounded, "%.*e", std::max(digits, 1) - 1, ours);
    return std::strtod(rounded, nullptr) == std::strtod(theirs.c_str(), nullptr);
}

// Whether the value Kestrova read equals the value `theirs` states (as
// mdbtools or the files' description writes it; nullptr for Null), given
// the field's type code. mdbtools' known gaps count as equal: dates before
// 1899-12-30 as "1900-01-00", characters beyond the first plane as "??",
// an empty binary value as Null, GUIDs without the dash before their last
// group.
bool Same(int type, const Json& ours, const Json* theirs) {
    if (!theirs || theirs->kind == Json::Null) {
        return ours.kind == Json::Null || (type == kBinary && ours.text.empty());
    }
    if (ours.kind == Json::Null) {
        return false;
    }
    const Json& stated = *theirs;
    switch (type) {
        case kBoolean:
            return ours.boolean ==
                   (stated.kind == Json::Boolean ? stated.boolean : stated.text != "0");
        case kCurrency:
        case kDecimal:
            return Trimmed(ours.text) == Trimmed(stated.text);
        case kDouble:
            return SameToTheirDigits(std::strtod(ours.text.c_str(), nullptr), stated.text);
        case kDate: {
            std::string full = ours.text.substr(0, 19);
            if (full.size() == 10 && stated.text.size() > 10) {
                full += " 00:00:00";
            }
            return full == stated.text ||
                   (stated.text.rfind("1900-01-00", 0) == 0 && full < "1899-12-30");
        }
        case kBinary:
            if (stated.kind == Json::String) {
                return ours.text == stated.text;
            }
            return stated.kind == Json::Object &&
                   ours.text == AsShownInJson(Base64Decoded(stated.Find("$binary")->text));
        case kText:
            if (stated.kind == Json::Object) {  // a GUID, which mdbtools gives as bytes
                return Without(ours.text, '-') ==
                       Without(Base64Decoded(stated.Find("$binary")->text), '-');
            }
            return ours.text == stated.text ||
                   BeyondTheFirstPlaneAsQuestionMarks(ours.text) == stated.text ||
                   UndefinedCodePageBytesAsQuestionMarks(ours.text) == stated.text;
        default:
            return ours.kind == stated.kind && ours.text == stated.text;
    }
}

// Columns whose values mdbtools does not read: calculated columns and the
// extended date/time. The files' description, checked below, says what
// they hold.
bool MdbtoolsReadsNot(const std::string& file, const std::string& column) {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> kUnread = {
        {"V2010_calcFieldTestV2010.accdb",
         {"LastFirst", "LastFirstLen", "MonthlySalary", "IsRich", "AllNames", "WeeklySalary",
          "SalaryTest", "BoolTest", "DecimalTest", "FloatTest", "BigNumTest"}},
        {"V2019_extDateTestV2019.accdb", {"DateExt", "DateNormalCalc"}},
    };
    for (const auto& [name, columns] : kUnread) {
        if (name == file && std::find(columns.begin(), columns.end(), column) != columns.end()) {
            return true;
        }
    }
    return false;
}

// The first column in which our row differs from theirs, or nullopt.
std::optional<std::size_t> FirstDifference(const OurTable& ours, std::size_t row,
                                           const Json& theirs, const std::string& file) {
    for (std::size_t c = 0; c < ours.names.size(); ++c) {
        if (!MdbtoolsReadsNot(file, ours.names[c]) &&
            !Same(ours.types[c], ours.rows[row][c], theirs.Find(ours.names[c]))) {
            return c;
        }
    }
    return std::nullopt;
}

std::vector<std::string> TablesOf(const fs::path& file) {
    return Lines(Run({"/usr/bin/mdb-tables", "-1", file.string()}).out);
}

std::vector<std::string> RealFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kFiles)) {
        const auto extension = entry.path().extension();
        if (extension == ".mdb" || extension == ".accdb") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RealFile : public ::testing::TestWithParam<std::string> {};

// The only notes a sound file gets are for the columns of types Kestrova
// does not read: OLE objects (11) and attachments and other complex
// columns (18).
void ExpectOnlyLeftOutColumns(const std::vector<std::string>& diagnostics) {
    for (const auto& line : diagnostics) {
        EXPECT_TRUE(line.find("of a type Kestrova does not read (11)") != std::string::npos ||
                    line.find("of a type Kestrova does not read (18)") != std::string::npos)
            << line;
    }
}

// Every table reads whole, its rows as mdbtools reads them (in any order:
// mdbtools reads a row that was moved when it grew after all the others).
TEST_P(RealFile, EveryTableReadsAsMdbtoolsReadsItAndNothingIsCalledDamaged) {
    const std::string name = GetParam();
    const fs::path file = kFiles / name;
    const auto tables = TablesOf(file);
    for (const auto& table : tables) {
        SCOPED_TRACE(name + ", table " + table);
        const OurTable ours = OursOf(file, table);
        ExpectOnlyLeftOutColumns(ours.diagnostics);
        const std::vector<Json> theirs = TheirsOf(file, table);
        ASSERT_EQ(ours.rows.size(), theirs.size());
        std::vector<bool> matched(theirs.size(), false);
        for (std::size_t row = 0; row < ours.rows.size(); ++row) {
            std::size_t match = row;
            if (matched[row] || FirstDifference(ours, row, theirs[row], name)) {
                match = theirs.size();
                for (std::size_t other = 0; other < theirs.size() && match == theirs.size();
                     ++other) {
                    if (!matched[other] && !FirstDifference(ours, row, theirs[other], name)) {
                        match = other;
                    }
                }
            }
            if (match == theirs.size()) {
                const std::size_t column =
                    FirstDifference(ours, row, theirs[row], name).value_or(0);
                const Json* stated = theirs[row].Find(ours.names[column]);
                ADD_FAILURE() << name << ", table " << table << ", row " << row + 1 << ", column "
                              << ours.names[column] << ": Kestrova reads "
                              << ours.rows[row][column].Written() << ", mdbtools "
                              << (stated ? stated->Written() : "null");
                break;
            }
            matched[match] = true;
        }
    }
}

// What the files' description says they hold, in the program's rows
// (counted from 1) and as it would write the value.
struct Stated {
    const char* file;
    const char* table;
    std::size_t row;
    const char* column;
    const char* json;
};

constexpr Stated kStated[] = {
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col1", "\"some data\""},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col2", "1"},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col3", "0"},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col4", "0"},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col5", "4"},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col6", "-1"},
    {"V2000_fixedNumericTestV2000.mdb", "test", 1, "col7", "1"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col1", "\"some data\""},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col2", "1"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col3", "0"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col4", "0"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col5", "4"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col6", "-1"},
    {"V2010_fixedNumericTestV2010.accdb", "test", 1, "col7", "1"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "FirstName", "\"Bruce\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "LastName", "\"Wayne\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "LastFirst", "\"Wayne, Bruce\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "LastFirstLen", "12"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "Salary", "1000000.0000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "MonthlySalary", "83333.3333"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "IsRich", "true"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "AllNames", "\"Wayne, Bruce=Wayne, Bruce\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "WeeklySalary", "19230.7692307692"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "Popularity", "50.325000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "DecimalTest", "50.325000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "FloatTest", "2583.2092"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 1, "BigNumTest", "56505085819.424791296572280180"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "FirstName", "\"Bart\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "LastFirst", "\"Simpson, Bart\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "LastFirstLen", "13"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "Salary", "-1.0000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "MonthlySalary", "-0.0833"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "IsRich", "false"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 2, "Popularity", "-36.222200"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 3, "FirstName", "\"John\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 3, "LastFirstLen", "9"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 3, "Salary", "0.0000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 3, "IsRich", "false"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 3, "Popularity", "0.012300"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "FirstName", "\"Test\""},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "LastFirstLen", "10"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "Salary", "100.0000"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "MonthlySalary", "8.3333"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "IsRich", "false"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "Popularity", "102030405060.654321"},
    {"V2010_calcFieldTestV2010.accdb", "Table1", 4, "FloatTest", "1.27413E-10"},
    {"V2010_testEmoticonsV2010.accdb", "data", 1, "data", "\"a😀a\""},
    {"V2010_binIdxTestV2010.accdb", "Test", 101, "BinAsc", "null"},
    {"V2010_binIdxTestV2010.accdb", "Test", 102, "BinAsc", "\"\""},
};

// Every value the description names, in its row: exact, but for a single
// (FloatTest), which is compared to the digits the description gives.
TEST(RealFiles, HoldWhatTheirDescriptionSays) {
    for (const Stated& stated : kStated) {
        SCOPED_TRACE(std::string(stated.file) + ", row " + std::to_string(stated.row) + ", " +
                     stated.column);
        const OurTable ours = OursOf(kFiles / stated.file, stated.table);
        const auto column = std::find(ours.names.begin(), ours.names.end(), stated.column);
        ASSERT_NE(column, ours.names.end());
        ASSERT_LE(stated.row, ours.rows.size());
        const auto c = static_cast<std::size_t>(column - ours.names.begin());
        const Json expected = testing::ParseJson(stated.json);
        const Json& value = ours.rows[stated.row - 1][c];
        EXPECT_TRUE(Same(ours.types[c], value, &expected) &&
                    (expected.kind != Json::Null) == (value.kind != Json::Null))
            << "Kestrova reads " << value.Written() << ", the description says " << stated.json;
    }
}

// Rows 3 and 5 were made larger after they were written and now stand on
// other pages; they are read in their places, with every field the
// description does not name Null.
TEST(RealFiles, RowsThatGrewWhenEditedAreReadInTheirPlaces) {
    for (const char* file : {"V1997_overflowTestV1997.mdb", "V2000_overflowTestV2000.mdb",
                             "V2010_overflowTestV2010.accdb"}) {
        SCOPED_TRACE(file);
        const OurTable ours = OursOf(kFiles / file, "Table1");
        ASSERT_EQ(ours.rows.size(), 7u);
        const std::vector<std::pair<std::size_t, std::vector<std::pair<std::string, std::string>>>>
            kMoved = {{3, {{"data3", "row3col3"}, {"data9", "row3col9"}}},
                      {5, {{"data3", "row5col2"}}}};
        for (const auto& [row, texts] : kMoved) {
            for (std::size_t c = 0; c < ours.names.size(); ++c) {
                const auto named = std::find_if(texts.begin(), texts.end(), [&](const auto& text) {
                    return text.first == ours.names[c];
                });
                const Json& value = ours.rows[row - 1][c];
                EXPECT_EQ(value.Written(),
                          named == texts.end() ? "null" : "\"" + named->second + "\"")
                    << "row " << row << ", " << ours.names[c];
            }
        }
        EXPECT_EQ(ours.rows[3][0].Written(), "\"row4col1\"");
    }
}

// "M/d/yyyy" or "M/d/yyyy h:mm:ss.fffffff AM" as Kestrova writes a date:
// 'YYYY-MM-DD', with ' HH:MM:SS' when it has a time and '.fffffff' when
// that has a fraction.
std::string IsoOf(const std::string& stated) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char fraction[16] = "", half[4] = "";
    const int fields = std::sscanf(stated.c_str(), "%d/%d/%d %d:%d:%d.%7[0-9] %2s", &month, &day,
                                   &year, &hour, &minute, &second, fraction, half);
    if (fields == 8 && half[0] == 'P' && hour != 12) {
        hour += 12;
    } else if (fields == 8 && half[0] == 'A' && hour == 12) {
        hour = 0;
    }
    char iso[48];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
    std::string text = iso;
    if (fields == 8 && (hour || minute || second || std::atol(fraction))) {
        std::snprintf(iso, sizeof iso, " %02d:%02d:%02d", hour, minute, second);
        text += iso;
        if (std::atol(fraction)) {
            text += std::string(".") + fraction;
        }
    }
    return text;
}

TEST(RealFiles, EachExtendedDateIsTheMomentItsTextNamesToTheTenMillionthOfASecond) {
    const OurTable ours = OursOf(kFiles / "V2019_extDateTestV2019.accdb", "Table1");
    const auto at = [&](const char* name) {
        return static_cast<std::size_t>(std::find(ours.names.begin(), ours.names.end(), name) -
                                        ours.names.begin());
    };
    ASSERT_EQ(ours.rows.size(), 9u);
    for (std::size_t row = 0; row < ours.rows.size(); ++row) {
        SCOPED_TRACE("row " + std::to_string(row + 1));
        const Json& extended = ours.rows[row][at("DateExt")];
        const Json& text = ours.rows[row][at("DateExtStr")];
        EXPECT_EQ(ours.types[at("DateExt")], kDate);
        if (text.kind == Json::Null) {
            EXPECT_EQ(extended.kind, Json::Null);
        } else {
            EXPECT_EQ(extended.text, IsoOf(text.text));
        }
        // Its expression is [DateNormal].
        EXPECT_EQ(ours.rows[row][at("DateNormalCalc")].Written(),
                  ours.rows[row][at("DateNormal")].Written());
    }
}

// The overflow file's row 3 is a pointer in slot 2 of page 27 to where the
// row stands (page 28). Pointed elsewhere, it costs that row alone, and the
// damage is said.
TEST(RealFiles, APointerThatLeadsAstrayCostsOnlyItsRowAndIsSaid) {
    constexpr std::size_t kPointerAt = 27 * 4096 + 0xf9d;
    const std::string sound = [] {
        std::ifstream file(kFiles / "V2000_overflowTestV2000.mdb", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    }();
    ASSERT_EQ(sound.substr(kPointerAt, 4), std::string("\x00\x1c\x00\x00", 4));
    const std::pair<std::string, const char*> kAstray[] = {
        {std::string("\x00\xff\xff\xff", 4), "a row points outside the file"},
        {std::string("\x00\x02\x00\x00", 4), "none of the table's moved rows"},  // the catalog
        {std::string("\x00\x1b\x00\x00", 4), "none of the table's moved rows"},  // row 1
        {std::string("\x02\x1b\x00\x00", 4), "none of the table's moved rows"},  // itself
        {std::string("\x09\x1c\x00\x00", 4), "none of the table's moved rows"},  // no such slot
    };
    testing::FixtureFolder folder;
    for (const auto& [pointer, why] : kAstray) {
        SCOPED_TRACE(why);
        std::string damaged = sound;
        damaged.replace(kPointerAt, 4, pointer);
        const OurTable ours = OursOf(folder.File("overflow.mdb", damaged), "Table1");
        ASSERT_EQ(ours.rows.size(), 6u);
        EXPECT_EQ(ours.rows[2][0].Written(), "\"row4col1\"");
        ASSERT_EQ(ours.diagnostics.size(), 1u);
        EXPECT_NE(ours.diagnostics[0].find("the table Table1 holds 7 rows by its definition, but "
                                           "6 could be read: the file is damaged"),
                  std::string::npos)
            << ours.diagnostics[0];
        EXPECT_NE(ours.diagnostics[0].find(why), std::string::npos) << ours.diagnostics[0];
    }
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, RealFile, ::testing::ValuesIn(RealFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

}  // namespace
}  // namespace kestrova
