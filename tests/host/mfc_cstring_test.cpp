// CString: searching, editing with out-of-range arguments, comparison and formatting.
#include "afxwin.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::u16string text(const CString& s)
{
    return std::u16string(s.GetString(), static_cast<std::size_t>(s.GetLength()));
}

TEST(MfcCStringTest, ConstructionFromNullAndCounts)
{
    EXPECT_TRUE(CString(static_cast<const WCHAR*>(nullptr)).IsEmpty());
    EXPECT_EQ(text(CString(u"abcdef", 3)), u"abc");
    EXPECT_TRUE(CString(u"abc", -1).IsEmpty());
    EXPECT_EQ(text(CString(u'x', 4)), u"xxxx");
    EXPECT_TRUE(CString(u'x', 0).IsEmpty());
}

TEST(MfcCStringTest, FindCharacterAndSubstring)
{
    const CString s(u"C:\\dir\\file.dll");
    struct Case {
        int start;
        int expected;
    };
    const Case charCases[] = {{0, 2}, {2, 2}, {3, 6}, {7, -1}, {15, -1}, {-1, -1}, {100, -1}};
    for (const Case& c : charCases)
        EXPECT_EQ(s.Find(u'\\', c.start), c.expected) << c.start;
    EXPECT_EQ(s.Find(u"file"), 7);
    EXPECT_EQ(s.Find(u"file", 8), -1);
    EXPECT_EQ(s.Find(u"", 15), 15);
    EXPECT_EQ(s.Find(u"", 16), -1);
    EXPECT_EQ(s.Find(static_cast<const WCHAR*>(nullptr)), -1);
}

TEST(MfcCStringTest, DeleteClampsItsArguments)
{
    struct Case {
        int index;
        int count;
        const char16_t* expected;
    };
    const Case cases[] = {
        {0, 1, u"bcdef"},  {2, 2, u"abef"},   {4, 10, u"abcd"}, {-3, 2, u"cdef"},
        {6, 1, u"abcdef"}, {9, 1, u"abcdef"}, {1, 0, u"abcdef"}, {1, -2, u"abcdef"},
    };
    for (const Case& c : cases) {
        CString s(u"abcdef");
        const int length = s.Delete(c.index, c.count);
        EXPECT_EQ(text(s), c.expected) << c.index << "," << c.count;
        EXPECT_EQ(length, s.GetLength());
    }
}

TEST(MfcCStringTest, InsertTruncateAndReplace)
{
    CString s(u"ace");
    EXPECT_EQ(s.Insert(1, u'b'), 4);
    EXPECT_EQ(s.Insert(100, u"fg"), 6);
    EXPECT_EQ(s.Insert(-5, u'_'), 7);
    EXPECT_EQ(text(s), u"_abcefg");
    s.Truncate(3);
    EXPECT_EQ(text(s), u"_ab");
    s.Truncate(10);
    EXPECT_EQ(text(s), u"_ab");
    CString dots(u"1.5.7");
    EXPECT_EQ(dots.Replace(u'.', u','), 2);
    EXPECT_EQ(text(dots), u"1,5,7");
    EXPECT_EQ(dots.Replace(u',', u','), 0);
}

TEST(MfcCStringTest, LeftRightMidStayInside)
{
    const CString s(u"abcdef");
    EXPECT_EQ(text(s.Left(2)), u"ab");
    EXPECT_EQ(text(s.Left(99)), u"abcdef");
    EXPECT_EQ(text(s.Left(-1)), u"");
    EXPECT_EQ(text(s.Right(2)), u"ef");
    EXPECT_EQ(text(s.Right(99)), u"abcdef");
    EXPECT_EQ(text(s.Mid(4)), u"ef");
    EXPECT_EQ(text(s.Mid(1, 3)), u"bcd");
    EXPECT_EQ(text(s.Mid(5, 9)), u"f");
    EXPECT_EQ(text(s.Mid(9, 1)), u"");
    EXPECT_EQ(text(s.Mid(-2, 2)), u"ab");
}

TEST(MfcCStringTest, GetAtAndSetAt)
{
    CString s(u"ab");
    EXPECT_EQ(s.GetAt(1), u'b');
    EXPECT_EQ(s.GetAt(2), u'\0');
    EXPECT_EQ(s[0], u'a');
    s.SetAt(0, u'z');
    s.SetAt(5, u'q');
    EXPECT_EQ(text(s), u"zb");
}

TEST(MfcCStringTest, CompareNoCaseFoldsCzechLetters)
{
    EXPECT_EQ(CString(u"ŽLUŤOUČKÝ kůň").CompareNoCase(u"žluťoučký KŮŇ"), 0);
    EXPECT_EQ(CString(u"ISO-25").CompareNoCase(u"iso-25"), 0);
    EXPECT_LT(CString(u"abc").CompareNoCase(u"ABD"), 0);
    EXPECT_GT(CString(u"abcd").CompareNoCase(u"ABC"), 0);
    EXPECT_GT(CString(u"a").CompareNoCase(nullptr), 0);
}

TEST(MfcCStringTest, ConcatenationAndEquality)
{
    CString s(u"dl.");
    s += u'=';
    s += u"12";
    s += CString(u", R=3");
    EXPECT_TRUE(s == u"dl.=12, R=3");
    EXPECT_TRUE(CString(u"a") + CString(u"b") == CString(u"ab"));
    EXPECT_TRUE(CString() == static_cast<const WCHAR*>(nullptr));
    EXPECT_TRUE(CString(u"x") != u"y");
}

TEST(MfcCStringTest, FormatTakesWideStrings)
{
    CString s;
    s.Format(u"dl.=%s, R=%s", u"15.71", u"5");
    EXPECT_TRUE(s == u"dl.=15.71, R=5");
    s.Format(u"%ls|%hs|%S", u"wide", "narrow", "also narrow");
    EXPECT_TRUE(s == u"wide|narrow|also narrow");
    s.AppendFormat(u"+%d", 4);
    EXPECT_TRUE(s == u"wide|narrow|also narrow+4");
}

TEST(MfcCStringTest, FormatMayUseItsOwnTextAsArgument)
{
    CString s(u"abc");
    s.Format(u"[%s]", static_cast<const WCHAR*>(s));
    EXPECT_TRUE(s == u"[abc]");
}

}  // namespace
