// The host's wide printf engine: numbers as the C library prints them, wide and narrow strings,
// widths and precisions, and what it refuses to do.
#include "mfc/utf_text.h"
#include "mfc/wide_format.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {

using cadhost::formatWideArgs;

std::u16string widen(const char* ascii)
{
    return cadhost::utf16FromUtf8(ascii);
}

template <class T>
std::u16string narrowPrintf(const char* format, T value)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, value);
    return widen(buffer);
}

TEST(MfcFormatTest, IntegersMatchTheCLibrary)
{
    const char* formats[] = {"%d", "%5d", "%-5d|", "%05d", "%+d", "% d", "%x", "%X", "%#x", "%o", "%u"};
    const int values[] = {0, 7, -42, 123456, 2147483647};
    for (const char* format : formats)
        for (int value : values)
            EXPECT_EQ(formatWideArgs(widen(format).c_str(), value), narrowPrintf(format, value))
                << format << " " << value;
}

TEST(MfcFormatTest, LengthPrefixesReadTheRightArgumentSize)
{
    EXPECT_EQ(formatWideArgs(u"%ld", 9000000000L), u"9000000000");
    EXPECT_EQ(formatWideArgs(u"%lld", -9000000000LL), u"-9000000000");
    EXPECT_EQ(formatWideArgs(u"%I64d", 9000000000LL), u"9000000000");
    EXPECT_EQ(formatWideArgs(u"%hd", 70000), u"4464");
    EXPECT_EQ(formatWideArgs(u"%zu", static_cast<std::size_t>(12)), u"12");
    EXPECT_EQ(formatWideArgs(u"%lu %d", 5UL, 6), u"5 6");
}

TEST(MfcFormatTest, FloatingPointMatchesTheCLibrary)
{
    const char* formats[] = {"%f", "%.0f", "%.3f", "%10.2f", "%-10.2f|", "%e", "%.2E", "%g", "%G"};
    const double values[] = {0.0, 1.0, -2.5, 3.14159265358979, 1234567.891, 1e-7, 0.5, 1.5, 2.5};
    for (const char* format : formats)
        for (double value : values)
            EXPECT_EQ(formatWideArgs(widen(format).c_str(), value), narrowPrintf(format, value))
                << format << " " << value;
}

TEST(MfcFormatTest, StarTakesWidthAndPrecisionFromTheArguments)
{
    EXPECT_EQ(formatWideArgs(u"%.*f", 2, 3.14159), u"3.14");
    EXPECT_EQ(formatWideArgs(u"%.*f", 0, 2.5), narrowPrintf("%.0f", 2.5));
    EXPECT_EQ(formatWideArgs(u"%*d|", 4, 7), u"   7|");
    EXPECT_EQ(formatWideArgs(u"%*d|", -4, 7), u"7   |");
    EXPECT_EQ(formatWideArgs(u"%s %.*f", u"délka", 3, 1.0), u"délka 1.000");
}

TEST(MfcFormatTest, StringsAndCharacters)
{
    struct Case {
        const char16_t* format;
        const char16_t* argument;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"%s", u"oblouk", u"oblouk"},       {u"[%8s]", u"ab", u"[      ab]"},
        {u"[%-4s]", u"ab", u"[ab  ]"},       {u"[%.2s]", u"abcdef", u"[ab]"},
        {u"%ls", u"čšž", u"čšž"},            {u"%ws", u"wide", u"wide"},
        {u"<%s>", nullptr, u"<(null)>"},     {u"%s%%", u"50", u"50%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatWideArgs(c.format, c.argument), c.expected) << cadhost::utf8FromUtf16(c.format);
    EXPECT_EQ(formatWideArgs(u"%hs", "narrow ž"), u"narrow ž");
    EXPECT_EQ(formatWideArgs(u"%c%c", u'ř', u'x'), u"řx");
    EXPECT_EQ(formatWideArgs(u"%hc", 'n'), u"n");
}

TEST(MfcFormatTest, UnknownConversionsStayAndPercentNWritesNothing)
{
    EXPECT_EQ(formatWideArgs(u"100%y done"), u"100%y done");
    EXPECT_EQ(formatWideArgs(u"ends with %"), u"ends with %");
    int written = -1;
    EXPECT_EQ(formatWideArgs(u"ab%n|%d", &written, 5), u"ab|5");
    EXPECT_EQ(written, -1);
}

TEST(MfcFormatTest, TextWithoutConversionsIsCopied)
{
    EXPECT_EQ(formatWideArgs(u"\nVyberte oblouk: "), u"\nVyberte oblouk: ");
    EXPECT_EQ(formatWideArgs(nullptr), u"");
}

TEST(MfcFormatTest, Utf8RoundTripKeepsEverySupplementaryCharacter)
{
    const std::u16string samples[] = {u"", u"abc", u"Příliš žluťoučký kůň", u"\U0001F600 x",
                                      u"\u20AC\u00A0"};
    for (const std::u16string& s : samples)
        EXPECT_EQ(cadhost::utf16FromUtf8(cadhost::utf8FromUtf16(s)), s);
    // An unpaired surrogate and a malformed byte become the replacement character.
    EXPECT_EQ(cadhost::utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(cadhost::utf16FromUtf8("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(cadhost::utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
}

}  // namespace
