// The choice of the arc source and the dimension made and dragged on it, driven through the
// host's input queue: each kind of source, the plane test, the repeated prompt, the drag.
#include "arcdim/ArcSourceSelection.h"

#include "arcdim/KotaDP.h"
#include "arcdim_test_support.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbents.h"
#include "editor/editor.h"
#include "module_test_support.h"
#include "resources/resource.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>

namespace {

using namespace arcdimtest;

constexpr double kHalfPi = 1.5707963267948966;

const std::u16string kSelectPrompt = u"\nSelect an arc: ";
const std::u16string kDragPrompt = u"\nDimension line: ";
const std::u16string kNotAnArc = u"\nThat is no arc.";

/// What the selection returned.
struct PickResult {
    bool accepted = false;
    AcGePoint3d start;
    AcGePoint3d end;
    bool isCircle = false;
};

PickResult pick(CKotaDP& jig)
{
    PickResult result;
    result.accepted = jig.pickArcAndDragDimension(kSelectPrompt.c_str(), kDragPrompt.c_str(),
                                                  kNotAnArc.c_str(), result.start, result.end,
                                                  result.isCircle);
    return result;
}

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, const char* what)
{
    EXPECT_NEAR(actual.distanceTo(expected), 0.0, 1e-9) << what << ": " << actual << " expected "
                                                        << expected;
}

class Selection : public ArcDimensionTest {
protected:
    std::size_t selectPrompts() const { return timesPrinted(kSelectPrompt); }
    std::size_t planeMessages() const { return timesPrinted(resourceString(IDS_ARC_NOT_IN_PLANE)); }
    std::size_t notAnArcMessages() const { return timesPrinted(kNotAnArc); }
};

/// An accepted selection: the result dimension on the arc, the dragged one in the drawing
/// while the jig lives, nothing after it.
void expectAccepted(CKotaDP& jig, const PickResult& result, const AcGePoint3d& center,
                    const AcGePoint3d& arcPoint)
{
    ASSERT_TRUE(result.accepted);
    ASSERT_NE(jig.m_pResultDim, nullptr);
    EXPECT_EQ(jig.m_pDragDim, nullptr);
    EXPECT_TRUE(jig.m_dragDimId.isValid());
    EXPECT_FALSE(jig.m_pResultDim->isPersistent());
    expectNear(jig.m_pResultDim->centerPoint(), center, "centre");
    EXPECT_EQ(jig.m_pResultDim->xLine1Point(), result.start);
    EXPECT_EQ(jig.m_pResultDim->xLine2Point(), result.end);
    expectNear(jig.m_pResultDim->arcPoint(), arcPoint, "arc point");
    EXPECT_EQ(jig.m_pResultDim->elevation(), result.end.z);

    const std::vector<DimensionSnapshot> dragged = dimensionsInDrawing();
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(dragged[0].xLine1, result.start);
    EXPECT_EQ(dragged[0].xLine2, result.end);
    EXPECT_EQ(dragged[0].arcPoint, jig.m_pResultDim->arcPoint());
    EXPECT_EQ(utf8(dragged[0].layer), utf8(kDefaultDimensionLayer));
}

