// Zero suppression and decimal separator of the numbers an arc dimension shows, and the
// significant digits a printed length keeps.
#include "arcdim/DimensionFormat.h"
#include "geometry/SignificantDigits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SuppressionCase {
    int dimZin;
    char16_t separator;
    std::u16string formatted;
    std::u16string expected;
};

std::string narrow(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

class ZeroSuppressionTable : public ::testing::TestWithParam<SuppressionCase> {};

TEST_P(ZeroSuppressionTable, GivesTheTextTheUserReads)
{
    const SuppressionCase& c = GetParam();
    CString text(c.formatted.c_str());
    suppressZerosAndSetSeparator(text, c.dimZin, c.separator);
    EXPECT_EQ(std::u16string(text.GetString()), c.expected)
        << "DIMZIN " << c.dimZin << " on '" << narrow(c.formatted) << "'";
}

INSTANTIATE_TEST_SUITE_P(
    TrailingZeros, ZeroSuppressionTable,
    ::testing::Values(SuppressionCase{8, u'.', u"12.500", u"12.5"},
                      SuppressionCase{8, u'.', u"12.000", u"12"},
                      SuppressionCase{8, u'.', u"5.", u"5"},
                      SuppressionCase{8, u'.', u"100", u"100"},
                      SuppressionCase{8, u'.', u"0.000", u"0"},
                      SuppressionCase{8, u'.', u"10.050", u"10.05"},
                      SuppressionCase{8, u'.', u"12.50m", u"12.50m"}));

INSTANTIATE_TEST_SUITE_P(
    LeadingZeros, ZeroSuppressionTable,
    ::testing::Values(SuppressionCase{4, u'.', u"0.500", u".500"},
                      SuppressionCase{4, u'.', u"0", u"0"},
                      SuppressionCase{4, u'.', u"007", u"7"},
                      SuppressionCase{4, u'.', u"10.5", u"10.5"},
                      SuppressionCase{4, u'.', u"-0.5", u"-0.5"},
                      SuppressionCase{4, u'.', u"00.25", u".25"}));

INSTANTIATE_TEST_SUITE_P(
    BothOrNeither, ZeroSuppressionTable,
    ::testing::Values(SuppressionCase{12, u'.', u"0.500", u".5"},
                      SuppressionCase{12, u'.', u"0.000", u"0"},
                      SuppressionCase{12, u'.', u"-0.50", u"-0.5"},
                      SuppressionCase{0, u'.', u"0.500", u"0.500"},
                      SuppressionCase{1, u'.', u"0.500", u"0.500"},
                      SuppressionCase{2, u'.', u"0.500", u"0.500"},
                      SuppressionCase{3, u'.', u"0.500", u"0.500"},
                      SuppressionCase{16 + 32, u'.', u"0.500", u"0.500"}));

INSTANTIATE_TEST_SUITE_P(
    Separator, ZeroSuppressionTable,
    ::testing::Values(SuppressionCase{0, u',', u"12.5", u"12,5"},
                      SuppressionCase{8, u',', u"12.000", u"12"},
                      SuppressionCase{8, u',', u"12.500", u"12,5"},
                      SuppressionCase{12, u',', u"0.500", u",5"},
                      SuppressionCase{0, u',', u"1.2.3", u"1,2.3"},
                      SuppressionCase{0, u'.', u"12.5", u"12.5"},
                      SuppressionCase{0, u' ', u"12.5", u"12 5"}));

// DIMDSEP unread or empty leaves a zero separator: the point stays rather than the text being
// cut at a zero character.
INSTANTIATE_TEST_SUITE_P(
    ZeroSeparatorKeepsThePoint, ZeroSuppressionTable,
    ::testing::Values(SuppressionCase{0, u'\0', u"12.5", u"12.5"},
                      SuppressionCase{8, u'\0', u"12.500", u"12.5"}));

class SignificantDigitsTable
    : public ::testing::TestWithParam<std::pair<std::u16string, std::u16string>> {};

TEST_P(SignificantDigitsTable, KeepsWhatADoubleHolds)
{
    CString text(GetParam().first.c_str());
    limitSignificantDigits(text, kDoubleSignificantDigits);
    EXPECT_EQ(std::u16string(text.GetString()), GetParam().second) << narrow(GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SignificantDigitsTable,
    ::testing::Values(
        std::make_pair(u"3141592653589793.50000000", u"3141592653589790"),
        std::make_pair(u"12345678.12345678", u"12345678.1234568"),
        std::make_pair(u"-12345678.12345672", u"-12345678.1234567"),
        std::make_pair(u"9.99999999999999999", u"10.0000000000000"),
        std::make_pair(u"99999999999999999", u"100000000000000000"),
        std::make_pair(u"123456789012345.6", u"123456789012346"),
        std::make_pair(u"0.00012345678901234567", u"0.000123456789012346"),
        // As many digits as a double holds, or fewer, and anything not a plain decimal stay.
        std::make_pair(u"123456789.123456", u"123456789.123456"),
        std::make_pair(u"0.00000000", u"0.00000000"),
        std::make_pair(u"12'-3 1/2\"", u"12'-3 1/2\""),
        std::make_pair(u"", u"")));

TEST(ZeroSuppression, IsIdempotent)
{
    const char16_t* samples[] = {u"12.500", u"0.000", u"007", u"0.500", u"100", u"-0.5", u"5."};
    for (int dimZin : {4, 8, 12}) {
        for (const char16_t* sample : samples) {
            CString once(sample);
            suppressZerosAndSetSeparator(once, dimZin, u'.');
            CString twice(once);
            suppressZerosAndSetSeparator(twice, dimZin, u'.');
            EXPECT_EQ(std::u16string(once.GetString()), std::u16string(twice.GetString()))
                << "DIMZIN " << dimZin << " on '" << narrow(sample) << "'";
        }
    }
}

}  // namespace
