// collinearRatio, isSameDirection, polarAngle, angleAboutAxis, arcSweepAngle and
// arcOrientation: their conventions on parallel, opposite and zero vectors, the strict
// comparisons, and invariants over many directions.
#include "geometry/Primitives.h"
#include "module_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using V = AcGeVector3d;

constexpr double kAngleTolerance = 1e-12;

V onUnitCircle(double angle) { return V(std::cos(angle), std::sin(angle), 0.0); }

// ---- collinearRatio -------------------------------------------------------------------------

struct RatioCase {
    V a;
    V b;
    bool expectedResult;
    double expectedK;  ///< the k expected; the sentinel when k must stay unwritten
};

void PrintTo(const RatioCase& c, std::ostream* os) { *os << c.a << ' ' << c.b; }

constexpr double kUnwritten = -777.0;

class CollinearRatioTable : public ::testing::TestWithParam<RatioCase> {};

TEST_P(CollinearRatioTable, GivesResultAndRatio)
{
    const RatioCase& c = GetParam();
    double k = kUnwritten;
    EXPECT_EQ(collinearRatio(c.a, c.b, k), c.expectedResult) << c.a << ' ' << c.b;
    EXPECT_DOUBLE_EQ(k, c.expectedK) << c.a << ' ' << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, CollinearRatioTable,
    ::testing::Values(RatioCase{V(1, 0, 0), V(-3, 0, 0), true, -3.0},
                      RatioCase{V(2, 0, 0), V(1, 0, 0), true, 0.5},
                      RatioCase{V(0, 0, 0), V(0, 0, 0), true, 1.0},
                      RatioCase{V(0, 0, 0), V(1, 0, 0), false, 0.0},
                      RatioCase{V(1, 0, 0), V(0, 0, 0), false, 0.0},
                      RatioCase{V(1, 0, 0), V(0, 1, 0), false, kUnwritten},
                      RatioCase{V(1, 2, 3), V(2, 4, 6), true, 2.0},
                      RatioCase{V(1, 2, 3), V(-0.5, -1, -1.5), true, -0.5},
                      RatioCase{V(1, 1, 0), V(1, 1.001, 0), false, kUnwritten}));

TEST(CollinearRatio, TestsTheFirstVectorAgainstTheGlobalToleranceAndTheSecondAgainstTheStrictOne)
{
    // 1e-11 is zero for the strict tolerance (1e-10) but not for the global one (1e-12).
    const V tiny(1e-11, 0, 0);
    double k = kUnwritten;
    EXPECT_FALSE(collinearRatio(V(1, 0, 0), tiny, k));
    EXPECT_EQ(k, 0.0);
    // As the first vector it is not zero, so it reaches the strict parallel test, which fails
    // and leaves k as it was.
    k = kUnwritten;
    EXPECT_FALSE(collinearRatio(tiny, V(1, 0, 0), k));
    EXPECT_EQ(k, kUnwritten);
}

TEST(CollinearRatio, RatioOfTheSwappedPairIsTheReciprocal)
{
    const V directions[] = {V(1, 0, 0), V(0.3, -2, 5), V(-1, -1, 1), V(4, 0.5, -0.25)};
    const double factors[] = {-7.5, -1.0, -0.01, 0.02, 1.0, 3.0, 250.0};
    for (const V& a : directions)
        for (double f : factors) {
            double k = 0.0;
            double reverse = 0.0;
            ASSERT_TRUE(collinearRatio(a, a * f, k)) << a << " * " << f;
            ASSERT_TRUE(collinearRatio(a * f, a, reverse)) << a << " * " << f;
            EXPECT_NEAR(k, f, 1e-12 * std::fabs(f));
            EXPECT_NEAR(k * reverse, 1.0, 1e-12);
        }
}

// ---- isSameDirection ------------------------------------------------------------------------

struct SameDirectionCase {
    V a;
    V b;
    bool expected;
};

void PrintTo(const SameDirectionCase& c, std::ostream* os) { *os << c.a << ' ' << c.b; }

class IsSameDirectionTable : public ::testing::TestWithParam<SameDirectionCase> {};