TEST_F(Selection, AnArcGivesItsEndsInItsOwnDirection)
{
    const AcGePoint3d center(5, 5, 0);
    AcDbArc* arc = new AcDbArc(center, 2.0, 0.0, kHalfPi);
    AcGePoint3d start, end;
    arc->getStartPoint(start);
    arc->getEndPoint(end);
    addEntity(arc);
    {
        CKotaDP jig;
        queuePoint(5 + std::sqrt(2.0), 5 + std::sqrt(2.0));
        queueCursor(9, 9);
        queuePoint(8, 8);
        const PickResult result = pick(jig);
        EXPECT_EQ(result.start, start);
        EXPECT_EQ(result.end, end);
        EXPECT_FALSE(result.isCircle);
        expectAccepted(jig, result, center, AcGePoint3d(8, 8, 0));
        EXPECT_EQ(selectPrompts(), 1u);
        EXPECT_EQ(timesPrinted(kDragPrompt), 1u);
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, AnArcFacingDownPassesThePlaneTest)
{
    const AcGePoint3d center(0, 0, 3);
    AcDbArc* arc = new AcDbArc(center, AcGeVector3d(0, 0, -1), 4.0, 0.0, kHalfPi);
    AcGePoint3d start, end;
    arc->getStartPoint(start);
    arc->getEndPoint(end);
    const AcGePoint3d onArc = arc->geArc().evalPoint(kHalfPi / 2);
    addEntity(arc);
    CKotaDP jig;
    queuePoint(onArc.x, onArc.y, onArc.z);
    queueEnter();
    const PickResult result = pick(jig);
    // The arc turns counterclockwise about its own normal, clockwise seen from above.
    ASSERT_NO_FATAL_FAILURE(expectAccepted(jig, result, center, onArc));
    EXPECT_EQ(result.start, start);
    EXPECT_EQ(jig.m_pickedArc.normal, AcGeVector3d(0, 0, -1));
    EXPECT_DOUBLE_EQ(jig.m_pickedArc.sweep, kHalfPi);
    EXPECT_EQ(jig.m_pResultDim->elevation(), 3.0);
    EXPECT_EQ(planeMessages(), 0u);
}

TEST_F(Selection, AnArcInAVerticalPlaneGetsThePlaneMessageAndTheQuestionAgain)
{
    AcDbArc* arc = new AcDbArc(AcGePoint3d(0, 0, 0), AcGeVector3d(1, 0, 0), 2.0, 0.0, 1.0);
    const AcGePoint3d onArc = arc->geArc().evalPoint(0.5);
    addEntity(arc);
    {
        CKotaDP jig;
        queuePoint(onArc.x, onArc.y, onArc.z);
        queueEscape();
        EXPECT_FALSE(pick(jig).accepted);
        EXPECT_EQ(jig.m_pResultDim, nullptr);
    }
    EXPECT_EQ(planeMessages(), 1u);
    EXPECT_EQ(selectPrompts(), 2u);
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, AnArcDrawnInAUcsTurnedAboutXIsNotInTheWorkingPlane)
{
    cadhost::Editor& editor = cadhost::editor();
    editor.rotateUcs(0, 90.0);
    const AcGeVector3d normal = editor.ucsToWorld(AcGeVector3d::kZAxis);
    AcDbArc* arc = new AcDbArc(editor.ucsToWorld(AcGePoint3d(0, 0, 0)), normal, 2.0, 0.0, 1.5);
    const AcGePoint3d onArcUcs = editor.worldToUcs(arc->geArc().evalPoint(0.7));
    addEntity(arc);
    CKotaDP jig;
    queuePoint(onArcUcs.x, onArcUcs.y, onArcUcs.z);
    queueEscape();
    EXPECT_FALSE(pick(jig).accepted);
    EXPECT_EQ(planeMessages(), 1u);
}

TEST_F(Selection, AWorldArcIsPickedInATurnedUcs)
{
    cadhost::Editor& editor = cadhost::editor();
    editor.moveUcsOrigin(AcGePoint3d(1, 2, 0));
    editor.rotateUcs(0, 30.0);
    const AcGePoint3d center(0, 0, 0);
    addEntity(new AcDbArc(center, 3.0, 0.0, kHalfPi));
    const AcGePoint3d onArcUcs = editor.worldToUcs(AcGePoint3d(0, 3, 0));
    const AcGePoint3d clickUcs = editor.worldToUcs(AcGePoint3d(2, 2, 0));
    CKotaDP jig;
    queuePoint(onArcUcs.x, onArcUcs.y, onArcUcs.z);
    queuePoint(clickUcs.x, clickUcs.y, clickUcs.z);
    const PickResult result = pick(jig);
    ASSERT_NO_FATAL_FAILURE(expectAccepted(jig, result, center, AcGePoint3d(2, 2, 0)));
    EXPECT_EQ(planeMessages(), 0u);
}

TEST_F(Selection, AMissedPickAsksAgainWithoutAMessage)
{
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, kHalfPi));
    CKotaDP jig;
    queuePoint(50, 50);
    queuePoint(2, 0);
    queuePoint(3, 3);
    const PickResult result = pick(jig);
    ASSERT_NO_FATAL_FAILURE(
        expectAccepted(jig, result, AcGePoint3d(0, 0, 0), AcGePoint3d(3, 3, 0)));
    EXPECT_EQ(selectPrompts(), 2u);
    EXPECT_EQ(planeMessages(), 0u);
    EXPECT_EQ(notAnArcMessages(), 0u);
}

