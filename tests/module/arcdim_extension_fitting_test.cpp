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

/// A jig holding a result dimension from X1 through the arc point to X2, as the selection
/// leaves it, and the two picked points.
class FittingJig {
public:
    FittingJig(double firstEnd, double secondEnd, double arcPoint, const AcGePoint3d& pick1,
               const AcGePoint3d& pick2)
    {
        m_jig.m_pResultDim = new AcDb3PointAngularDimension(
            kCenter, atAngle(firstEnd, kArcRadius), atAngle(secondEnd, kArcRadius),
            atAngle(arcPoint, kDimensionLineRadius));
        m_jig.m_center = kCenter;
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
    double arcPoint;     ///< degrees; the dimension runs from 0 through it to 90
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
    FittingJig fitting(0.0, 90.0, c.arcPoint, atAngle(c.pick1, kPickRadius),
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
        FittingCase{"BothInside", 45, 10, 80, false, {10, kPickRadius}, {80, kPickRadius}, 45},
        FittingCase{"SecondBeyondTheEnd", 45, 10, 100, true, {10, kPickRadius}, {90, kArcRadius},
                    45},
        FittingCase{"FirstBeforeTheStart", 45, 350, 80, true, {0, kArcRadius}, {80, kPickRadius},
                    45},
        FittingCase{"BothOutside", 45, 330, 120, true, {0, kArcRadius}, {90, kArcRadius}, 45},
        FittingCase{"ArcPointBeforeFirstPick", 5, 10, 80, false, {10, kPickRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"ArcPointAfterSecondPick", 88, 10, 80, false, {10, kPickRadius},
                    {80, kPickRadius}, 45},
        FittingCase{"ReverseOrder", 45, 80, 10, false, {80, kPickRadius}, {10, kPickRadius}, 45},
        FittingCase{"ReverseOrderArcPointOutside", 85, 60, 20, false, {60, kPickRadius},
                    {20, kPickRadius}, 40},
        FittingCase{"PickAtTheEndIsInside", 45, 30, 90, false, {30, kPickRadius},
                    {90, kPickRadius}, 45},
        // The dimension running the long way, clockwise from 0 through 300 to 90.
        FittingCase{"LongWayInsideArcPointMoves", 300, 120, 200, false, {120, kPickRadius},
                    {200, kPickRadius}, 160},
        // An arc point on an extension line, as after a drag ended with Enter: the dimension
        // spans the quarter arc it is drawn on.
        FittingCase{"ArcPointOnTheSecondEnd", 90, 15, 75, false, {15, kPickRadius},
                    {75, kPickRadius}, 45},
        FittingCase{"ArcPointOnTheFirstEnd", 0, 15, 75, false, {15, kPickRadius},
                    {75, kPickRadius}, 45},
        FittingCase{"ArcPointOnTheSecondEndPickBeyond", 90, 15, 120, true, {15, kPickRadius},
                    {90, kArcRadius}, 90},
        // Picks more than half a turn apart: the middle lies against their sum.
        FittingCase{"LongWayWideSpanArcPointMoves", 355, 350, 100, false, {350, kPickRadius},
                    {100, kPickRadius}, 225},
        FittingCase{"LongWayFirstBeforeTheStart", 300, 10, 100, true, {0, kArcRadius},
                    {100, kPickRadius}, 300}),
    [](const ::testing::TestParamInfo<FittingCase>& info) { return std::string(info.param.name); });

TEST_F(ExtensionFitting, APickExactlyAtAnArcEndCountsAsInside)
{
    FittingJig fitting(0.0, 90.0, 45.0, atAngle(20.0, kPickRadius), atAngle(90.0, kArcRadius));
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(90.0, kArcRadius));
}

TEST_F(ExtensionFitting, AnArcPointExactlyInAPickedDirectionStays)
{
    CKotaDP jig;
    jig.m_pResultDim = new AcDb3PointAngularDimension(kCenter, kCenter + AcGeVector3d(2, 0, 0),
                                                      kCenter + AcGeVector3d(0, 2, 0),
                                                      kCenter + AcGeVector3d(2, 2, 0));
    jig.m_center = kCenter;
    jig.m_pick1 = kCenter + AcGeVector3d(1, 1, 0);
    jig.m_pick2 = kCenter + AcGeVector3d(0.5, 1.5, 0);
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(jig, replaced), 0);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(jig.m_pResultDim->arcPoint(), kCenter + AcGeVector3d(2, 2, 0));
}

