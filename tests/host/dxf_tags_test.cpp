// The groups of a drawing file: value kinds by code, checked numbers, exact reals, handles
// and the encoding of texts.
#include "dxf/dxf_error.h"
#include "dxf/dxf_tags.h"
#include "dxf/dxf_text.h"
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <random>

namespace {

using cadhost::DxfValueKind;

struct KindCase {
    int code;
    DxfValueKind kind;
};

class DxfValueKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(DxfValueKinds, FollowTheRangesOfTheFormat)
{
    EXPECT_EQ(cadhost::valueKindOf(GetParam().code), GetParam().kind) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DxfValueKinds,
    ::testing::Values(KindCase{0, DxfValueKind::String}, KindCase{5, DxfValueKind::String},
                      KindCase{8, DxfValueKind::String}, KindCase{10, DxfValueKind::Real},
                      KindCase{39, DxfValueKind::Real}, KindCase{59, DxfValueKind::Real},
                      KindCase{60, DxfValueKind::Integer}, KindCase{79, DxfValueKind::Integer},
                      KindCase{90, DxfValueKind::Integer}, KindCase{100, DxfValueKind::String},
                      KindCase{105, DxfValueKind::Handle}, KindCase{140, DxfValueKind::Real},
                      KindCase{160, DxfValueKind::Integer}, KindCase{210, DxfValueKind::Real},
                      KindCase{290, DxfValueKind::Integer}, KindCase{310, DxfValueKind::Binary},
                      KindCase{330, DxfValueKind::Handle}, KindCase{369, DxfValueKind::Handle},
                      KindCase{370, DxfValueKind::Integer}, KindCase{390, DxfValueKind::Handle},
                      KindCase{420, DxfValueKind::Integer}, KindCase{430, DxfValueKind::String},
                      KindCase{1000, DxfValueKind::String}, KindCase{1004, DxfValueKind::Binary},
                      KindCase{1005, DxfValueKind::Handle}, KindCase{1011, DxfValueKind::Real},
                      KindCase{1070, DxfValueKind::Integer}, KindCase{1071, DxfValueKind::Integer}));

TEST(DxfTags, RealsWrittenReadBackExactly)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random));
        double back = 0.0;
        const std::string text = cadhost::formatReal(value);
        ASSERT_TRUE(cadhost::parseReal(text, back)) << text;
        EXPECT_EQ(back, value) << text;
    }
    // Whole numbers still read as reals elsewhere: they carry a decimal point.
    EXPECT_EQ(cadhost::formatReal(3.0), "3.0");
    EXPECT_EQ(cadhost::formatReal(-0.0).find_first_of(".e") != std::string::npos, true);
}

TEST(DxfTags, NumbersMustBeWholeAndFinite)
{
    double real = 0.0;
    long long integer = 0;
    EXPECT_TRUE(cadhost::parseReal("  1.5e3 ", real));
    EXPECT_EQ(real, 1500.0);
    EXPECT_TRUE(cadhost::parseReal("+2", real));
    for (const char* bad : {"", " ", "1.5x", "1,5", "nan", "inf", "-inf", "1e999", "--1", "0x10"})
        EXPECT_FALSE(cadhost::parseReal(bad, real)) << bad;
    EXPECT_TRUE(cadhost::parseInteger(" -32768 ", integer));
    EXPECT_EQ(integer, -32768);
    for (const char* bad : {"", "1.0", "7a", "99999999999999999999"})
        EXPECT_FALSE(cadhost::parseInteger(bad, integer)) << bad;
}

TEST(DxfTags, HandlesAreHexDigits)
{
    std::uint64_t handle = 0;
    EXPECT_TRUE(cadhost::parseHandle("1aF", handle));
    EXPECT_EQ(handle, 0x1AFu);
    EXPECT_EQ(cadhost::formatHandle(0x1AF), "1AF");
    EXPECT_TRUE(cadhost::parseHandle(cadhost::formatHandle(std::numeric_limits<std::uint64_t>::max()), handle));
    EXPECT_EQ(handle, std::numeric_limits<std::uint64_t>::max());
    for (const char* bad : {"", "G1", "12345678901234567", "-1"})
        EXPECT_FALSE(cadhost::parseHandle(bad, handle)) << bad;
}

TEST(DxfTags, CommentsAreDroppedAndLineEndsMayBeWindows)
{
    const cadhost::DxfTags tags = cadhost::readDxfTags("999\r\nmade by hand\r\n  0\r\nLINE\r\n 10\r\n 1.5 \r\n", "t.dxf");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].code, 0);
    EXPECT_EQ(tags[0].value, "LINE");
    EXPECT_EQ(tags[0].line, 3u);
    EXPECT_EQ(tags[1].value, "1.5");
    EXPECT_EQ(tags[1].line, 5u);
    // Carriage returns doubled before a line end are line end too: a value ending in one
    // would be written back as a value without it.
    EXPECT_EQ(cadhost::readDxfTags("  2\r\r\nBLOCKS\r\r\n", "t.dxf").front().value, "BLOCKS");
}

TEST(DxfTags, StringValuesKeepTheirBlanks)
{
    const cadhost::DxfTags tags = cadhost::readDxfTags("1\n  two words  \n", "t.dxf");
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].value, "  two words  ");
}

