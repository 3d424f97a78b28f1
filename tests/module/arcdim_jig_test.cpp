// The arc dimension jig: its start state, the sampler's no-change rule, update and entity, and
// the destructor's clean-up of what the command did not finish.
#include "arcdim/KotaDP.h"

#include "acedads.h"
#include "arcdim_test_support.h"
#include "module/ModuleApp.h"
#include "editor/editor.h"
#include "module_test_support.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace arcdimtest;

const AcGePoint3d kCenter(1.0, 2.0, 0.0);
const AcGePoint3d kStart(4.0, 2.0, 0.0);
const AcGePoint3d kEnd(1.0, 5.0, 0.0);

AcDb3PointAngularDimension* newDimension()
{
    return new AcDb3PointAngularDimension(kCenter, kStart, kEnd, kEnd);
}

/// The drag statuses the sampler returned, in order.
std::vector<std::string> sampledStatuses()
{
    std::vector<std::string> statuses;
    for (const cadhost::RecordedEvent& e :
         cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::JigSample))
        statuses.push_back(e.text);
    return statuses;
}

std::size_t recorded(cadhost::RecordedEvent::Kind kind)
{
    return cadhost::recorder().count(kind);
}

using JigTest = ArcDimensionTest;

TEST_F(JigTest, StartsEmptyInTheWorldXYPlaneWithTheLibraryCurrent)
{
    CKotaDP jig;
    EXPECT_EQ(jig.m_pDragDim, nullptr);
    EXPECT_EQ(jig.m_pResultDim, nullptr);
    EXPECT_TRUE(jig.m_dragDimId.isNull());
    EXPECT_TRUE(jig.m_resultDimId.isNull());
    EXPECT_EQ(jig.m_lastPoint, AcGePoint3d(0, 0, 0));
    EXPECT_EQ(jig.m_dimDec, 0);
    EXPECT_EQ(jig.m_dimRnd, 0.0);
    EXPECT_EQ(jig.m_dimZin, 0);
    EXPECT_EQ(jig.m_dimLfac, 0.0);
    EXPECT_EQ(jig.m_dimDsep, 0);
    EXPECT_EQ(jig.m_planeOrigin, AcGePoint3d::kOrigin);
    EXPECT_EQ(jig.m_planeXAxis.crossProduct(jig.m_planeYAxis), AcGeVector3d(0, 0, 1));
    EXPECT_EQ(jig.m_radius, 0.0);
    EXPECT_EQ(jig.m_hOwnerWnd, adsw_acadMainWnd());
    EXPECT_EQ(jig.m_hSavedResource, resourceHandleBefore());
    EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle,
              CModuleApp::instance().resourceLibrary());
    EXPECT_EQ(jig.entity(), nullptr);
}

TEST_F(JigTest, WorkingPlaneStaysWorldXYWhateverTheUcs)
{
    cadhost::editor().moveUcsOrigin(AcGePoint3d(3, 4, 5));
    cadhost::editor().rotateUcs(0, 35.0);
    CKotaDP jig;
    EXPECT_EQ(jig.m_planeXAxis, AcGeVector3d::kXAxis);
    EXPECT_EQ(jig.m_planeYAxis, AcGeVector3d::kYAxis);
}

TEST_F(JigTest, EntityIsTheDraggedThenTheResultDimension)
{
    CKotaDP jig;
    jig.m_pResultDim = newDimension();
    EXPECT_EQ(jig.entity(), jig.m_pResultDim);
    jig.m_pDragDim = newDimension();
    EXPECT_EQ(jig.entity(), jig.m_pDragDim);
}

TEST_F(JigTest, SamplesMoveTheArcPointAndRepeatsAreNoChange)
{
    CKotaDP jig;
    jig.m_pDragDim = newDimension();
    queueCursor(2, 3);
    queueCursor(2, 3);
    queueCursor(2, 3 + 1e-11);
    queueCursor(2, 3.5, 1.5);
    queuePoint(6, 7);
    EXPECT_EQ(jig.drag(), AcEdJig::kNormal);
    EXPECT_EQ(sampledStatuses(), (std::vector<std::string>{"0", "-6", "-6", "0", "0"}));
    EXPECT_EQ(jig.m_lastPoint, AcGePoint3d(6, 7, 0));
    EXPECT_EQ(jig.m_pDragDim->arcPoint(), AcGePoint3d(6, 7, 0));
    EXPECT_EQ(static_cast<int>(jig.userInputControls()), 642);
}

