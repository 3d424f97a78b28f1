// Entity selection: what acedEntSel answers for a hit, a miss, Enter and Escape, the ERRNO it
// leaves, and the UCS of the pick point.
#include "acedads.h"
#include "database/database_impl.h"
#include "database/system_variables.h"
#include "dbents.h"
#include "editor/editor.h"
#include "session/session.h"

#include <gtest/gtest.h>

namespace {

using cadhost::UserAction;

class EditorEntSelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        cadhost::editor().setAperture(0.5);
        // A circle of radius 5 about (10, 0, 0) in the world XY plane.
        AcDbCircle* circle = new AcDbCircle(AcGePoint3d(10.0, 0.0, 0.0), AcGeVector3d::kZAxis, 5.0);
        ASSERT_EQ(cadhost::workingDatabase()->impl().appendEntity(circle, m_circleId), Acad::eOk);
        circle->close();
    }

    void queue(UserAction::Kind kind, double x = 0.0, double y = 0.0)
    {
        UserAction a;
        a.kind = kind;
        a.point = AcGePoint3d(x, y, 0.0);
        cadhost::editor().queueAction(a);
    }

    short errnoValue() { return cadhost::systemVariables().getShort("ERRNO"); }

    AcDbObjectId m_circleId;
};

TEST_F(EditorEntSelTest, AHitGivesTheEntityAndThePickPoint)
{
    queue(UserAction::Kind::Point, 15.2, 0.0);
    ads_name name = {0, 0};
    ads_point pick = {0.0, 0.0, 0.0};
    ASSERT_EQ(acedEntSel(u"\nSelect: ", name, pick), RTNORM);
    AcDbObjectId id;
    ASSERT_EQ(acdbGetObjectId(id, name), Acad::eOk);
    EXPECT_EQ(id, m_circleId);
    EXPECT_EQ(pick[X], 15.2);
    EXPECT_EQ(pick[Y], 0.0);
}

TEST_F(EditorEntSelTest, FailuresGiveTheirStatusAndErrno)
{
    struct Case {
        UserAction::Kind kind;
        double x;
        int status;
        short errnoAfter;  ///< -1: ERRNO stays as it was
    };
    const Case cases[] = {
        {UserAction::Kind::Point, 15.6, RTERROR, 7},  // just outside the aperture
        {UserAction::Kind::Point, 10.0, RTERROR, 7},  // the centre is no part of a circle
        {UserAction::Kind::Enter, 0.0, RTERROR, 52},
        {UserAction::Kind::Escape, 0.0, RTCAN, -1},
    };
    for (const Case& c : cases) {
        cadhost::systemVariables().setShort("ERRNO", 0);
        queue(c.kind, c.x, 0.0);
        ads_name name = {1, 1};
        ads_point pick = {0.0, 0.0, 0.0};
        EXPECT_EQ(acedEntSel(u"\nSelect: ", name, pick), c.status) << c.x;
        EXPECT_EQ(errnoValue(), c.errnoAfter < 0 ? 0 : c.errnoAfter) << c.x;
    }
}

TEST_F(EditorEntSelTest, ErrnoIsReadWithTheShortType)
{
    queue(UserAction::Kind::Point, 100.0, 100.0);
    ads_name name;
    ads_point pick;
    ASSERT_EQ(acedEntSel(nullptr, name, pick), RTERROR);
    resbuf value;
    ASSERT_EQ(acedGetVar(u"ERRNO", &value), RTNORM);
    EXPECT_EQ(value.restype, RTSHORT);
    EXPECT_EQ(value.resval.rint, 7);
}

TEST_F(EditorEntSelTest, ErrnoIsNotClearedByALaterHit)
{
    queue(UserAction::Kind::Point, 100.0, 100.0);
    queue(UserAction::Kind::Point, 15.0, 0.0);
    ads_name name;
    ads_point pick;
    ASSERT_EQ(acedEntSel(nullptr, name, pick), RTERROR);
    ASSERT_EQ(acedEntSel(nullptr, name, pick), RTNORM);
    EXPECT_EQ(errnoValue(), 7);
}

TEST_F(EditorEntSelTest, ThePickIsConvertedFromTheUcsAndReportedInIt)
{
    // With the UCS moved to (10, 0, 0) and turned by 90 degrees, the UCS point (0, -5)
    // is the world point (15, 0, 0) on the circle.
    cadhost::editor().moveUcsOrigin(AcGePoint3d(10.0, 0.0, 0.0));
    cadhost::editor().rotateUcs(2, 90.0);
    queue(UserAction::Kind::Point, 0.0, -5.0);
    ads_name name;
    ads_point pick;
    ASSERT_EQ(acedEntSel(nullptr, name, pick), RTNORM);
    EXPECT_EQ(pick[X], 0.0);
    EXPECT_EQ(pick[Y], -5.0);
    // The same UCS point with the world UCS is far from the circle.
    cadhost::editor().setUcsWorld();
    queue(UserAction::Kind::Point, 0.0, -5.0);
    EXPECT_EQ(acedEntSel(nullptr, name, pick), RTERROR);
}

TEST_F(EditorEntSelTest, TheApertureDecidesWhatIsHit)
{
    cadhost::editor().setAperture(2.0);
    queue(UserAction::Kind::Point, 16.5, 0.0);
    ads_name name;
    ads_point pick;
    EXPECT_EQ(acedEntSel(nullptr, name, pick), RTNORM);
}

TEST_F(EditorEntSelTest, AnErasedEntityIsNotPicked)
{
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(object, m_circleId, AcDb::kForWrite), Acad::eOk);
    object->erase();
    object->close();
    queue(UserAction::Kind::Point, 15.0, 0.0);
    ads_name name;
    ads_point pick;
    EXPECT_EQ(acedEntSel(nullptr, name, pick), RTERROR);
    EXPECT_EQ(errnoValue(), 7);
}

}  // namespace