/// Every way of writing a group code reads as that code, and only the writer's way (right-aligned
/// in three columns, LF-ended) is canonical, so that only it is copied verbatim; the real's
/// value comes with the group as checked.
TEST(DxfTags, CodeLinesInEveryFormReadAsTheirCodeAndOnlyTheWritersFormIsCanonical)
{
    for (int code : {0, 5, 10, 100, 330, 1071}) {
        const std::string digits = std::to_string(code);
        const std::string canonical =
            std::string(digits.size() < 3 ? 3 - digits.size() : 0, ' ') + digits;
        for (int blanks = 0; blanks <= 4; ++blanks)
            for (const char* zeros : {"", "0", "00"})
                for (const char* after : {"", " ", "\t", "\r"}) {
                    const std::string line =
                        std::string(static_cast<std::size_t>(blanks), ' ') + zeros + digits + after;
                    const std::string file = line + "\n" + (code == 10 ? "2.5" : "7") + "\n";
                    SCOPED_TRACE("code line \"" + line + "\"");
                    cadhost::DxfTagReader reader(file, "t.dxf", nullptr);
                    cadhost::DxfTag tag;
                    std::size_t offset = 1;
                    cadhost::DxfTagForm form;
                    ASSERT_TRUE(reader.next(tag, offset, form));
                    EXPECT_EQ(tag.code, code);
                    EXPECT_EQ(offset, 0u);
                    EXPECT_EQ(form.canonical, line == canonical);
                    EXPECT_EQ(form.number, code == 10 ? 2.5 : 0.0);
                    EXPECT_FALSE(reader.next(tag, offset, form));
                }
    }
}

struct TextCase {
    const char* name;
    std::u16string text;
};

class DxfTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(DxfTexts, EncodedTextDecodesToItselfInEveryEncoding)
{
    const std::u16string& text = GetParam().text;
    for (const char* codePage : {"ANSI_1250", "ANSI_1252", "ANSI_1251"}) {
        for (bool utf8 : {false, true}) {
            const std::string value = cadhost::encodeDxfText(text, utf8, codePage);
            EXPECT_EQ(value.find('\n'), std::string::npos);
            EXPECT_EQ(cadhost::decodeDxfText(value, codePage), text) << codePage << ": " << value;
        }
    }
}

TEST(DxfTexts, CharactersOfTheCodePageAreItsBytesOthersEscapes)
{
    // A name written as an escape would not match the same name written as bytes elsewhere
    // in the file (a layer table entry), so the code page's own bytes are used where it has
    // the character.
    EXPECT_EQ(cadhost::encodeDxfText(u"trac\u00E9", false, "ANSI_1252"), "trac\xE9");
    EXPECT_EQ(cadhost::encodeDxfText(u"K\u010Dty", false, "ANSI_1250"), "K\xE8ty");
    EXPECT_EQ(cadhost::encodeDxfText(u"K\u010Dty", false, "ANSI_1252"), "K\\U+010Dty");
    // Bytes that would read back as UTF-8 ("\xC3\xA9" is "\u00E9") are escaped instead.
    EXPECT_EQ(cadhost::encodeDxfText(u"\u00C3\u00A9", false, "ANSI_1252"), "\\U+00C3\\U+00A9");
}

TEST(DxfTexts, SingleCharacterCodesFollowTheCodePage)
{
    for (const char* codePage : {"ANSI_1250", "ANSI_1252"})
        for (bool utf8 : {false, true})
            for (char16_t c : {u'.', u',', u'\u00E9', u'\u010D', u'\u2219'}) {
                const int code = cadhost::codeOfCharacter(c, utf8, codePage);
                EXPECT_EQ(cadhost::characterOfCode(code, utf8, codePage), c) << codePage << " " << code;
                EXPECT_LE(code, 0xFFFF);
            }
    EXPECT_EQ(cadhost::codeOfCharacter(u'\u00E9', false, "ANSI_1252"), 233);
    EXPECT_EQ(cadhost::codeOfCharacter(u'\u010D', false, "ANSI_1250"), 0xE8);
    EXPECT_EQ(cadhost::characterOfCode(0xE8, false, "ANSI_1250"), u'\u010D');
}

INSTANTIATE_TEST_SUITE_P(Cases, DxfTexts,
                         ::testing::Values(TextCase{"ascii", u"dl.=3,14, R=2"},
                                           TextCase{"czech", u"Kóty č.1 – žluť"},
                                           TextCase{"lineEnd", u"two\nlines"},
                                           TextCase{"caret", u"x^2 ^J"},
                                           TextCase{"empty", u""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DxfTexts, LegacyBytesReadInTheFilesCodePageAndEscapesAsCharacters)
{
    EXPECT_EQ(cadhost::decodeDxfText("caf\xE9"), u"café");
    EXPECT_EQ(cadhost::decodeDxfText("K\xF3ty \xE8.1 \x80", "ANSI_1250"), u"Kóty č.1 €");
    EXPECT_EQ(cadhost::decodeDxfText("\xE8\x80", "ANSI_1252"), u"è€");
    EXPECT_EQ(cadhost::decodeDxfText("\\U+010D"), u"č");
    EXPECT_EQ(cadhost::decodeDxfText("\\U+01"), u"\\U+01");  // not an escape
    EXPECT_EQ(cadhost::decodeDxfText("x^2"), u"x^2");         // not a control character
}

}  // namespace
