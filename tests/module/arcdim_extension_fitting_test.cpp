// Fitting an arc dimension to picked extension points: the inside tests, the replacement of a
// point outside the arc by the nearer end, and the move of the arc point into the new span.
#include "arcdim/ExtensionLineFitting.h"

#include "arcdim/KotaDP.h"
#include "module_test_support.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

namespace {

constexpr double kDegree = 3.141592653589793 / 180.0;
constexpr double kArcRadius = 2.0;
constexpr double kDimensionLineRadius = 3.0;
constexpr double kPickRadius = 1.5;
const AcGePoint3d kCenter(10.0, -4.0, 1.25);

/// The point at this angle and distance from the centre; the axis directions are exact, so
/// that points on one axis at different distances lie in exactly one direction.
AcGePoint3d atAngle(double degrees, double radius)
{
    double x = std::cos(degrees * kDegree);
    double y = std::sin(degrees * kDegree);
    if (std::fmod(degrees, 90.0) == 0.0) {
        x = std::round(x);
        y = std::round(y);
    }
    return kCenter + AcGeVector3d(x, y, 0.0) * radius;
}

/// The polar angle of point about the centre, in degrees in [0, 360).
double degreesOf(const AcGePoint3d& point)
{
    const AcGeVector3d v = point - kCenter;
    double degrees = std::atan2(v.y, v.x) / kDegree;
    if (degrees < 0.0)
        degrees += 360.0;
    return degrees;
}

/// A point given by its angle (degrees) and distance from the centre.
struct Polar {
    double degrees;
    double radius;
};

std::ostream& operator<<(std::ostream& out, const Polar& p)
{
    return out << p.degrees << "deg r" << p.radius;
}

void expectAt(const AcGePoint3d& actual, const Polar& expected, const char* what)
{
    EXPECT_NEAR(actual.distanceTo(atAngle(expected.degrees, expected.radius)), 0.0, 1e-9)
        << what << " at " << degreesOf(actual) << "deg r" << (actual - kCenter).length()
        << ", expected " << expected;
}

/// The picked arc from firstEnd to secondEnd (degrees) at kArcRadius, counterclockwise or
/// clockwise about the world z axis.
PickedArc pickedArc(double firstEnd, double secondEnd, bool clockwise)
{
    PickedArc arc;
    arc.center = kCenter;
    arc.normal = clockwise ? -AcGeVector3d::kZAxis : AcGeVector3d::kZAxis;
    arc.start = atAngle(firstEnd, kArcRadius);
    arc.end = atAngle(secondEnd, kArcRadius);
    arc.radius = kArcRadius;
    const double turn = clockwise ? firstEnd - secondEnd : secondEnd - firstEnd;
    arc.sweep = std::fmod(turn + 720.0, 360.0) * kDegree;
    return arc;
}

/// A jig holding a result dimension on the picked arc from X1 to X2, as the selection leaves
/// it, with the arc point where the drag put it, and the two picked points.
class FittingJig {
public:
    FittingJig(double firstEnd, double secondEnd, bool clockwise, double arcPoint,
               const AcGePoint3d& pick1, const AcGePoint3d& pick2)
    {
        m_jig.m_pResultDim = new AcDb3PointAngularDimension(
            kCenter, atAngle(firstEnd, kArcRadius), atAngle(secondEnd, kArcRadius),
            atAngle(arcPoint, kDimensionLineRadius));
        m_jig.m_center = kCenter;
        m_jig.m_pickedArc = pickedArc(firstEnd, secondEnd, clockwise);
        m_jig.m_pick1 = pick1;
        m_jig.m_pick2 = pick2;
    }
    CKotaDP& jig() { return m_jig; }
    AcDb3PointAngularDimension& dimension() { return *m_jig.m_pResultDim; }

private:
    CKotaDP m_jig;
};

class ExtensionFitting : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

struct FittingCase {
    const char* name;
    bool clockwise;      ///< the picked arc runs from 0 to 90 the long way, clockwise
    double arcPoint;     ///< degrees
    double pick1;        ///< degrees, at kPickRadius
    double pick2;
    bool replaced;
    Polar xLine1;        ///< expected extension line points
    Polar xLine2;
    double arcPointAfter;  ///< expected arc point angle, at kDimensionLineRadius
};

std::ostream& operator<<(std::ostream& out, const FittingCase& c)
{
    return out << c.name;
}

class FittingTable : public ExtensionFitting, public ::testing::WithParamInterface<FittingCase> {};

TEST_P(FittingTable, MovesExtensionLinesAndArcPoint)
{
    const FittingCase& c = GetParam();
    FittingJig fitting(0.0, 90.0, c.clockwise, c.arcPoint, atAngle(c.pick1, kPickRadius),
                       atAngle(c.pick2, kPickRadius));
    bool replaced = !c.replaced;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_EQ(replaced, c.replaced);
    expectAt(fitting.dimension().xLine1Point(), c.xLine1, "xLine1");
    expectAt(fitting.dimension().xLine2Point(), c.xLine2, "xLine2");
    expectAt(fitting.dimension().arcPoint(), {c.arcPointAfter, kDimensionLineRadius}, "arcPoint");
    EXPECT_EQ(fitting.dimension().centerPoint(), kCenter);
    // The picked points the driver keeps are the extension line points.
    EXPECT_EQ(fitting.jig().m_pick1, fitting.dimension().xLine1Point());
    EXPECT_EQ(fitting.jig().m_pick2, fitting.dimension().xLine2Point());
}

INSTANTIATE_TEST_SUITE_P(
    QuarterArc, FittingTable,
    ::testing::Values(
        FittingCase{"BothInside", false, 45, 10, 80, false, {10, kPickRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"SecondBeyondTheEnd", false, 45, 10, 100, true, {10, kPickRadius},
                    {90, kArcRadius}, 45},
        FittingCase{"FirstBeforeTheStart", false, 45, 350, 80, true, {0, kArcRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"BothOutside", false, 45, 330, 120, true, {0, kArcRadius}, {90, kArcRadius},
                    45},
        FittingCase{"ArcPointBeforeFirstPick", false, 5, 10, 80, false, {10, kPickRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"ArcPointAfterSecondPick", false, 88, 10, 80, false, {10, kPickRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"ReverseOrder", false, 45, 80, 10, false, {80, kPickRadius},
                    {10, kPickRadius}, 45},
        FittingCase{"ReverseOrderArcPointOutside", false, 85, 60, 20, false, {60, kPickRadius},
                    {20, kPickRadius}, 40},
        FittingCase{"PickAtTheEndIsInside", false, 45, 30, 90, false, {30, kPickRadius},
                    {90, kPickRadius}, 45},
        // An arc point in a picked direction leaves the dimension's side open: it goes to the
        // middle, here of 15 and the end that replaced the pick at 120.
        FittingCase{"ArcPointOnTheReplacedEnd", false, 90, 15, 120, true, {15, kPickRadius},
                    {90, kArcRadius}, 52.5},
        FittingCase{"ArcPointOnAPick", false, 75, 15, 75, false, {15, kPickRadius},
                    {75, kPickRadius}, 45},
        // The arc running the long way, clockwise from 0 through 300 to 90.
        FittingCase{"LongWayInsideArcPointMoves", true, 300, 120, 200, false,
                    {120, kPickRadius}, {200, kPickRadius}, 160},
        // Picks more than half a turn apart: the middle by angle lies against their sum.
        FittingCase{"LongWayWideSpanArcPointMoves", true, 355, 350, 100, false,
                    {350, kPickRadius}, {100, kPickRadius}, 225},
        FittingCase{"LongWayFirstBeforeTheStart", true, 300, 10, 100, true, {0, kArcRadius},
                    {100, kPickRadius}, 300},
        // The pick the quarter arc would keep lies outside the long way, and the other way.
        FittingCase{"LongWayPickOnTheQuarterIsOutside", true, 300, 30, 200, true,
                    {0, kArcRadius}, {200, kPickRadius}, 300},
        FittingCase{"QuarterPickOnTheLongWayIsOutside", false, 45, 200, 60, true,
                    {90, kArcRadius}, {60, kPickRadius}, 75}),
    [](const ::testing::TestParamInfo<FittingCase>& info) { return std::string(info.param.name); });

TEST_F(ExtensionFitting, APickExactlyAtAnArcEndCountsAsInside)
{
    FittingJig fitting(0.0, 90.0, false, 45.0, atAngle(20.0, kPickRadius),
                       atAngle(90.0, kArcRadius));
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(90.0, kArcRadius));
}

TEST_F(ExtensionFitting, APickAtTheCentreChangesNothing)
{
    for (int which = 1; which <= 2; ++which) {
        const AcGePoint3d inside = atAngle(30.0, kPickRadius);
        FittingJig fitting(0.0, 90.0, false, 45.0, which == 1 ? kCenter : inside,
                           which == 2 ? kCenter : inside);
        bool replaced = true;
        EXPECT_EQ(fitExtensionLines(fitting.jig(), replaced), kFitPickAtCenter);
        EXPECT_FALSE(replaced);
        EXPECT_EQ(fitting.dimension().xLine1Point(), atAngle(0.0, kArcRadius));
        EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(90.0, kArcRadius));
        EXPECT_EQ(fitting.dimension().arcPoint(), atAngle(45.0, kDimensionLineRadius));
    }
}

TEST_F(ExtensionFitting, APickWithinThePointToleranceOfTheCentreCountsAsAtTheCentre)
{
    const AcGePoint3d nearCenter = kCenter + AcGeVector3d(3e-11, -2e-11, 0.0);
    FittingJig fitting(0.0, 90.0, false, 45.0, atAngle(30.0, kPickRadius), nearCenter);
    bool replaced = true;
    EXPECT_EQ(fitExtensionLines(fitting.jig(), replaced), kFitPickAtCenter);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(fitting.jig().m_pick2, nearCenter);
    EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(90.0, kArcRadius));

    FittingJig outside(0.0, 90.0, false, 45.0, atAngle(30.0, kPickRadius),
                       kCenter + AcGeVector3d(0.0, 2e-10, 0.0));
    EXPECT_EQ(fitExtensionLines(outside.jig(), replaced), 0);
}

TEST_F(ExtensionFitting, WithoutAResultDimensionOrPickedArcReportsItAndLeavesTheFlag)
{
    CKotaDP jig;
    bool replaced = true;
    EXPECT_EQ(fitExtensionLines(jig, replaced), kFitNoResultDimension);
    EXPECT_TRUE(replaced);
    jig.m_pResultDim = new AcDb3PointAngularDimension(kCenter, atAngle(0.0, kArcRadius),
                                                      atAngle(90.0, kArcRadius),
                                                      atAngle(45.0, kArcRadius));
    EXPECT_EQ(fitExtensionLines(jig, replaced), kFitNoResultDimension);
    EXPECT_TRUE(replaced);
}

TEST_F(ExtensionFitting, AnOutsidePointGoesToTheNearerEnd)
{
    // Outside the quarter arc, the far side is split at 225 degrees between the two ends.
    for (double degrees = 100.0; degrees < 360.0; degrees += 10.0) {
        FittingJig fitting(0.0, 90.0, false, 45.0, atAngle(30.0, kPickRadius),
                           atAngle(degrees, kPickRadius));
        bool replaced = false;
        ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
        EXPECT_TRUE(replaced);
        const double nearerEnd = degrees < 225.0 ? 90.0 : 0.0;
        expectAt(fitting.dimension().xLine2Point(), {nearerEnd, kArcRadius}, "replaced pick");
    }
}

TEST_F(ExtensionFitting, AnOutsidePointAsFarFromBothEndsGoesToTheSecond)
{
    // A quarter arc with a pick at 225 degrees, a half arc with a pick at 270 degrees.
    const double cases[][3] = {{90, 45, 225}, {180, 90, 270}};
    for (const auto& [secondEnd, arcPoint, outsidePick] : cases) {
        for (bool outsideFirst : {true, false}) {
            const AcGePoint3d outside = atAngle(outsidePick, kPickRadius);
            const AcGePoint3d inside = atAngle(20.0, kPickRadius);
            FittingJig fitting(0.0, secondEnd, false, arcPoint, outsideFirst ? outside : inside,
                               outsideFirst ? inside : outside);
            bool replaced = false;
            ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
            EXPECT_TRUE(replaced);
            const AcGePoint3d replacedPoint =
                outsideFirst ? fitting.jig().m_pick1 : fitting.jig().m_pick2;
            EXPECT_EQ(replacedPoint, atAngle(secondEnd, kArcRadius)) << outsidePick;
        }
    }
}

TEST_F(ExtensionFitting, AClockwiseHalfCircleSpansItsOwnHalf)
{
    // A polyline's clockwise half circle from 0 through 270 to 180: the picks on it are
    // inside, and the arc point goes to the middle of their span on it.
    FittingJig fitting(0.0, 180.0, true, 350.0, atAngle(210.0, kPickRadius),
                       atAngle(330.0, kPickRadius));
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_FALSE(replaced);
    expectAt(fitting.dimension().arcPoint(), {270.0, kDimensionLineRadius}, "arcPoint");

    FittingJig otherHalf(0.0, 180.0, true, 300.0, atAngle(60.0, kPickRadius),
                         atAngle(240.0, kPickRadius));
    ASSERT_EQ(fitExtensionLines(otherHalf.jig(), replaced), 0);
    EXPECT_TRUE(replaced);
    expectAt(otherHalf.dimension().xLine1Point(), {0.0, kArcRadius}, "replaced pick");
}

TEST_F(ExtensionFitting, PicksInOneDirectionGiveADimensionOfNoLength)
{
    // One pick at the start, the other before it and so replaced by it: no arc point can lie
    // between, so all three points are the first.
    FittingJig fitting(0.0, 90.0, false, 45.0, atAngle(0.0, kArcRadius),
                       atAngle(350.0, kPickRadius));
    bool replaced = false;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(fitting.dimension().xLine1Point(), atAngle(0.0, kArcRadius));
    EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(0.0, kArcRadius));
    EXPECT_EQ(fitting.dimension().arcPoint(), atAngle(0.0, kArcRadius));
}

TEST_F(ExtensionFitting, MirroredArcGivesMirroredResult)
{
    // The same case turned the other way round: a dimension from 0 clockwise to -90.
    FittingJig fitting(0.0, 270.0, true, 355.0, atAngle(350.0, kPickRadius),
                       atAngle(280.0, kPickRadius));
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_FALSE(replaced);
    expectAt(fitting.dimension().arcPoint(), {315.0, kDimensionLineRadius}, "arcPoint");
}

// Picks in exactly opposite directions, at equal or unequal distances: the middle by angle is
// a quarter turn on from the first pick met along the arc, at the arc point's distance.
TEST_F(ExtensionFitting, OppositePicksPutTheArcPointAQuarterTurnOn)
{
    const AcGeVector3d half(1.2, -0.9, 0.0);  // at about 323.13 degrees
    const double firstPick = std::atan2(half.y, half.x) / kDegree + 360.0;
    const double expected = (firstPick - 90.0) * kDegree;
    for (const AcGePoint3d& center : {AcGePoint3d::kOrigin, kCenter}) {
        for (double distance : {3.0, 1.0}) {
            for (double farther : {1.0, 4.0}) {
                // The long way clockwise from 0 through 340 to 90; the arc point lies before
                // the first pick.
                CKotaDP jig;
                const AcGeVector3d toArcPoint(distance * std::cos(340.0 * kDegree),
                                              distance * std::sin(340.0 * kDegree), 0.0);
                jig.m_pResultDim = new AcDb3PointAngularDimension(
                    center, center + AcGeVector3d(2, 0, 0), center + AcGeVector3d(0, 2, 0),
                    center + toArcPoint);
                jig.m_center = center;
                jig.m_pickedArc = pickedArc(0.0, 90.0, true);
                jig.m_pickedArc.center = center;
                jig.m_pickedArc.start = center + AcGeVector3d(2, 0, 0);
                jig.m_pickedArc.end = center + AcGeVector3d(0, 2, 0);
                jig.m_pick1 = center + half;
                jig.m_pick2 = center - half * farther;
                bool replaced = true;
                ASSERT_EQ(fitExtensionLines(jig, replaced), 0);
                EXPECT_FALSE(replaced);
                const AcGeVector3d moved = jig.m_pResultDim->arcPoint() - center;
                EXPECT_NEAR(moved.x, distance * std::cos(expected), 1e-9) << distance;
                EXPECT_NEAR(moved.y, distance * std::sin(expected), 1e-9) << distance;
                EXPECT_EQ(moved.z, 0.0);
            }
        }
    }
}

}  // namespace
