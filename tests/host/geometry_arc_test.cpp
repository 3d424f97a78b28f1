// Circular arcs through three points and line segments: centres, ends, orientation, the
// degenerate case, points on them and nearest points.
#include "acge.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, double tol = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

AcGePoint3d onCircle(const AcGePoint3d& center, double radius, double degrees)
{
    const double a = degrees * kPi / 180.0;
    return center + AcGeVector3d(std::cos(a), std::sin(a), 0.0) * radius;
}

struct ThreePointCase {
    double startDeg, middleDeg, endDeg;
    double sweepDeg;  ///< the way from start through middle to end
};

class ArcThroughThreePoints : public ::testing::TestWithParam<ThreePointCase> {};

TEST_P(ArcThroughThreePoints, FindsCentreRadiusEndsAndSweep)
{
    const ThreePointCase& c = GetParam();
    const AcGePoint3d center(3, -2, 1.5);
    const double radius = 4.25;
    const AcGePoint3d s = onCircle(center, radius, c.startDeg);
    const AcGePoint3d m = onCircle(center, radius, c.middleDeg);
    const AcGePoint3d e = onCircle(center, radius, c.endDeg);
    const AcGeCircArc3d arc(s, m, e);
    expectNear(arc.center(), center, 1e-11);
    EXPECT_NEAR(arc.radius(), radius, 1e-11);
    expectNear(arc.startPoint(), s, 1e-11);
    expectNear(arc.endPoint(), e, 1e-11);
    EXPECT_NEAR((arc.endAng() - arc.startAng()) * 180.0 / kPi, c.sweepDeg, 1e-9);
    EXPECT_TRUE(arc.isOn(m));
    EXPECT_NEAR(arc.length(), radius * c.sweepDeg * kPi / 180.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Arcs, ArcThroughThreePoints,
                         ::testing::Values(ThreePointCase{0, 45, 90, 90},
                                           ThreePointCase{90, 45, 0, 90},     // clockwise
                                           ThreePointCase{0, 200, 90, 270},   // long way
                                           ThreePointCase{10, 180, 350, 340},
                                           ThreePointCase{350, 0, 10, 20}));

TEST(GeometryArc, ASmallFlatArcKeepsAUnitNormalAndItsSweep)
{
    // Two degrees of a circle of radius 1e-4: the cross product of its chords is far below
    // the host's zero-length tolerance, yet the points lie on no line.
    for (const double radius : {1e-4, 1.0}) {
        const AcGePoint3d center(2.5, -1.3, 0.0);
        const AcGeCircArc3d arc(onCircle(center, radius, 10), onCircle(center, radius, 11),
                                onCircle(center, radius, 12));
        EXPECT_NEAR(arc.normal().length(), 1.0, 1e-12) << radius;
        EXPECT_NEAR(arc.radius(), radius, 1e-6 * radius) << radius;
        EXPECT_NEAR((arc.endAng() - arc.startAng()) * 180.0 / kPi, 2.0, 1e-6) << radius;
    }
}

TEST(GeometryArc, ClockwisePointsGiveTheReversedNormal)
{
    const AcGeCircArc3d ccw(AcGePoint3d(1, 0, 0), AcGePoint3d(0, 1, 0), AcGePoint3d(-1, 0, 0));
    const AcGeCircArc3d cw(AcGePoint3d(1, 0, 0), AcGePoint3d(0, -1, 0), AcGePoint3d(-1, 0, 0));
    EXPECT_TRUE(ccw.normal().isEqualTo(AcGeVector3d::kZAxis));
    EXPECT_TRUE(cw.normal().isEqualTo(-AcGeVector3d::kZAxis));
}

TEST(GeometryArc, CollinearOrCoincidentPointsGiveADegenerateArcAtTheStart)
{
    const AcGePoint3d a(1, 1, 0);
    for (const AcGeCircArc3d& arc :
         {AcGeCircArc3d(a, AcGePoint3d(2, 2, 0), AcGePoint3d(3, 3, 0)),
          AcGeCircArc3d(a, a, AcGePoint3d(3, 0, 0)),
          AcGeCircArc3d(a, AcGePoint3d(3, 0, 0), a)}) {
        EXPECT_EQ(arc.radius(), 0.0);
        EXPECT_EQ(arc.center(), a);
    }
}

TEST(GeometryArc, IsOnOnlyWithinTheBoundedArc)
{
    // The quarter from 0 to 90 degrees of the unit circle about the origin.
    const AcGeCircArc3d arc(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, AcGeVector3d::kXAxis, 1.0,
                            0.0, kPi / 2);
    EXPECT_TRUE(arc.isOn(onCircle(AcGePoint3d::kOrigin, 1.0, 30)));
    EXPECT_FALSE(arc.isOn(onCircle(AcGePoint3d::kOrigin, 1.0, 120)));
    EXPECT_FALSE(arc.isOn(onCircle(AcGePoint3d::kOrigin, 1.0 + 1e-9, 30)));
    EXPECT_FALSE(arc.isOn(AcGePoint3d(std::sqrt(0.5), std::sqrt(0.5), 1e-9)));
}

TEST(GeometryArc, ClosestPointIsRadialInsideAndAnEndOutside)
{
    const AcGeCircArc3d arc(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, AcGeVector3d::kXAxis, 2.0,
                            0.0, kPi / 2);
    const double diagonal = std::sqrt(2.0);
    expectNear(arc.closestPointTo(AcGePoint3d(3, 3, 5)), AcGePoint3d(diagonal, diagonal, 0));
    expectNear(arc.closestPointTo(AcGePoint3d(1, -5, 0)), AcGePoint3d(2, 0, 0));
    expectNear(arc.closestPointTo(AcGePoint3d(-5, 1, 0)), AcGePoint3d(0, 2, 0));
}

TEST(GeometryArc, EvalPointFollowsTheReferenceVectorAndNormal)
{
    const AcGeCircArc3d arc(AcGePoint3d(1, 1, 1), AcGeVector3d(0, 0, -1), AcGeVector3d(0, 1, 0),
                            2.0, 0.0, kPi);
    // About -Z, turning +90 degrees from +Y goes to +X.
    expectNear(arc.evalPoint(kPi / 2), AcGePoint3d(3, 1, 1));
}

TEST(GeometryLineSegment, IsOnAndClosestPointRespectTheEnds)
{
    const AcGeLineSeg3d seg(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    EXPECT_TRUE(seg.isOn(AcGePoint3d(5, 0, 0)));
    EXPECT_TRUE(seg.isOn(AcGePoint3d(5, 1e-11, 0)));
    EXPECT_FALSE(seg.isOn(AcGePoint3d(5, 1e-9, 0)));
    EXPECT_FALSE(seg.isOn(AcGePoint3d(10.001, 0, 0)));
    expectNear(seg.closestPointTo(AcGePoint3d(-3, 4, 0)), AcGePoint3d(0, 0, 0));
    expectNear(seg.closestPointTo(AcGePoint3d(4, 4, 4)), AcGePoint3d(4, 0, 0));
    EXPECT_EQ(seg.length(), 10.0);
}

}  // namespace