TEST_F(Selection, ALineGetsTheNotAnArcMessageThenAnArcIsTaken)
{
    addEntity(new AcDbLine(AcGePoint3d(10, 0, 0), AcGePoint3d(20, 0, 0)));
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, kHalfPi));
    CKotaDP jig;
    queuePoint(15, 0);
    queuePoint(0, 2);
    queuePoint(1, 1);
    const PickResult result = pick(jig);
    ASSERT_NO_FATAL_FAILURE(
        expectAccepted(jig, result, AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    EXPECT_EQ(notAnArcMessages(), 1u);
    EXPECT_EQ(selectPrompts(), 2u);
}

AcDbPolyline* newPolyline(std::initializer_list<std::array<double, 3>> vertices)
{
    auto* polyline = new AcDbPolyline();
    unsigned int index = 0;
    for (const auto& v : vertices)
        polyline->addVertexAt(index++, AcGePoint2d(v[0], v[1]), v[2]);
    return polyline;
}

TEST_F(Selection, APolylinePickedOnAStraightSegmentEndsSilently)
{
    addEntity(newPolyline({{0, 0, 0}, {10, 0, 1}, {10, 10, 0}}));
    {
        CKotaDP jig;
        queuePoint(5, 0);
        EXPECT_FALSE(pick(jig).accepted);
        EXPECT_EQ(jig.m_pDragDim, nullptr);
    }
    EXPECT_EQ(selectPrompts(), 1u);
    EXPECT_EQ(notAnArcMessages(), 0u);
    EXPECT_EQ(planeMessages(), 0u);
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, APolylineArcSegmentInAMovedTurnedSystemIsFound)
{
    // A polyline facing down at elevation 2, picked in a UCS moved and turned about Z.
    AcDbPolyline* polyline = newPolyline({{0, 0, 0}, {4, 0, 1}, {4, 4, 0}});
    polyline->setNormal(AcGeVector3d(0, 0, -1));
    polyline->setElevation(2.0);
    AcGeCircArc3d segment;
    ASSERT_EQ(polyline->getArcSegAt(1, segment), Acad::eOk);
    const AcGePoint3d onSegment = segment.evalPoint((segment.startAng() + segment.endAng()) / 2);

    // The UCS is chosen so that the pick's UCS coordinates, taken as world coordinates, lie
    // on the straight first segment: only a pick converted to world finds the arc.
    AcGeLineSeg3d straight;
    ASSERT_EQ(polyline->getLineSegAt(0, straight), Acad::eOk);
    const AcGePoint3d onStraight =
        straight.startPoint() + (straight.endPoint() - straight.startPoint()) * 0.5;
    cadhost::Editor& editor = cadhost::editor();
    editor.rotateUcs(2, 40.0);
    const AcGeVector3d turned = editor.ucsToWorld(onStraight.asVector());
    editor.moveUcsOrigin(editor.worldToUcs(onSegment - turned));
    const AcGePoint3d pickUcs = editor.worldToUcs(onSegment);
    ASSERT_NEAR(pickUcs.distanceTo(onStraight), 0.0, 1e-9);
    addEntity(polyline);
    CKotaDP jig;
    queuePoint(pickUcs.x, pickUcs.y, pickUcs.z);
    queueEnter();
    const PickResult result = pick(jig);
    EXPECT_EQ(result.start, segment.startPoint());
    EXPECT_EQ(result.end, segment.endPoint());
    ASSERT_NO_FATAL_FAILURE(expectAccepted(jig, result, segment.center(), onSegment));
    EXPECT_EQ(jig.m_pResultDim->elevation(), segment.endPoint().z);
}

TEST_F(Selection, ACircleTakesTwoPointsMovedOntoIt)
{
    const AcGePoint3d center(1, 1, 1);
    addEntity(new AcDbCircle(center, AcGeVector3d(0, 0, -1), 5.0));
    {
        CKotaDP jig;
        queuePoint(6, 1, 1);
        queuePoint(2, 2);      // towards 45 degrees, off the circle's plane
        queuePoint(1, -1, 4);  // towards 270 degrees
        queuePoint(0, 9);
        const PickResult result = pick(jig);
        EXPECT_TRUE(result.isCircle);
        const double r = 5.0 / std::sqrt(2.0);
        expectNear(result.start, AcGePoint3d(1 + r, 1 + r, 1), "first point");
        expectNear(result.end, AcGePoint3d(1, -4, 1), "second point");
        expectAccepted(jig, result, center, AcGePoint3d(0, 9, 0));
        EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 1u);
        EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SECOND_EXT_POINT)), 1u);
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, ACirclePointOnItsAxisStaysAsPicked)
{
    addEntity(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 5.0));
    CKotaDP jig;
    queuePoint(0, 5);
    queuePoint(0, 0, 7);
    queuePoint(-3, 0);
    queuePoint(4, 4);
    const PickResult result = pick(jig);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.start, AcGePoint3d(0, 0, 7));
    expectNear(result.end, AcGePoint3d(-5, 0, 0), "second point");
}