TEST_F(JigTest, ThreeDimensionalCursorPointsAreKept)
{
    CKotaDP jig;
    jig.m_pDragDim = newDimension();
    queueCursor(2, 3.5, 1.5);
    queueEscape();
    jig.drag();
    EXPECT_EQ(jig.m_lastPoint, AcGePoint3d(2, 3.5, 1.5));
}

TEST_F(JigTest, AFirstSampleAtTheOriginIsNoChange)
{
    CKotaDP jig;
    jig.m_pDragDim = newDimension();
    queuePoint(0, 0, 0);
    EXPECT_EQ(jig.drag(), AcEdJig::kNoChange);
    EXPECT_EQ(jig.m_pDragDim->arcPoint(), kEnd);
}

TEST_F(JigTest, EnterAndEscapePassThroughAndKeepTheLastPoint)
{
    CKotaDP jig;
    jig.m_pDragDim = newDimension();
    queueCursor(2, 3);
    queueEnter();
    EXPECT_EQ(jig.drag(), AcEdJig::kNull);
    EXPECT_EQ(jig.m_lastPoint, AcGePoint3d(2, 3, 0));

    queueCursor(5, 5);
    queueEscape();
    EXPECT_EQ(jig.drag(), AcEdJig::kCancel);
    EXPECT_EQ(jig.m_lastPoint, AcGePoint3d(5, 5, 0));
}

TEST_F(JigTest, SamplesAreWorldPointsInARotatedUcs)
{
    cadhost::editor().moveUcsOrigin(AcGePoint3d(10, 0, 0));
    cadhost::editor().rotateUcs(2, 90.0);
    CKotaDP jig;
    jig.m_pDragDim = newDimension();
    queuePoint(1, 2);
    jig.drag();
    EXPECT_TRUE(jig.m_lastPoint.isEqualTo(AcGePoint3d(8, 1, 0))) << jig.m_lastPoint;
}

TEST_F(JigTest, DestroyingAnEmptyJigOnlyRestoresTheResourceHandle)
{
    cadhost::recorder().clear();
    { CKotaDP jig; }
    EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, resourceHandleBefore());
    EXPECT_EQ(recorded(cadhost::RecordedEvent::Kind::DbErase), 0u);
    EXPECT_EQ(recorded(cadhost::RecordedEvent::Kind::DbOpen), 0u);
}

TEST_F(JigTest, ANullHandleBeforeTheCommandIsPutBackToo)
{
    AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
    { CKotaDP jig; }
    EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, nullptr);
    AfxGetModuleState()->m_hCurrentResourceHandle = resourceHandleBefore();
}

// The sanitizer's leak check sees a dimension that is not deleted.
TEST_F(JigTest, DeletesDimensionsThatWereNeverAppended)
{
    {
        CKotaDP jig;
        jig.m_pDragDim = newDimension();
        jig.m_pResultDim = newDimension();
    }
    EXPECT_EQ(liveEntityCount(), 0u);
}

TEST_F(JigTest, ErasesTheAppendedDraggedDimensionAndDeletesTheUnappendedResult)
{
    {
        CKotaDP jig;
        jig.m_pDragDim = newDimension();
        jig.m_dragDimId = jig.append();
        ASSERT_TRUE(jig.m_dragDimId.isValid());
        jig.m_pDragDim = nullptr;
        jig.m_pResultDim = newDimension();
        EXPECT_EQ(dimensionsInDrawing().size(), 1u);
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
    EXPECT_EQ(recorded(cadhost::RecordedEvent::Kind::DbErase), 1u);
}

TEST_F(JigTest, KeepsTheAppendedResultDimension)
{
    {
        CKotaDP jig;
        jig.m_pDragDim = newDimension();
        jig.m_dragDimId = jig.append();
        jig.m_pDragDim = nullptr;
        jig.m_pResultDim = newDimension();
        jig.m_pResultDim->setArcPoint(AcGePoint3d(9, 9, 0));
        jig.m_resultDimId = jig.append();
        ASSERT_TRUE(jig.m_resultDimId.isValid());
        jig.m_pResultDim = nullptr;
        EXPECT_EQ(jig.entity(), nullptr);
    }
    const std::vector<DimensionSnapshot> left = dimensionsInDrawing();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].arcPoint, AcGePoint3d(9, 9, 0));
}

}  // namespace
