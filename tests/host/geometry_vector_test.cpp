// Vectors and points of the host's geometry library: the tolerance rules for equality,
// parallelism and zero length, and normalisation.
#include "acge.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ParallelCase {
    const char* what;
    AcGeVector3d a;
    AcGeVector3d b;
    bool parallel;
};

class ParallelTest : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelTest, FollowsTheUnitVectorRule)
{
    const ParallelCase& c = GetParam();
    EXPECT_EQ(c.a.isParallelTo(c.b), c.parallel) << c.what;
    EXPECT_EQ(c.b.isParallelTo(c.a), c.parallel) << c.what << " (reversed)";
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ParallelTest,
    ::testing::Values(
        ParallelCase{"same direction, other length", {1, 2, 3}, {2, 4, 6}, true},
        ParallelCase{"opposite direction", {0, 0, 1}, {0, 0, -5}, true},
        ParallelCase{"perpendicular", {1, 0, 0}, {0, 1, 0}, false},
        ParallelCase{"off by 1e-13 rad", {1, 0, 0}, {1, 1e-13, 0}, true},
        ParallelCase{"off by 1e-11 rad", {1, 0, 0}, {1, 1e-11, 0}, false},
        ParallelCase{"opposite, off by 1e-11 rad", {1, 0, 0}, {-1, 1e-11, 0}, false},
        ParallelCase{"zero vector", {0, 0, 0}, {1, 0, 0}, false},
        ParallelCase{"tiny but above zero tolerance", {1e-9, 0, 0}, {3, 0, 0}, true},
        ParallelCase{"below zero tolerance", {1e-13, 0, 0}, {3, 0, 0}, false}));

TEST(GeometryTolerance, DefaultsAreTheHostsDefaults)
{
    const AcGeTol tol;
    EXPECT_EQ(tol.equalPoint(), 1e-10);
    EXPECT_EQ(tol.equalVector(), 1e-12);
    EXPECT_EQ(AcGeContext::gTol.equalPoint(), 1e-10);
}

TEST(GeometryTolerance, ZeroLengthIsAtMostTheVectorTolerance)
{
    EXPECT_TRUE(AcGeVector3d(0, 0, 0).isZeroLength());
    EXPECT_TRUE(AcGeVector3d(1e-12, 0, 0).isZeroLength());
    EXPECT_FALSE(AcGeVector3d(2e-12, 0, 0).isZeroLength());
    AcGeTol loose;
    loose.setEqualVector(1e-3);
    EXPECT_TRUE(AcGeVector3d(0, 5e-4, 5e-4).isZeroLength(loose));
}

TEST(GeometryTolerance, PointsAreEqualWithinThePointTolerance)
{
    const AcGePoint3d p(1, 2, 3);
    EXPECT_TRUE(p.isEqualTo(AcGePoint3d(1, 2, 3 + 5e-11)));
    EXPECT_FALSE(p.isEqualTo(AcGePoint3d(1, 2, 3 + 1e-9)));
    AcGeTol loose;
    loose.setEqualPoint(0.5);
    EXPECT_TRUE(p.isEqualTo(AcGePoint3d(1.3, 2.3, 3), loose));
    EXPECT_FALSE(p.isEqualTo(AcGePoint3d(1.4, 2.4, 3), loose));
}

TEST(GeometryVector, NormalizeGivesUnitLengthAndKeepsDirection)
{
    AcGeVector3d v(3, -4, 12);
    v.normalize();
    EXPECT_NEAR(v.length(), 1.0, 1e-15);
    EXPECT_NEAR(v.x, 3.0 / 13.0, 1e-15);
    EXPECT_NEAR(v.z, 12.0 / 13.0, 1e-15);
}

TEST(GeometryVector, NormalizeLeavesAZeroVectorAsItIs)
{
    AcGeVector3d zero(0, 0, 0);
    zero.normalize();
    EXPECT_EQ(zero, AcGeVector3d(0, 0, 0));
    AcGeVector3d tiny(1e-13, 0, 0);
    tiny.normalize();
    EXPECT_EQ(tiny, AcGeVector3d(1e-13, 0, 0));
}

TEST(GeometryVector, CrossProductIsRightHanded)
{
    EXPECT_EQ(AcGeVector3d::kXAxis.crossProduct(AcGeVector3d::kYAxis), AcGeVector3d::kZAxis);
    EXPECT_EQ(AcGeVector3d::kYAxis.crossProduct(AcGeVector3d::kZAxis), AcGeVector3d::kXAxis);
    EXPECT_EQ(AcGeVector3d::kYAxis.crossProduct(AcGeVector3d::kXAxis), -AcGeVector3d::kZAxis);
}

TEST(GeometryVector, OrthoProjectRemovesTheNormalComponent)
{
    const AcGeVector3d v(1, 2, 3);
    const AcGeVector3d projected = v.orthoProject(AcGeVector3d(0, 0, 2));
    EXPECT_EQ(projected, AcGeVector3d(1, 2, 0));
    const AcGeVector3d slanted = v.orthoProject(AcGeVector3d(1, 1, 0));
    EXPECT_NEAR(slanted.dotProduct(AcGeVector3d(1, 1, 0)), 0.0, 1e-15);
    EXPECT_NEAR(slanted.z, 3.0, 1e-15);
}

TEST(GeometryVector, PerpVectorIsPerpendicular)
{
    for (const AcGeVector3d& v : {AcGeVector3d(0, 0, 1), AcGeVector3d(1, 2, 3),
                                  AcGeVector3d(0, 0, -1), AcGeVector3d(5, 0, 0)}) {
        const AcGeVector3d p = v.perpVector();
        EXPECT_FALSE(p.isZeroLength());
        EXPECT_NEAR(p.dotProduct(v), 0.0, 1e-12);
    }
}

}  // namespace
