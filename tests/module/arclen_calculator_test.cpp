// The calculator and the clean-up called directly on selection sets made in the test: what
// the set must hold for the circle to be computed, the precision read from "LUPREC", and the
// clean-up that erases the temporary points but never an architectural entity.
#include "arclen/AloneCadFunc.h"
#include "arclen/ArcLen.h"
#include "arclen/ArcLengthCommand.h"
#include "arclen/SelectionSet.h"
#include "arclen/TemporaryPoints.h"
#include "module_test_support.h"

#include "ads/ads_names.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "database/system_variables.h"
#include "session/recorder.h"
#include "session/session.h"

#include "acedads.h"
#include "dbmain.h"
#include "module/ModuleResourceScope.h"
#include "resource.h"

#include <gtest/gtest.h>

using namespace moduletest;
using P = AcGePoint3d;

namespace {

class ArcLenCalculator : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }

    /// Makes an entity from its definition list and adds it to the set.
    void addEntity(resbuf* definition)
    {
        ASSERT_NE(definition, nullptr);
        ASSERT_EQ(acdbEntMake(definition), RTNORM);
        acutRelRb(definition);
        ads_name entity;
        ASSERT_EQ(acdbEntLast(entity), RTNORM);
        ASSERT_EQ(acedSSAdd(entity, m_set.name(), m_set.name()), RTNORM);
    }
    void addPoint(const P& p)
    {
        ads_point at = {p.x, p.y, p.z};
        addEntity(acutBuildList(RTDXF0, ACRX_T("POINT"), 10, at, RTNONE));
    }
    void addLine(const P& a, const P& b)
    {
        ads_point from = {a.x, a.y, a.z};
        ads_point to = {b.x, b.y, b.z};
        addEntity(acutBuildList(RTDXF0, ACRX_T("LINE"), 10, from, 11, to, RTNONE));
    }
    AcDbObjectId addWall()
    {
        AecDbWall* wall = new AecDbWall(P(0, 0, 0), P(5, 1, 0), P(10, 0, 0));
        AcDbObjectId id;
        EXPECT_EQ(cadhost::workingDatabase()->impl().appendEntity(wall, id), Acad::eOk);
        wall->close();
        ads_name entity;
        acdbGetAdsName(entity, id);
        EXPECT_EQ(acedSSAdd(entity, m_set.name(), m_set.name()), RTNORM);
        return id;
    }

    CSelectionSetGuard m_set;
};

TEST_F(ArcLenCalculator, ReadsThreePointsInPickOrderAndFindsTheirCircle)
{
    addPoint(P(3, 1, 5));
    addPoint(P(1, 3, 5));
    addPoint(P(-1, 1, 5));
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    ASSERT_EQ(arcLen.compute(), CArcLen::kComputed);
    EXPECT_EQ(arcLen.firstPoint(), P(3, 1, 5));
    EXPECT_EQ(arcLen.secondPoint(), P(1, 3, 5));
    EXPECT_EQ(arcLen.thirdPoint(), P(-1, 1, 5));
    EXPECT_LT(arcLen.center().distanceTo(P(1, 1, 5)), 1e-12);
    EXPECT_NEAR(arcLen.radius(), 2.0, 1e-12);
}

TEST_F(ArcLenCalculator, StartsAtZeroWithFourDecimalsAndTakesThePrecisionOfTheDrawing)
{
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    EXPECT_EQ(arcLen.precision(), 4);
    EXPECT_EQ(arcLen.radius(), 0.0);
    EXPECT_EQ(arcLen.center(), P(0, 0, 0));
    ASSERT_TRUE(cadhost::systemVariables().setShort("LUPREC", 7));
    EXPECT_TRUE(arcLen.readPrecision());
    EXPECT_EQ(arcLen.precision(), 7);
}

TEST_F(ArcLenCalculator, WithoutHostAccessNothingIsComputed)
{
    CArcLen arcLen(nullptr);
    EXPECT_EQ(arcLen.compute(), CArcLen::kCannotCompute);
    EXPECT_EQ(arcLen.printLength(u"x"), CArcLen::kNoOutputCopy);
}

TEST_F(ArcLenCalculator, AnEmptySetHoldsNoPoints)
{
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    EXPECT_EQ(arcLen.compute(), CArcLen::kNotThreePoints);
}

TEST_F(ArcLenCalculator, AnEntityThatIsNoPointIsRefused)
{
    addPoint(P(1, 0, 0));
    addLine(P(0, 1, 0), P(0, 2, 0));
    addPoint(P(-1, 0, 0));
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    EXPECT_EQ(arcLen.compute(), CArcLen::kNotThreePoints);
}