TEST_F(ExtensionFitting, APickAtTheCentreChangesNothing)
{
    for (int which = 1; which <= 2; ++which) {
        const AcGePoint3d inside = atAngle(30.0, kPickRadius);
        FittingJig fitting(0.0, 90.0, 45.0, which == 1 ? kCenter : inside,
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
    FittingJig fitting(0.0, 90.0, 45.0, atAngle(30.0, kPickRadius), nearCenter);
    bool replaced = true;
    EXPECT_EQ(fitExtensionLines(fitting.jig(), replaced), kFitPickAtCenter);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(fitting.jig().m_pick2, nearCenter);
    EXPECT_EQ(fitting.dimension().xLine2Point(), atAngle(90.0, kArcRadius));

    FittingJig outside(0.0, 90.0, 45.0, atAngle(30.0, kPickRadius),
                       kCenter + AcGeVector3d(0.0, 2e-10, 0.0));
    EXPECT_EQ(fitExtensionLines(outside.jig(), replaced), 0);
}

TEST_F(ExtensionFitting, WithoutAResultDimensionReportsItAndLeavesTheFlag)
{
    CKotaDP jig;
    bool replaced = true;
    EXPECT_EQ(fitExtensionLines(jig, replaced), kFitNoResultDimension);
    EXPECT_TRUE(replaced);
}

TEST_F(ExtensionFitting, AnOutsidePointGoesToTheNearerEnd)
{
    // Outside the quarter arc, the far side is split at 225 degrees between the two ends.
    for (double degrees = 100.0; degrees < 360.0; degrees += 10.0) {
        FittingJig fitting(0.0, 90.0, 45.0, atAngle(30.0, kPickRadius),
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
    struct TieCase {
        AcGeVector3d toSecondEnd;
        AcGeVector3d toArcPoint;
        AcGeVector3d toOutsidePick;
    };
    // A quarter arc with a pick at 225 degrees, a half arc with a pick at 270 degrees.
    const TieCase cases[] = {{{0, 2, 0}, {3, 3, 0}, {-1.5, -1.5, 0}},
                             {{-2, 0, 0}, {0, 3, 0}, {0, -1.5, 0}}};
    for (const TieCase& c : cases) {
        for (bool outsideFirst : {true, false}) {
            CKotaDP jig;
            jig.m_pResultDim = new AcDb3PointAngularDimension(
                kCenter, kCenter + AcGeVector3d(2, 0, 0), kCenter + c.toSecondEnd,
                kCenter + c.toArcPoint);
            jig.m_center = kCenter;
            const AcGePoint3d inside = kCenter + (c.toArcPoint * 0.5);
            jig.m_pick1 = outsideFirst ? kCenter + c.toOutsidePick : inside;
            jig.m_pick2 = outsideFirst ? inside : kCenter + c.toOutsidePick;
            bool replaced = false;
            ASSERT_EQ(fitExtensionLines(jig, replaced), 0);
            EXPECT_TRUE(replaced);
            const AcGePoint3d replacedPoint = outsideFirst ? jig.m_pick1 : jig.m_pick2;
            EXPECT_EQ(replacedPoint, kCenter + c.toSecondEnd) << c.toOutsidePick;
        }
    }
}

TEST_F(ExtensionFitting, AHalfCircleWithItsArcPointOnAnEndRunsCounterclockwise)
{
    // Opposite extension lines and the arc point on the second: the dimension is drawn
    // counterclockwise about the working plane's normal, through 90 degrees.
    CKotaDP jig;
    jig.m_pResultDim = new AcDb3PointAngularDimension(kCenter, kCenter + AcGeVector3d(2, 0, 0),
                                                      kCenter + AcGeVector3d(-2, 0, 0),
                                                      kCenter + AcGeVector3d(-3, 0, 0));
    jig.m_center = kCenter;
    jig.m_pick1 = atAngle(30.0, kPickRadius);
    jig.m_pick2 = atAngle(150.0, kPickRadius);
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(jig, replaced), 0);
    EXPECT_FALSE(replaced);
    expectAt(jig.m_pResultDim->arcPoint(), {90.0, kDimensionLineRadius}, "arcPoint");
}

TEST_F(ExtensionFitting, MirroredArcGivesMirroredResult)
{
    // The same case turned the other way round: a dimension from 0 clockwise to -90.
    FittingJig fitting(0.0, 270.0, 355.0, atAngle(350.0, kPickRadius), atAngle(280.0, kPickRadius));
    bool replaced = true;
    ASSERT_EQ(fitExtensionLines(fitting.jig(), replaced), 0);
    EXPECT_FALSE(replaced);
    expectAt(fitting.dimension().arcPoint(), {315.0, kDimensionLineRadius}, "arcPoint");
}

// Picks in exactly opposite directions at equal distances: their sum gives no direction, so
// the arc point goes a quarter turn on from the first pick met, in the dimension's sense.
TEST_F(ExtensionFitting, OppositePicksPutTheArcPointAQuarterTurnOn)
{
    const AcGeVector3d half(1.2, -0.9, 0.0);  // at about 323.13 degrees
    const double firstPick = std::atan2(half.y, half.x) / kDegree + 360.0;
    const double expected = (firstPick - 90.0) * kDegree;
    // At the origin the two picks are exactly opposite; elsewhere they are so up to rounding.
    // With the arc point far out the normal is chosen along the dimension's sense, close in
    // against it, so both senses of the quarter turn are taken.
    for (const AcGePoint3d& center : {AcGePoint3d::kOrigin, kCenter}) {
        for (double distance : {3.0, 1.0}) {
            // The long way clockwise from 0 through 340 to 90; the arc point lies before the
            // first pick.
            CKotaDP jig;
            const AcGeVector3d toArcPoint(distance * std::cos(340.0 * kDegree),
                                          distance * std::sin(340.0 * kDegree), 0.0);
            jig.m_pResultDim = new AcDb3PointAngularDimension(
                center, center + AcGeVector3d(2, 0, 0), center + AcGeVector3d(0, 2, 0),
                center + toArcPoint);
            jig.m_center = center;
            jig.m_pick1 = center + half;
            jig.m_pick2 = center - half;
            bool replaced = true;
            ASSERT_EQ(fitExtensionLines(jig, replaced), 0);
            EXPECT_FALSE(replaced);
            const AcGeVector3d moved = jig.m_pResultDim->arcPoint() - center;
            ASSERT_TRUE(std::isfinite(moved.x) && std::isfinite(moved.y) &&
                        std::isfinite(moved.z));
            EXPECT_NEAR(moved.x, distance * std::cos(expected), 1e-9) << distance;
            EXPECT_NEAR(moved.y, distance * std::sin(expected), 1e-9) << distance;
            EXPECT_EQ(moved.z, 0.0);
        }
    }
}

}  // namespace