TEST_P(IsSameDirectionTable, IsTrueForPositiveMultiplesOnly)
{
    EXPECT_EQ(isSameDirection(GetParam().a, GetParam().b), GetParam().expected)
        << GetParam().a << ' ' << GetParam().b;
}

INSTANTIATE_TEST_SUITE_P(Primitives, IsSameDirectionTable,
                         ::testing::Values(SameDirectionCase{V(1, 0, 0), V(5, 0, 0), true},
                                           SameDirectionCase{V(1, 0, 0), V(-5, 0, 0), false},
                                           SameDirectionCase{V(0, 0, 0), V(0, 0, 0), true},
                                           SameDirectionCase{V(0, 0, 0), V(1, 0, 0), false},
                                           SameDirectionCase{V(1, 0, 0), V(0, 0, 0), false},
                                           SameDirectionCase{V(1, 0, 0), V(1, 1, 0), false}));

// ---- polarAngle -----------------------------------------------------------------------------

struct PolarCase {
    V v;
    double expected;
};

void PrintTo(const PolarCase& c, std::ostream* os) { *os << c.v; }

class PolarAngleTable : public ::testing::TestWithParam<PolarCase> {};

TEST_P(PolarAngleTable, MeasuresFromPlusXTowardsPlusY)
{
    EXPECT_NEAR(polarAngle(GetParam().v), GetParam().expected, kAngleTolerance) << GetParam().v;
}

INSTANTIATE_TEST_SUITE_P(Primitives, PolarAngleTable,
                         ::testing::Values(PolarCase{V(1, 0, 0), 0.0},
                                           PolarCase{V(0, 1, 0), kPi / 2},
                                           PolarCase{V(-1, 0, 0), kPi},
                                           PolarCase{V(0, -1, 0), 3 * kPi / 2},
                                           PolarCase{V(-1, -1, 0), 5 * kPi / 4},
                                           PolarCase{V(1, -1, 0), 7 * kPi / 4},
                                           PolarCase{V(0, 0, 0), 0.0},
                                           PolarCase{V(2, 2, 9), kPi / 4}));

TEST(PolarAngle, VectorAlongZIsNotANumber)
{
    EXPECT_TRUE(std::isnan(polarAngle(V(0, 0, 5))));
}

TEST(PolarAngle, StaysInRangeAndFollowsTheDirectionRoundTheCircle)
{
    for (int step = 0; step < 720; ++step) {
        const double angle = step * kTwoPi / 720;
        const double measured = polarAngle(onUnitCircle(angle) * 3.5);
        EXPECT_GE(measured, 0.0);
        EXPECT_LT(measured, kTwoPi);
        const double difference = std::remainder(measured - angle, kTwoPi);
        EXPECT_NEAR(difference, 0.0, 1e-9) << "angle " << angle;
    }
}

// ---- angleAboutAxis -------------------------------------------------------------------------

struct AboutAxisCase {
    V from;
    V to;
    V axis;
    int direction;
    double expected;
};

void PrintTo(const AboutAxisCase& c, std::ostream* os)
{
    *os << c.from << " to " << c.to << " about " << c.axis << " sense " << c.direction;
}

class AngleAboutAxisTable : public ::testing::TestWithParam<AboutAxisCase> {};

TEST_P(AngleAboutAxisTable, TurnsInTheDirectionAsked)
{
    const AboutAxisCase& c = GetParam();
    EXPECT_NEAR(angleAboutAxis(c.from, c.to, c.axis, c.direction), c.expected, kAngleTolerance)
        << c.from << " -> " << c.to << " about " << c.axis << " direction " << c.direction;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, AngleAboutAxisTable,
    ::testing::Values(AboutAxisCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, 1), 1, kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, 1), -1, 3 * kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, 1), 0, 3 * kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, 1), 5, kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, -1), 1, 3 * kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(2, 0, 0), V(0, 0, 1), 1, 0.0},
                      AboutAxisCase{V(1, 0, 0), V(2, 0, 0), V(0, 0, 1), -1, 0.0},
                      AboutAxisCase{V(1, 0, 0), V(-2, 0, 0), V(0, 0, 1), 1, kPi},
                      AboutAxisCase{V(1, 0, 0), V(-2, 0, 0), V(0, 0, 1), -1, kPi},
                      AboutAxisCase{V(0, 0, 1), V(1, 0, 0), V(0, 1, 0), 1, kPi / 2},
                      AboutAxisCase{V(1, 0, 0), V(0, 1, 7), V(0, 0, 1), 1, kPi / 2}));

