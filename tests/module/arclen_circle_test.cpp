// circleThrough3Points: known circles in and out of the XY plane, the exact-zero failures, and
// invariants (the centre is equidistant and in the plane; the order of the points does not
// matter).
#include "arclen/CircleThrough3Points.h"
#include "module_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using P = AcGePoint3d;

struct CircleCase {
    const char* description;
    P p1, p2, p3;
    P center;
    double radius;
};

void PrintTo(const CircleCase& c, std::ostream* os) { *os << c.description; }

class CircleThroughKnownPoints : public ::testing::TestWithParam<CircleCase> {};

TEST_P(CircleThroughKnownPoints, FindsCentreAndRadius)
{
    const CircleCase& c = GetParam();
    double radius = 0.0;
    P center;
    ASSERT_TRUE(circleThrough3Points(c.p1, c.p2, c.p3, radius, center)) << c.description;
    EXPECT_NEAR(center.distanceTo(c.center), 0.0, 1e-12) << c.description << ": " << center;
    EXPECT_NEAR(radius, c.radius, 1e-12) << c.description;
}

INSTANTIATE_TEST_SUITE_P(
    ArcLen, CircleThroughKnownPoints,
    ::testing::Values(
        CircleCase{"unit circle", P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0), P(0, 0, 0), 1.0},
        CircleCase{"long way round", P(1, 0, 0), P(0, -1, 0), P(0, 1, 0), P(0, 0, 0), 1.0},
        CircleCase{"off the origin", P(3, 1, 5), P(1, 3, 5), P(-1, 1, 5), P(1, 1, 5), 2.0},
        CircleCase{"vertical plane", P(0, 2, 7), P(0, -1, 10), P(0, -4, 7), P(0, -1, 7), 3.0},
        CircleCase{"tilted plane", P(3, 2, 3), P(1, 2 + 1.2, 3 + 1.6), P(-1, 2, 3), P(1, 2, 3),
                   2.0}));

struct DegenerateCase {
    const char* description;
    P p1, p2, p3;
};

void PrintTo(const DegenerateCase& c, std::ostream* os) { *os << c.description; }

class CircleThroughDegeneratePoints : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(CircleThroughDegeneratePoints, FailsAndWritesNothing)
{
    const DegenerateCase& c = GetParam();
    double radius = -1.0;
    P center(-7, -7, -7);
    EXPECT_FALSE(circleThrough3Points(c.p1, c.p2, c.p3, radius, center)) << c.description;
    EXPECT_EQ(radius, -1.0) << c.description;
    EXPECT_EQ(center, P(-7, -7, -7)) << c.description;
}

INSTANTIATE_TEST_SUITE_P(
    ArcLen, CircleThroughDegeneratePoints,
    ::testing::Values(DegenerateCase{"collinear", P(0, 0, 0), P(1, 0, 0), P(2, 0, 0)},
                      DegenerateCase{"collinear in space", P(1, 1, 1), P(2, 3, 4), P(3, 5, 7)},
                      DegenerateCase{"first equals second", P(1, 1, 0), P(1, 1, 0), P(2, 3, 0)},
                      DegenerateCase{"first equals third", P(1, 1, 0), P(2, 3, 0), P(1, 1, 0)},
                      DegenerateCase{"second equals third", P(1, 1, 0), P(2, 3, 0), P(2, 3, 0)},
                      DegenerateCase{"all equal", P(4, 4, 4), P(4, 4, 4), P(4, 4, 4)}));

TEST(CircleThrough3Points, NearlyCollinearPointsGiveAVeryLargeCircle)
{
    double radius = 0.0;
    P center;
    ASSERT_TRUE(circleThrough3Points(P(0, 0, 0), P(1, 1e-9, 0), P(2, 0, 0), radius, center));
    EXPECT_GT(radius, 1e8);
}

TEST(CircleThrough3Points, CentreIsEquidistantInThePlaneWhateverTheOrder)
{
    const P c(10.5, -3.25, 2.0);
    const AcGeVector3d u = AcGeVector3d(1, 2, 2) / 3.0;
    const AcGeVector3d v = AcGeVector3d(2, 1, -2) / 3.0;  // perpendicular unit vectors
    const double r = 7.5;
    auto onCircle = [&](double angle) {
        return c + u * (r * std::cos(angle)) + v * (r * std::sin(angle));
    };
    for (double a1 = 0.1; a1 < 6.2; a1 += 1.3)
        for (double step = 0.4; step < 2.9; step += 0.7) {
            const P points[3] = {onCircle(a1), onCircle(a1 + step), onCircle(a1 + 2.1 * step)};
            const int orders[][3] = {{0, 1, 2}, {1, 2, 0}, {2, 1, 0}};
            for (const auto& order : orders) {
                double radius = 0.0;
                P center;
                ASSERT_TRUE(circleThrough3Points(points[order[0]], points[order[1]],
                                                 points[order[2]], radius, center));
                EXPECT_NEAR(center.distanceTo(c), 0.0, 1e-9) << a1 << ' ' << step;
                EXPECT_NEAR(radius, r, 1e-9);
                for (const P& p : points)
                    EXPECT_NEAR(p.distanceTo(center), radius, 1e-9);
            }
        }
}

}  // namespace