TEST_F(Selection, EscapeAtACirclePointEndsWithoutADimension)
{
    addEntity(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 5.0));
    {
        CKotaDP jig;
        queuePoint(5, 0);
        queuePoint(1, 1);
        queueEscape();
        EXPECT_FALSE(pick(jig).accepted);
        EXPECT_EQ(jig.m_pDragDim, nullptr);
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, ACircleInAVerticalPlaneGetsThePlaneMessage)
{
    addEntity(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 1, 0), 5.0));
    CKotaDP jig;
    queuePoint(5, 0, 0);
    queueEscape();
    EXPECT_FALSE(pick(jig).accepted);
    EXPECT_EQ(planeMessages(), 1u);
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 0u);
}

TEST_F(Selection, AStraightWallIsNoArcAndACurvedOneIsTaken)
{
    addEntity(new AecDbWall(AcGePoint3d(20, 0, 0), AcGePoint3d(25, 0, 0), AcGePoint3d(30, 0, 0)));
    const double h = 10.0 / std::sqrt(2.0);
    addEntity(new AecDbWall(AcGePoint3d(10, 0, 0), AcGePoint3d(h, h, 0), AcGePoint3d(0, 10, 0)));
    CKotaDP jig;
    queuePoint(25, 0);
    queuePoint(h, h);
    queuePoint(8, 8);
    const PickResult result = pick(jig);
    EXPECT_EQ(result.start, AcGePoint3d(10, 0, 0));
    EXPECT_EQ(result.end, AcGePoint3d(0, 10, 0));
    ASSERT_NO_FATAL_FAILURE(
        expectAccepted(jig, result, AcGePoint3d(0, 0, 0), AcGePoint3d(8, 8, 0)));
    EXPECT_EQ(notAnArcMessages(), 1u);
}

TEST_F(Selection, ACurvedWallHasNoPlaneTest)
{
    // A wall whose baseline curves in a vertical plane is taken as it is.
    addEntity(new AecDbWall(AcGePoint3d(0, 0, 10), AcGePoint3d(0, 10, 0), AcGePoint3d(0, 0, -10)));
    CKotaDP jig;
    queuePoint(0, 10, 0);
    queueEnter();
    const PickResult result = pick(jig);
    ASSERT_NO_FATAL_FAILURE(
        expectAccepted(jig, result, AcGePoint3d(0, 0, 0), AcGePoint3d(0, 10, 0)));
    EXPECT_EQ(planeMessages(), 0u);
}

// On an end, the dimension line would leave open which arc between the ends it spans: Enter
// puts it back at the middle of the picked arc, a click outside the arc at the middle at the
// click's distance, a 270 degree arc as well as a quarter. On a circle the click's side
// chooses the arc between its two points, Enter the counterclockwise one.
TEST_F(Selection, TheDimensionLinePassesThroughThePickedArcOnly)
{
    struct DragCase {
        bool circle;
        double sweep;  ///< of the arc from 0 degrees, or expected of the circle's arc
        bool enter;
        AcGePoint3d click;
        AcGePoint3d arcPoint;
        double normalZ;  ///< the picked arc's normal
    };
    const double r = std::sqrt(2.0);
    const double c = 5.0 / std::sqrt(2.0);
    const DragCase cases[] = {{false, kHalfPi, true, {}, {r, r, 0}, 1},
                              {false, kHalfPi, false, {-3, -3, 0}, {3, 3, 0}, 1},
                              {false, kHalfPi, false, {6, 0, 0}, {3 * r, 3 * r, 0}, 1},
                              {false, 3 * kHalfPi, true, {}, {-r, r, 0}, 1},
                              {false, 3 * kHalfPi, false, {4, -3, 0}, {-2.5 * r, 2.5 * r, 0}, 1},
                              {false, 3 * kHalfPi, false, {-4, -3, 0}, {-4, -3, 0}, 1},
                              {true, kHalfPi, true, {}, {c, c, 0}, 1},
                              {true, kHalfPi, false, {1, 2, 0}, {1, 2, 0}, 1},
                              {true, 3 * kHalfPi, false, {-4, -1, 0}, {-4, -1, 0}, -1}};
    for (const DragCase& d : cases) {
        cadhost::resetSession();
        CKotaDP jig;
        if (d.circle) {
            // Points towards 0 and 90 degrees, moved onto the circle.
            addEntity(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 5.0));
            queuePoint(5, 0);
            queuePoint(3, 0);
            queuePoint(0, 7);
        } else {
            addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, d.sweep));
            queuePoint(2, 0);
        }
        queueCursor(5, 5);
        queueCursor(6, 1);
        if (d.enter)
            queueEnter();
        else
            queuePoint(d.click.x, d.click.y);
        const PickResult result = pick(jig);
        ASSERT_NO_FATAL_FAILURE(expectAccepted(jig, result, AcGePoint3d(0, 0, 0), d.arcPoint));
        EXPECT_EQ(jig.m_pickedArc.normal, AcGeVector3d(0, 0, d.normalZ));
        EXPECT_DOUBLE_EQ(jig.m_pickedArc.sweep, d.sweep);
        EXPECT_FALSE(jig.m_pickedArc.eitherWay);
    }
}

