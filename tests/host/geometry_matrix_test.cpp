// Matrices: inversion, rotation and the arbitrary axis rule of planar entities.
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

void expectNear(const AcGeVector3d& actual, const AcGeVector3d& expected, double tol = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

struct AxisCase {
    AcGeVector3d normal;
    AcGeVector3d expectedX;  ///< from the drawing format's description of the rule
};

class ArbitraryAxisTest : public ::testing::TestWithParam<AxisCase> {};

TEST_P(ArbitraryAxisTest, GivesTheDrawingFormatsAxes)
{
    const AxisCase& c = GetParam();
    AcGePoint3d origin;
    AcGeVector3d x, y, z;
    AcGeMatrix3d::planeToWorld(c.normal).getCoordSystem(origin, x, y, z);
    expectNear(x, c.expectedX);
    expectNear(z, c.normal.normal());
    expectNear(y, z.crossProduct(x));
    EXPECT_NEAR(x.length(), 1.0, 1e-15);
    EXPECT_NEAR(y.length(), 1.0, 1e-15);
    EXPECT_EQ(origin, AcGePoint3d::kOrigin);
}

INSTANTIATE_TEST_SUITE_P(
    Normals, ArbitraryAxisTest,
    ::testing::Values(
        // World Z: Wy x Z = X.
        AxisCase{{0, 0, 1}, {1, 0, 0}},
        // Reversed Z: Wy x -Z = -X (the mirrored system of entities drawn upside down).
        AxisCase{{0, 0, -1}, {-1, 0, 0}},
        // Just inside the 1/64 limit: still the Wy rule.
        AxisCase{{0.015, 0, 1},
                 AcGeVector3d::kYAxis.crossProduct(AcGeVector3d(0.015, 0, 1).normal()).normal()},
        // World X is far from Z: Wz x X = Y.
        AxisCase{{1, 0, 0}, {0, 1, 0}},
        // World -Y: Wz x -Y = X.
        AxisCase{{0, -1, 0}, {1, 0, 0}},
        // Just outside the limit: the Wz rule.
        AxisCase{{0.02, 0, 1},
                 AcGeVector3d::kZAxis.crossProduct(AcGeVector3d(0.02, 0, 1).normal()).normal()}));

TEST(GeometryMatrix, WorldToPlaneUndoesPlaneToWorld)
{
    const AcGeVector3d normal(0.3, -0.5, 0.8);
    const AcGePoint3d p(4, -7, 2.5);
    AcGePoint3d q = p;
    q.transformBy(AcGeMatrix3d::planeToWorld(normal));
    q.transformBy(AcGeMatrix3d::worldToPlane(normal));
    expectNear(q, p);
}

TEST(GeometryMatrix, InvertGivesTheInverseOfAnAffineMap)
{
    const AcGeMatrix3d m = AcGeMatrix3d::translation(AcGeVector3d(3, -2, 7)) *
                           AcGeMatrix3d::rotation(0.7, AcGeVector3d(1, 2, 2), AcGePoint3d(1, 1, 1));
    AcGeMatrix3d inverse = m;
    inverse.invert();
    const AcGeMatrix3d product = m * inverse;
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_NEAR(product(r, c), r == c ? 1.0 : 0.0, 1e-12) << r << "," << c;
    AcGePoint3d p(5, 6, -1);
    p.transformBy(m).transformBy(inverse);
    expectNear(p, AcGePoint3d(5, 6, -1));
}

TEST(GeometryMatrix, InvertLeavesASingularMatrixAsItIs)
{
    AcGeMatrix3d flat;
    flat(2, 2) = 0.0;  // projects onto the XY plane
    flat(0, 3) = 4.0;
    ASSERT_TRUE(flat.isSingular());
    AcGeMatrix3d copy = flat;
    copy.invert();
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_EQ(copy(r, c), flat(r, c));
}

TEST(GeometryMatrix, RotationTurnsCounterclockwiseAboutItsAxis)
{
    AcGePoint3d p(2, 1, 5);
    p.transformBy(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis, AcGePoint3d(1, 1, 0)));
    expectNear(p, AcGePoint3d(1, 2, 5));
    AcGeVector3d v = AcGeVector3d::kXAxis;
    v.transformBy(AcGeMatrix3d::rotation(kPi / 2, -AcGeVector3d::kZAxis));
    expectNear(v, AcGeVector3d(0, -1, 0));
}

TEST(GeometryMatrix, VectorsIgnoreTranslation)
{
    AcGeVector3d v(1, 2, 3);
    v.transformBy(AcGeMatrix3d::translation(AcGeVector3d(10, 10, 10)));
    EXPECT_EQ(v, AcGeVector3d(1, 2, 3));
}

}  // namespace
