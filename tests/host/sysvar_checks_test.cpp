// System variables: defaults of a metric drawing, types, ranges, read-only variables, string
// values handed to the caller, and settings from text.
#include "acedads.h"
#include "database/system_variables.h"
#include "dbmain.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

namespace {

class SysvarTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

TEST_F(SysvarTest, DefaultsOfAMetricDrawing)
{
    const cadhost::SystemVariables& vars = cadhost::systemVariables();
    EXPECT_EQ(vars.getShort("LUPREC"), 4);
    EXPECT_EQ(vars.getShort("DIMZIN"), 8);
    EXPECT_EQ(vars.getShort("DIMDEC"), 2);
    EXPECT_EQ(vars.getString("DIMDSEP"), u",");
    EXPECT_EQ(vars.getReal("DIMLFAC"), 1.0);
    EXPECT_EQ(vars.getReal("DIMRND"), 0.0);
    EXPECT_EQ(vars.getString("DIMSTYLE"), u"ISO-25");
    EXPECT_EQ(vars.getShort("ERRNO"), 0);
}

TEST_F(SysvarTest, GetVarGivesTypeAndValue)
{
    resbuf rb{};
    ASSERT_EQ(acedGetVar(u"luprec", &rb), RTNORM) << "names are case-insensitive";
    EXPECT_EQ(rb.restype, RTSHORT);
    EXPECT_EQ(rb.resval.rint, 4);
    ASSERT_EQ(acedGetVar(u"DIMLFAC", &rb), RTNORM);
    EXPECT_EQ(rb.restype, RTREAL);
    EXPECT_EQ(rb.resval.rreal, 1.0);
    EXPECT_EQ(acedGetVar(u"NOSUCHVAR", &rb), RTERROR);
}

TEST_F(SysvarTest, StringValueIsTheCallersCopy)
{
    resbuf* rb = acutNewRb(RTNONE);
    ASSERT_EQ(acedGetVar(u"DIMDSEP", rb), RTNORM);
    ASSERT_EQ(rb->restype, RTSTR);
    ASSERT_NE(rb->resval.rstring, nullptr);
    EXPECT_EQ(std::u16string(rb->resval.rstring), u",");
    rb->resval.rstring[0] = u'#';  // the caller's copy: the variable does not change
    EXPECT_EQ(cadhost::systemVariables().getString("DIMDSEP"), u",");
    EXPECT_EQ(acutRelRb(rb), RTNORM);  // frees the string too (the sanitizer checks)
}

struct SetCase {
    const char16_t* name;
    short restype;
    double value;  ///< for RTSHORT cast to short
    bool accepted;
};

class SetVarTest : public SysvarTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetVarTest, TypeAndRangeAreChecked)
{
    const SetCase& c = GetParam();
    resbuf before{};
    ASSERT_EQ(acedGetVar(c.name, &before), RTNORM);
    resbuf value{};
    value.restype = c.restype;
    if (c.restype == RTSHORT)
        value.resval.rint = static_cast<short>(c.value);
    else
        value.resval.rreal = c.value;
    EXPECT_EQ(acedSetVar(c.name, &value), c.accepted ? RTNORM : RTERROR);
    resbuf after{};
    ASSERT_EQ(acedGetVar(c.name, &after), RTNORM);
    if (c.accepted) {
        if (after.restype == RTSHORT)
            EXPECT_EQ(after.resval.rint, static_cast<short>(c.value));
        else
            EXPECT_EQ(after.resval.rreal, c.value);
    } else {
        EXPECT_EQ(std::memcmp(&after.resval, &before.resval, sizeof(after.resval)), 0)
            << "a refused value leaves the variable as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SetVarTest,
    ::testing::Values(SetCase{u"LUPREC", RTSHORT, 0, true}, SetCase{u"LUPREC", RTSHORT, 8, true},
                      SetCase{u"LUPREC", RTSHORT, 9, false},
                      SetCase{u"LUPREC", RTSHORT, -1, false},
                      SetCase{u"LUPREC", RTREAL, 3, false},
                      SetCase{u"DIMDEC", RTSHORT, 8, true},
                      SetCase{u"DIMDEC", RTSHORT, 9, false},
                      SetCase{u"DIMZIN", RTSHORT, 15, true},
                      SetCase{u"DIMZIN", RTSHORT, 16, false},
                      SetCase{u"DIMLFAC", RTREAL, -2.5, true},
                      SetCase{u"DIMLFAC", RTREAL, 0.0, false},
                      SetCase{u"DIMLFAC", RTSHORT, 3, true},
                      SetCase{u"DIMRND", RTREAL, 0.25, true},
                      SetCase{u"DIMRND", RTREAL, -0.25, false},
                      SetCase{u"ERRNO", RTSHORT, 52, true}));

TEST_F(SysvarTest, NonFiniteRealsAreRefused)
{
    cadhost::SystemVariables& vars = cadhost::systemVariables();
    EXPECT_FALSE(vars.setReal("DIMLFAC", std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(vars.setReal("DIMRND", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(cadhost::systemVariables().getReal("DIMLFAC"), 1.0);
}

TEST_F(SysvarTest, DecimalSeparatorIsOneCharacterOrNone)
{
    cadhost::SystemVariables& vars = cadhost::systemVariables();
    EXPECT_TRUE(vars.setString("DIMDSEP", u"."));
    EXPECT_FALSE(vars.setString("DIMDSEP", u".,"));
    EXPECT_EQ(vars.getString("DIMDSEP"), u".");
    EXPECT_TRUE(vars.setString("DIMDSEP", u""));
    resbuf number{};
    number.restype = RTSHORT;
    EXPECT_EQ(acedSetVar(u"DIMDSEP", &number), RTERROR);
}

TEST_F(SysvarTest, DimstyleIsReadOnly)
{
    EXPECT_FALSE(cadhost::systemVariables().setString("DIMSTYLE", u"Standard"));
    std::string error;
    EXPECT_FALSE(cadhost::systemVariables().setFromText("DIMSTYLE", "Standard", error));
    EXPECT_NE(error.find("read-only"), std::string::npos);
    EXPECT_EQ(cadhost::systemVariables().getString("DIMSTYLE"), u"ISO-25");
}

TEST_F(SysvarTest, SetFromTextParsesByType)
{
    cadhost::SystemVariables& vars = cadhost::systemVariables();
    std::string error;
    EXPECT_TRUE(vars.setFromText("luprec", "2", error)) << error;
    EXPECT_EQ(vars.getShort("LUPREC"), 2);
    EXPECT_FALSE(vars.setFromText("LUPREC", "2.5", error));
    EXPECT_FALSE(vars.setFromText("LUPREC", "two", error));
    EXPECT_FALSE(vars.setFromText("LUPREC", "12", error));
    EXPECT_NE(error.find("out of range (0 to 8)"), std::string::npos) << error;
    EXPECT_EQ(vars.getShort("LUPREC"), 2);
    EXPECT_FALSE(vars.setFromText("DIMDSEP", ".,", error));
    EXPECT_NE(error.find("at most 1 character"), std::string::npos) << error;
    EXPECT_FALSE(vars.setFromText("DIMLFAC", "0", error));
    EXPECT_NE(error.find("not 0"), std::string::npos) << error;
    EXPECT_TRUE(vars.setFromText("DIMLFAC", "0.5", error));
    EXPECT_EQ(vars.getReal("DIMLFAC"), 0.5);
    EXPECT_FALSE(vars.setFromText("DIMLFAC", "0.5x", error));
    EXPECT_TRUE(vars.setFromText("DIMDSEP", ".", error));
    EXPECT_FALSE(vars.setFromText("NOSUCH", "1", error));
    EXPECT_NE(error.find("NOSUCH"), std::string::npos);
}

TEST_F(SysvarTest, EachDrawingHasItsOwnVariables)
{
    cadhost::systemVariables().setShort("LUPREC", 7);
    cadhost::setWorkingDatabase(std::make_unique<AcDbDatabase>());
    EXPECT_EQ(cadhost::systemVariables().getShort("LUPREC"), 4);
}

}  // namespace
