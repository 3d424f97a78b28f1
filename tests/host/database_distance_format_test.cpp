// The architecture distance formatter: decimals by units selector and exact rounding half
// away from zero.
#include "acedads.h"
#include "aecexports.h"
#include "database/distance_format.h"
#include "dbmain.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>

namespace {

struct FormatCase {
    double value;
    int decimals;
    const char* expected;
};

class FixedDecimalTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FixedDecimalTest, RoundsTheExactValueHalfAwayFromZero)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(cadhost::formatFixedDecimal(c.value, c.decimals), c.expected)
        << c.value << " with " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedDecimalTest,
    ::testing::Values(FormatCase{0.125, 2, "0.13"},     // exactly half: away from zero
                      FormatCase{-0.125, 2, "-0.13"},
                      FormatCase{0.375, 2, "0.38"},
                      FormatCase{2.5, 0, "3"},
                      FormatCase{-2.5, 0, "-3"},
                      FormatCase{1.5, 0, "2"},
                      FormatCase{2.675, 2, "2.67"},     // stored as 2.674999999999999822...
                      FormatCase{1.005, 2, "1.00"},     // stored just below 1.005
                      FormatCase{0.1, 20, "0.10000000000000000555"},
                      FormatCase{9.9996, 3, "10.000"},
                      FormatCase{999.5, 0, "1000"},
                      FormatCase{-0.0004, 3, "0.000"},  // rounds to zero: no sign
                      FormatCase{-0.0, 2, "0.00"},
                      FormatCase{0.0, 0, "0"},
                      FormatCase{1234567.891, 1, "1234567.9"},
                      FormatCase{1e21, 0, "1000000000000000000000"},
                      FormatCase{123.0, 4, "123.0000"},
                      FormatCase{5e-324, 2, "0.00"},
                      FormatCase{3.14159, 8, "3.14159000"}));

TEST(FixedDecimal, NonFiniteValuesGiveNoText)
{
    EXPECT_EQ(cadhost::formatFixedDecimal(std::numeric_limits<double>::quiet_NaN(), 2), "");
    EXPECT_EQ(cadhost::formatFixedDecimal(std::numeric_limits<double>::infinity(), 2), "");
}

TEST(FixedDecimal, UnitsSelectorGivesTheDecimals)
{
    EXPECT_EQ(cadhost::decimalsForUnitsSelector(-1), 4);
    EXPECT_EQ(cadhost::decimalsForUnitsSelector(0), 0);
    EXPECT_EQ(cadhost::decimalsForUnitsSelector(8), 8);
    EXPECT_EQ(cadhost::decimalsForUnitsSelector(9), 4);
}

TEST(DistanceFormatter, WritesIntoAnEmptyStringMadeByTheResourceExport)
{
    alignas(CString) unsigned char storage[sizeof(CString)];
    CString* text = AecResMgr_116_constructString(storage);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->IsEmpty());
    AecBase_7415_formatDistance(12.34567, *text, -1, 2);
    EXPECT_EQ(std::u16string(text->GetString()), u"12.35");
    AecBase_7415_formatDistance(-12.34567, *text, -1, -1);
    EXPECT_EQ(std::u16string(text->GetString()), u"-12.3457");
    text->~CString();
}

TEST(DistanceFormatter, UnitsContextGivesTheWorkingDrawingsPrecision)
{
    cadhost::resetSession();
    const AcDbUnitsContext* units = acdbHostApplicationServices()->unitsContext();
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units->unitsSelector(), 4);
    resbuf precision{};
    precision.restype = RTSHORT;
    precision.resval.rint = 1;
    ASSERT_EQ(acedSetVar(u"LUPREC", &precision), RTNORM);
    EXPECT_EQ(units->unitsSelector(), 1);
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), cadhost::workingDatabase());
}

}  // namespace