TEST(AngleAboutAxis, BothSensesAddUpToAFullTurnAndFlipWithTheAxis)
{
    const V axis(0.2, -0.3, 1.0);
    const V from = V(1, 0, 0).orthoProject(axis);
    for (int step = 1; step < 36; ++step) {
        const double angle = step * kTwoPi / 36;
        if (step == 18)
            continue;  // opposite vectors give pi in either sense
        const V to = V(std::cos(angle), std::sin(angle), 0.4).orthoProject(axis);
        const double ccw = angleAboutAxis(from, to, axis, 1);
        const double cw = angleAboutAxis(from, to, axis, -1);
        EXPECT_NEAR(ccw + cw, kTwoPi, 1e-12) << step;
        EXPECT_NEAR(angleAboutAxis(from, to, -axis, -1), ccw, 1e-12) << step;
        EXPECT_GT(ccw, 0.0);
        EXPECT_LT(ccw, kTwoPi);
    }
}

// ---- arcSweepAngle --------------------------------------------------------------------------

struct SweepCase {
    V start;
    V end;
    V through;
    double expected;
};

void PrintTo(const SweepCase& c, std::ostream* os)
{
    *os << c.start << " to " << c.end << " through " << c.through;
}

class ArcSweepAngleTable : public ::testing::TestWithParam<SweepCase> {};

TEST_P(ArcSweepAngleTable, TakesTheWayThroughThePoint)
{
    const SweepCase& c = GetParam();
    EXPECT_NEAR(arcSweepAngle(c.start, c.end, c.through), c.expected, kAngleTolerance)
        << c.start << " -> " << c.end << " through " << c.through;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, ArcSweepAngleTable,
    ::testing::Values(
        SweepCase{V(1, 0, 0), V(0, 1, 0), V(1, 1, 0), kPi / 2},
        SweepCase{V(1, 0, 0), V(0, 1, 0), V(-1, -1, 0), 3 * kPi / 2},
        // through exactly in the direction of end: the strict comparison takes the long way
        SweepCase{V(1, 0, 0), V(0, 1, 0), V(0, 2, 0), 3 * kPi / 2},
        // through exactly in the direction of start: the short way
        SweepCase{V(1, 0, 0), V(0, 1, 0), V(1, 0, 0), kPi / 2},
        SweepCase{V(1, 0, 0), V(1, 0, 0), V(1, 0, 0), 0.0},
        SweepCase{V(1, 0, 0), V(3, 0, 0), V(2, 0, 0), 0.0},
        SweepCase{V(1, 0, 0), V(1, 0, 0), V(0, 1, 0), kTwoPi},
        SweepCase{V(1, 0, 0), V(1, 0, 0), V(-1, 0, 0), kTwoPi},
        SweepCase{V(1, 0, 0), V(-1, 0, 0), V(0, 1, 0), kPi},
        SweepCase{V(1, 0, 0), V(-1, 0, 0), V(0, -1, 0), kPi},
        SweepCase{V(1, 0, 0), V(-1, 0, 0), V(0, 0, 1), kPi},
        SweepCase{V(0, 0, 2), V(0, 2, 0), V(0, 1, 1), kPi / 2}));