TEST_F(ArcLenCalculator, ASetThatRunsOutEarlyLeavesTheRestAtTheOrigin)
{
    // The two missing points are both (0,0,0): the second equals the third, which is singular.
    addPoint(P(1, 0, 0));
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    EXPECT_EQ(arcLen.compute(), CArcLen::kCannotCompute);
    EXPECT_EQ(arcLen.firstPoint(), P(1, 0, 0));
    EXPECT_EQ(arcLen.thirdPoint(), P(0, 0, 0));
}

TEST_F(ArcLenCalculator, EntitiesAfterTheThirdAreNotRead)
{
    addPoint(P(1, 0, 0));
    addPoint(P(0, 1, 0));
    addPoint(P(-1, 0, 0));
    addLine(P(5, 5, 0), P(6, 6, 0));
    CAloneCadFunc cadFunc(m_set.name());
    CArcLen arcLen(&cadFunc);
    EXPECT_EQ(arcLen.compute(), CArcLen::kComputed);
}

TEST_F(ArcLenCalculator, WrapperReturnsTheSetsEntitiesOnceEach)
{
    addPoint(P(1, 0, 0));
    addPoint(P(2, 0, 0));
    CAloneCadFunc cadFunc(m_set.name());
    int lists = 0;
    while (resbuf* data = cadFunc.nextEntityData()) {
        ++lists;
        acutRelRb(data);
        ASSERT_LE(lists, 2);
    }
    EXPECT_EQ(lists, 2);
    EXPECT_EQ(cadFunc.nextEntityData(), nullptr);
}

TEST_F(ArcLenCalculator, CleanUpErasesThePointsKeepsArchitectureAndReleasesTheSet)
{
    addPoint(P(1, 0, 0));
    const AcDbObjectId wall = addWall();
    addPoint(P(-1, 0, 0));
    const std::size_t sets = cadhost::selectionSetCount();

    deleteTemporaryPoints(m_set.name(), 1);

    EXPECT_FALSE(wall.isErased());
    EXPECT_EQ(liveEntityCount(), 1);
    EXPECT_EQ(erasedPointPositions().size(), 2u);
    EXPECT_EQ(cadhost::selectionSetCount(), sets - 1);
    EXPECT_TRUE(isClearName(m_set.name()));
    EXPECT_EQ(commandLine(), "\n1");
}

TEST_F(ArcLenCalculator, DriverWarnsAboutASetWithoutThreePointsAndCleansUp)
{
    const StartedApplication application;
    ASSERT_TRUE(application.isStarted());
    const CModuleResourceScope resources;
    addPoint(P(1, 0, 0));
    addLine(P(0, 1, 0), P(0, 2, 0));
    addPoint(P(-1, 0, 0));

    EXPECT_EQ(runArcLength(adsw_acadMainWnd(), m_set.name(), 1), -1);

    const auto boxes = record().ofKind(cadhost::RecordedEvent::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, resourceText(IDS_NOT_POINT_ENTITIES));
    EXPECT_EQ(boxes[0].caption, resourceText(IDS_ARCLEN_CAPTION));
    EXPECT_TRUE(boxes[0].ownerIsMainWindow);
    EXPECT_EQ(liveEntityCount(), 0);
    EXPECT_TRUE(isClearName(m_set.name()));
    EXPECT_EQ(commandLine(), "\n1");
}

TEST_F(ArcLenCalculator, DriverPrintsTheLengthAfterTheCleanUp)
{
    addPoint(P(2, 0, 0));
    addPoint(P(0, 2, 0));
    addPoint(P(-2, 0, 0));
    EXPECT_EQ(runArcLength(adsw_acadMainWnd(), m_set.name(), 1), 0);
    // Without a resource scope the label loads as empty: one blank, then the number.
    EXPECT_EQ(commandLine(), "\n1\n 6.2832");
    EXPECT_EQ(liveEntityCount(), 0);
}

TEST_F(ArcLenCalculator, CleanUpOnCancelPrintsNothing)
{
    addPoint(P(1, 0, 0));
    deleteTemporaryPointsOnCancel(m_set.name());
    EXPECT_EQ(liveEntityCount(), 0);
    EXPECT_EQ(commandLine(), "");
    EXPECT_TRUE(isClearName(m_set.name()));
}

TEST_F(ArcLenCalculator, TheGuardReleasesASetThatWasNotReleased)
{
    const std::size_t sets = cadhost::selectionSetCount();
    {
        CSelectionSetGuard other;
        EXPECT_FALSE(isClearName(other.name()));
        EXPECT_EQ(cadhost::selectionSetCount(), sets + 1);
    }
    EXPECT_EQ(cadhost::selectionSetCount(), sets);
}

}  // namespace
