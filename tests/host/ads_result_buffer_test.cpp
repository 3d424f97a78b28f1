// Result buffers: building lists with copied strings and points, freeing chains with their
// strings (the sanitizer reports any leak or double free), and refusing unknown codes.
#include "acedads.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<short> codesOf(const resbuf* list)
{
    std::vector<short> codes;
    for (const resbuf* rb = list; rb != nullptr; rb = rb->rbnext)
        codes.push_back(rb->restype);
    return codes;
}

TEST(ResultBuffers, NewRbIsZeroFilledExceptItsType)
{
    resbuf* rb = acutNewRb(RTSTR);
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->restype, RTSTR);
    EXPECT_EQ(rb->rbnext, nullptr);
    EXPECT_EQ(rb->resval.rstring, nullptr);
    EXPECT_EQ(acutRelRb(rb), RTNORM);
}

TEST(ResultBuffers, BuildListCopiesStringsAndPoints)
{
    ACHAR type[] = u"POINT";
    ads_point where = {1.5, -2.0, 3.25};
    resbuf* list = acutBuildList(RTDXF0, type, 10, where, 8, u"Layer1", 40, 2.5, 70, 3, RTNONE);
    ASSERT_NE(list, nullptr);
    type[0] = u'X';
    where[0] = 99.0;
    EXPECT_EQ(codesOf(list), (std::vector<short>{0, 10, 8, 40, 70}));
    EXPECT_EQ(std::u16string(list->resval.rstring), u"POINT");
    EXPECT_EQ(list->rbnext->resval.rpoint[0], 1.5);
    EXPECT_EQ(list->rbnext->resval.rpoint[2], 3.25);
    EXPECT_EQ(std::u16string(list->rbnext->rbnext->resval.rstring), u"Layer1");
    EXPECT_EQ(list->rbnext->rbnext->rbnext->resval.rreal, 2.5);
    EXPECT_EQ(list->rbnext->rbnext->rbnext->rbnext->resval.rint, 3);
    EXPECT_EQ(acutRelRb(list), RTNORM);
}

TEST(ResultBuffers, BuildListStopsAtZero)
{
    resbuf* list = acutBuildList(RTSHORT, 5, RTSTR, u"a", 0, RTSTR, u"never");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(codesOf(list), (std::vector<short>{RTSHORT, RTSTR}));
    acutRelRb(list);
}

TEST(ResultBuffers, BuildListTakesResultTypesWithoutValues)
{
    ads_name name = {7, 9};
    resbuf* list = acutBuildList(RTLB, RTENAME, name, RTREAL, 0.5, RTLE, RTNONE);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(codesOf(list), (std::vector<short>{RTLB, RTENAME, RTREAL, RTLE}));
    EXPECT_EQ(list->rbnext->resval.rlname[1], 9);
    acutRelRb(list);
}

TEST(ResultBuffers, UnknownCodeGivesNoListAndLeaksNothing)
{
    EXPECT_EQ(acutBuildList(RTSTR, u"kept until the failure", 12345, 1.0, RTNONE), nullptr);
}

TEST(ResultBuffers, RelRbFreesStringsOfEveryStringGroup)
{
    // One record of each string-valued range; each owns its string.
    const short codes[] = {0, 9, 100, 102, 105, 300, 369, 390, 399, 410, 419, 999, 1009, RTSTR};
    resbuf* head = nullptr;
    for (short code : codes) {
        resbuf* rb = acutNewRb(code);
        rb->resval.rstring = acutNewString(u"owned");
        rb->rbnext = head;
        head = rb;
    }
    EXPECT_EQ(acutRelRb(head), RTNORM);
}

TEST(ResultBuffers, RelRbLeavesNonStringValuesAlone)
{
    resbuf* rb = acutNewRb(-1);  // an entity name: two integers, not a string
    rb->resval.rlname[0] = 12345;
    rb->rbnext = acutNewRb(40);
    rb->rbnext->resval.rreal = 1e300;
    EXPECT_EQ(acutRelRb(rb), RTNORM);
    EXPECT_EQ(acutRelRb(nullptr), RTNORM);
}

TEST(HostStrings, NewStringCopiesAndDelStringClears)
{
    ACHAR* copy = acutNewString(u"abc");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"abc");
    acutDelString(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(acutNewString(nullptr), nullptr);
}

}  // namespace