TEST_F(Selection, EscapeInTheDragLeavesNothing)
{
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, kHalfPi));
    {
        CKotaDP jig;
        queuePoint(2, 0);
        queueCursor(5, 5);
        queueEscape();
        EXPECT_FALSE(pick(jig).accepted);
        EXPECT_EQ(jig.m_pResultDim, nullptr);
        EXPECT_NE(jig.m_pDragDim, nullptr);
        EXPECT_TRUE(jig.m_dragDimId.isNull());
        EXPECT_TRUE(dimensionsInDrawing().empty());
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

TEST_F(Selection, AClickAtTheOriginFirstKeepsTheArcPointAtTheMiddle)
{
    addEntity(new AcDbArc(AcGePoint3d(3, 0, 0), 2.0, kHalfPi, 2 * kHalfPi));
    CKotaDP jig;
    queuePoint(3, 2);
    queuePoint(0, 0, 0);
    const PickResult result = pick(jig);
    ASSERT_NO_FATAL_FAILURE(expectAccepted(
        jig, result, AcGePoint3d(3, 0, 0), AcGePoint3d(3 - std::sqrt(2.0), std::sqrt(2.0), 0)));
}

TEST_F(Selection, CancelAtTheSelectionEndsWithNothing)
{
    {
        CKotaDP jig;
        queueEscape();
        EXPECT_FALSE(pick(jig).accepted);
    }
    {
        CKotaDP jig;
        queueEnter();
        EXPECT_FALSE(pick(jig).accepted);
    }
    EXPECT_EQ(liveEntityCount(), 0u);
}

TEST_F(Selection, AChildDimensionStyleIsReplacedByItsParent)
{
    AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    const AcDbObjectId parent = db.addDimStyle(u"Arcs");
    const AcDbObjectId child = db.addDimStyle(u"Arcs$2");
    ASSERT_TRUE(db.setCurrentDimStyle(child));
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, kHalfPi));
    CKotaDP jig;
    queuePoint(2, 0);
    queuePoint(3, 3);
    ASSERT_TRUE(pick(jig).accepted);
    EXPECT_EQ(jig.m_pResultDim->dimensionStyle(), parent);
    EXPECT_EQ(utf8(dimensionsInDrawing().at(0).style), "Arcs");
}

TEST_F(Selection, AStyleWithoutParentIsKept)
{
    AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    const AcDbObjectId style = db.addDimStyle(u"Plain");
    ASSERT_TRUE(db.setCurrentDimStyle(style));
    AcDb3PointAngularDimension dimension(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                         AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    useParentDimStyle(&dimension);
    EXPECT_EQ(dimension.dimensionStyle(), style);
    useParentDimStyle(nullptr);
}

TEST_F(Selection, ProjectionOntoACircleKeepsTheCirclePlane)
{
    CKotaDP jig;
    AcGePoint3d projected(7, 7, 7);
    EXPECT_EQ(projectOntoCircle(jig, AcGePoint3d(1, 2, 3), 2.0, AcGePoint3d(1, 2, -8), projected),
              kPointOnCircleAxis);
    EXPECT_EQ(projected, AcGePoint3d(7, 7, 7));
    ASSERT_EQ(projectOntoCircle(jig, AcGePoint3d(1, 2, 3), 2.0, AcGePoint3d(4, 6, -8), projected),
              0);
    expectNear(projected, AcGePoint3d(1 + 1.2, 2 + 1.6, 3), "projected");
}

}  // namespace