TEST(ArcSweepAngle, PointsOnEitherSideSplitTheFullTurn)
{
    for (int s = 0; s < 12; ++s)
        for (int e = 1; e < 12; ++e) {
            if (e == 6)
                continue;  // opposite ends give pi for both sides
            const double startAngle = s * kTwoPi / 12;
            const double endAngle = startAngle + e * kTwoPi / 12;
            const V start = onUnitCircle(startAngle) * 2.0;
            const V end = onUnitCircle(endAngle) * 2.0;
            const V onShortSide = onUnitCircle((startAngle + endAngle) / 2);
            const V onOtherSide = -onShortSide;
            const double sweep = arcSweepAngle(start, end, onShortSide);
            const double other = arcSweepAngle(start, end, onOtherSide);
            EXPECT_NEAR(sweep + other, kTwoPi, 1e-12) << s << ' ' << e;
            // going from the end back to the start through the same point sweeps the same arc
            EXPECT_NEAR(arcSweepAngle(end, start, onShortSide), sweep, 1e-12) << s << ' ' << e;
            EXPECT_NEAR(sweep, e * kTwoPi / 12, 1e-12) << s << ' ' << e;
        }
}

// ---- arcOrientation -------------------------------------------------------------------------

struct OrientationCase {
    V start;
    V end;
    V through;
    V normal;
    int expected;
};

void PrintTo(const OrientationCase& c, std::ostream* os)
{
    *os << c.start << " to " << c.end << " through " << c.through << " about " << c.normal;
}

class ArcOrientationTable : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(ArcOrientationTable, GivesTheSenseAboutTheNormal)
{
    const OrientationCase& c = GetParam();
    EXPECT_EQ(arcOrientation(c.start, c.end, c.through, c.normal), c.expected)
        << c.start << " -> " << c.end << " through " << c.through << " about " << c.normal;
}

const V kUp(0, 0, 1);
const V kDown(0, 0, -1);

INSTANTIATE_TEST_SUITE_P(
    Primitives, ArcOrientationTable,
    ::testing::Values(OrientationCase{V(1, 0, 0), V(0, 1, 0), V(1, 1, 0), kUp, 1},
                      OrientationCase{V(1, 0, 0), V(0, 1, 0), V(-1, -1, 0), kUp, -1},
                      OrientationCase{V(1, 0, 0), V(0, 1, 0), V(1, 1, 0), kDown, -1},
                      OrientationCase{V(1, 0, 0), V(-1, 0, 0), V(0, 1, 0), kUp, 1},
                      OrientationCase{V(1, 0, 0), V(-1, 0, 0), V(0, -1, 0), kUp, -1},
                      OrientationCase{V(1, 0, 0), V(-1, 0, 0), V(0, 1, 0), kDown, -1},
                      OrientationCase{V(1, 0, 0), V(-1, 0, 0), V(3, 0, 0), kUp, 0},
                      OrientationCase{V(1, 0, 0), V(-1, 0, 0), V(-3, 0, 0), kUp, 0},
                      OrientationCase{V(1, 0, 0), V(2, 0, 0), V(0, 1, 0), kUp, 0},
                      OrientationCase{V(0, 0, 0), V(0, 1, 0), V(1, 1, 0), kUp, 0},
                      OrientationCase{V(1, 0, 0), V(0, 0, 0), V(1, 1, 0), kUp, 0},
                      OrientationCase{V(1, 0, 0), V(0, 1, 0), V(0, 0, 0), kUp, 0},
                      OrientationCase{V(1, 0, 0), V(0, 1, 0), V(1, 1, 0), V(0, 0, 0), 0}));

TEST(ArcOrientation, ReversesWithTheNormalAndWithTheEnds)
{
    for (int s = 0; s < 8; ++s)
        for (int e = 1; e < 8; ++e) {
            if (e == 4)
                continue;
            const double startAngle = s * kTwoPi / 8 + 0.1;
            const double endAngle = startAngle + e * kTwoPi / 8;
            const V start = onUnitCircle(startAngle);
            const V end = onUnitCircle(endAngle);
            const V through = onUnitCircle((startAngle + endAngle) / 2);
            // the point half way counterclockwise from start to end: a counterclockwise arc
            EXPECT_EQ(arcOrientation(start, end, through, kUp), 1) << s << ' ' << e;
            EXPECT_EQ(arcOrientation(start, end, through, kDown), -1) << s << ' ' << e;
            EXPECT_EQ(arcOrientation(end, start, through, kUp), -1) << s << ' ' << e;
            EXPECT_EQ(arcOrientation(start, end, -through, kUp), -1) << s << ' ' << e;
        }
}

}  // namespace
