#include <gtest/gtest.h>

#include <limits>

#include "platform/format/FormatCurrency.h"
#include "platform/format/ValueText.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/TypeCodes.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/render/LocaleOverride.h"

namespace kestrova {
namespace {

using namespace platform;
using testing::LocaleOverride;

constexpr const char* kNoBreakSpace = "\xc2\xa0";
constexpr const char* kNarrowNoBreakSpace = "\xe2\x80\xaf";

TEST(FormatCurrency, UsesTheRegionalSettingsForMoneyWithTwoDecimals) {
    {
        LocaleOverride locale({{"LC_ALL", "en_US.UTF-8"}});
        EXPECT_EQ(FormatCurrency(1234.5), "$1,234.50");
        EXPECT_EQ(FormatCurrency(Currency{12345000}), "$1,234.50");
        EXPECT_EQ(FormatCurrency(std::int32_t{3}), "$3.00");
        EXPECT_EQ(FormatCurrency(0.5), "$0.50");
        EXPECT_EQ(FormatCurrency(-5.0), "-$5.00");
        EXPECT_EQ(FormatCurrency(Currency{12345}), "$1.23");  // 1.2345 rounds half up
        EXPECT_EQ(FormatCurrency(std::string("12.5")), "$12.50");
        EXPECT_THROW(FormatCurrency(Null{}), std::exception);
        EXPECT_THROW(FormatCurrency(std::string("twelve")), std::exception);
    }
    {
        LocaleOverride locale({{"LC_MONETARY", "de_DE.UTF-8"}, {"LANG", "en_US.UTF-8"}});
        EXPECT_EQ(FormatCurrency(1234.5), std::string("1.234,50") + kNoBreakSpace + "€");
    }
    {
        // LC_ALL wins over the category's own variable; "C" means en_US.
        LocaleOverride locale({{"LC_ALL", "C"}, {"LC_MONETARY", "de_DE.UTF-8"}});
        EXPECT_EQ(FormatCurrency(1234.5), "$1,234.50");
    }
    {
        LocaleOverride locale({});
        EXPECT_EQ(FormatCurrency(1234.5), "$1,234.50");
    }
}

TEST(FormatCurrency, NothingThatIsNotAFiniteNumberBecomesMoney) {
    LocaleOverride locale({{"LC_ALL", "en_US.UTF-8"}});
    for (const Variant& value :
         {Variant(std::numeric_limits<double>::quiet_NaN()),
          Variant(std::numeric_limits<double>::infinity()),
          Variant(-std::numeric_limits<float>::infinity()), Variant(std::string("NaN")),
          Variant(std::string("-inf")), Variant(std::string("1e400")), Variant(std::string("abc")),
          Variant(std::string(""))}) {
        EXPECT_THROW(FormatCurrency(value), NotAnAmount) << ValueText(value);
    }
    EXPECT_EQ(FormatCurrency(std::string(" 2.5 ")), "$2.50");
}

TEST(FormatCurrency, AnUnknownLocaleIsSaidOnceAndEnUsTakesItsPlace) {
    for (const char* unknown : {"xx_YY", "xx_YY.UTF-8", "de_XX.UTF-8", "Klingon"}) {
        SCOPED_TRACE(unknown);
        LocaleOverride locale({{"LC_ALL", unknown}});
        testing::DiagnosticsCapture capture;
        EXPECT_EQ(FormatCurrency(225887.2), "$225,887.20");
        EXPECT_EQ(ValueText(0.5), "0.5");
        EXPECT_EQ(capture.Text(), std::string("kestrova: regional settings: the locale ") +
                                      unknown + " is unknown; en_US is used instead\n");
    }
}

TEST(FormatCurrency, TheEuroModifierMeansAmountsInEuros) {
    {
        LocaleOverride locale({{"LC_MONETARY", "de_DE@euro"}});
        EXPECT_EQ(FormatCurrency(1234.5), std::string("1.234,50") + kNoBreakSpace + "€");
    }
    {
        // Where the country's own currency is not the euro, the modifier wins.
        testing::DiagnosticsCapture capture;
        LocaleOverride locale({{"LC_ALL", "en_US.ISO-8859-15@euro"}});
        EXPECT_EQ(FormatCurrency(1234.5), "€1,234.50");
        EXPECT_EQ(capture.Text(), "");
    }
}

TEST(ValueText, GivesEachKindOfValueItsLocaleText) {
    LocaleOverride locale({{"LC_ALL", "en_US.UTF-8"}});
    EXPECT_EQ(ValueText(Null{}), "");
    EXPECT_EQ(ValueText(Empty{}), "");
    EXPECT_EQ(ValueText(std::int32_t{-42}), "-42");
    EXPECT_EQ(ValueText(std::int64_t{5000000000}), "5000000000");
    EXPECT_EQ(ValueText(true), "True");
    EXPECT_EQ(ValueText(false), "False");
    EXPECT_EQ(ValueText(0.1), "0.1");
    EXPECT_EQ(ValueText(1234567.25), "1234567.25");
    EXPECT_EQ(ValueText(0.1f), "0.1");
    EXPECT_EQ(ValueText(Decimal{"-7.50"}), "-7.50");
    EXPECT_EQ(ValueText(Currency{-5000}), "-0.5");
    EXPECT_EQ(ValueText(std::string("as <stored>")), "as <stored>");
    EXPECT_EQ(ValueText(Date{1998, 3, 14, 0, 0, 0, false}), "3/14/1998");
    EXPECT_EQ(ValueText(Date{1998, 3, 14, 14, 30, 5, true}),
              std::string("3/14/1998 2:30:05") + kNarrowNoBreakSpace + "PM");
    EXPECT_EQ(ValueText(Date{1, 1, 1, 0, 0, 0, false}), "1/1/1");
    EXPECT_THROW(ValueText(std::make_shared<Recordset>()), std::exception);
}

TEST(ValueText, FollowsTheNumberAndTimeSettingsOfGermany) {
    LocaleOverride locale({{"LC_NUMERIC", "de_DE.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}});
    EXPECT_EQ(ValueText(0.1), "0,1");
    EXPECT_EQ(ValueText(1234567.25), "1234567,25");
    EXPECT_EQ(ValueText(Decimal{"7.5"}), "7,5");
    EXPECT_EQ(ValueText(Date{1998, 3, 14, 14, 30, 5, true}), "14.3.1998 14:30:05");
}

std::shared_ptr<Recordset> OneRow(std::int32_t type, Variant value) {
    auto table = std::make_shared<Table>();
    table->rowCount = 1;
    table->columns.push_back(Column{"f", type, ColumnValues({std::move(value)}), std::nullopt});
    return RecordsetOver(table);
}

struct FormatValueTest : ::testing::Test {
    Variant Format(std::int32_t type, Variant value) {
        auto rs = OneRow(type, std::move(value));
        auto field = rs->Fields().Item(0);
        return Form1TestAccess::FormatValue(form, field);
    }
    LocaleOverride locale{{"LC_ALL", "en_US.UTF-8"}};
    MemoryBrowser browser;
    Form1 form{browser};
};

TEST_F(FormatValueTest, ShowsMoneyByTypeCodeAloneAndOtherValuesUnchanged) {
    EXPECT_EQ(Format(adCurrency, Currency{12345000}), Variant(std::string("$1,234.50")));
    EXPECT_EQ(Format(adDouble, 1234.5), Variant(std::string("$1,234.50")));
    EXPECT_EQ(Format(adCurrency, std::int32_t{3}), Variant(std::string("$3.00")));
    // Only doubles (5) and currency (6) are money; their neighbours are not.
    EXPECT_EQ(Format(adSingle, 2.5f), Variant(2.5f));
    EXPECT_EQ(Format(adDate, Date{2020, 1, 2, 0, 0, 0, false}),
              Variant(Date{2020, 1, 2, 0, 0, 0, false}));
    EXPECT_EQ(Format(adDecimal, Decimal{"2.5"}), Variant(Decimal{"2.5"}));
    EXPECT_EQ(Format(adNumeric, Decimal{"2.5"}), Variant(Decimal{"2.5"}));
    EXPECT_EQ(Format(adInteger, std::int32_t{42}), Variant(std::int32_t{42}));
    EXPECT_EQ(Format(adVarWChar, std::string("Total Amount")),
              Variant(std::string("Total Amount")));
    // A Null amount gives an empty result; a Null of another type stays Null.
    EXPECT_EQ(Format(adCurrency, Null{}), Variant(Empty{}));
    EXPECT_EQ(Format(adVarWChar, Null{}), Variant(Null{}));
}

}  // namespace
}  // namespace kestrova
