// Lightweight polylines: segment kinds, points on segments, arc and line segments in world
// coordinates, nearest points and the entity coordinate system, also moved, rotated and
// upside down.
#include "dbents.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, double tol = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

/// (0,0) -> (10,0) straight, (10,0) -> (10,10) a half circle bulging to +X (bulge 1 turns
/// counterclockwise), (10,10) -> (10,10) coincident, (10,10) -> (0,10) clockwise quarter.
AcDbPolyline makeSample(double elevation, const AcGeVector3d& normal)
{
    AcDbPolyline pline;
    pline.addVertexAt(0, AcGePoint2d(0, 0), 0.0);
    pline.addVertexAt(1, AcGePoint2d(10, 0), 1.0);
    pline.addVertexAt(2, AcGePoint2d(10, 10), 0.0);
    pline.addVertexAt(3, AcGePoint2d(10, 10), -std::tan(kPi / 8));
    pline.addVertexAt(4, AcGePoint2d(0, 10), 0.0);
    pline.setElevation(elevation);
    pline.setNormal(normal);
    return pline;
}

AcGePoint3d toWorld(const AcGeVector3d& normal, double x, double y, double z)
{
    AcGePoint3d p(x, y, z);
    return p.transformBy(AcGeMatrix3d::planeToWorld(normal));
}

TEST(PolylineSegments, KindsOfSegments)
{
    AcDbPolyline pline = makeSample(0.0, AcGeVector3d::kZAxis);
    EXPECT_EQ(pline.segType(0), AcDbPolyline::kLine);
    EXPECT_EQ(pline.segType(1), AcDbPolyline::kArc);
    EXPECT_EQ(pline.segType(2), AcDbPolyline::kCoincident);
    EXPECT_EQ(pline.segType(3), AcDbPolyline::kArc);
    EXPECT_EQ(pline.segType(4), AcDbPolyline::kEmpty) << "open: no closing segment";
    pline.setClosed(true);
    EXPECT_EQ(pline.segType(4), AcDbPolyline::kLine);
    EXPECT_EQ(pline.segType(5), AcDbPolyline::kEmpty);
    AcDbPolyline single;
    single.addVertexAt(0, AcGePoint2d(1, 1));
    EXPECT_EQ(single.segType(0), AcDbPolyline::kPoint);
    EXPECT_EQ(AcDbPolyline().segType(0), AcDbPolyline::kEmpty);
}

TEST(PolylineSegments, OnSegAtGivesTheParameter)
{
    const AcDbPolyline pline = makeSample(0.0, AcGeVector3d::kZAxis);
    double param = -1.0;
    EXPECT_TRUE(pline.onSegAt(0, AcGePoint2d(2.5, 0), param));
    EXPECT_NEAR(param, 0.25, 1e-12);
    EXPECT_FALSE(pline.onSegAt(1, AcGePoint2d(2.5, 0), param));
    // The half circle about (10,5) of radius 5 passes (15,5) halfway.
    EXPECT_TRUE(pline.onSegAt(1, AcGePoint2d(15, 5), param));
    EXPECT_NEAR(param, 1.5, 1e-12);
    EXPECT_FALSE(pline.onSegAt(1, AcGePoint2d(5, 5), param)) << "the other half of the circle";
    EXPECT_FALSE(pline.onSegAt(2, AcGePoint2d(10, 10), param)) << "coincident segment";
    EXPECT_FALSE(pline.onSegAt(7, AcGePoint2d(0, 0), param));
}

TEST(PolylineSegments, TheNearestPointOfAnArcFarFromTheOriginLiesOnItsSegment)
{
    // National-grid coordinates: the nearest point, taken to the entity's plane, must be found
    // on the arc segment it came from, also with the plane upside down.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const AcGeVector3d& normal : {AcGeVector3d::kZAxis, -AcGeVector3d::kZAxis}) {
        int missed = 0;
        for (int i = 0; i < 200; ++i) {
            const AcGePoint2d center(-2e6 + 4e6 * unit(random), -2e6 + 4e6 * unit(random));
            const double radius = 1.0 + 499.0 * unit(random);
            const double start = 2.0 * kPi * unit(random);
            const double sweep = 0.3 + 2.7 * unit(random);
            const auto at = [&](double angle, double r) {
                return AcGePoint2d(center.x + r * std::cos(angle), center.y + r * std::sin(angle));
            };
            AcDbPolyline pline;
            pline.addVertexAt(0, at(start, radius), std::tan(sweep / 4));
            pline.addVertexAt(1, at(start + sweep, radius), 0.0);
            pline.setNormal(normal);
            const AcGePoint2d pick = at(start + sweep * (0.1 + 0.8 * unit(random)), 1.001 * radius);
            AcGePoint3d nearest;
            ASSERT_EQ(pline.getClosestPointTo(toWorld(normal, pick.x, pick.y, 0.0), nearest),
                      Acad::eOk);
            nearest.transformBy(AcGeMatrix3d::worldToPlane(normal));
            double parameter = 0.0;
            if (!pline.onSegAt(0, AcGePoint2d(nearest.x, nearest.y), parameter))
                ++missed;
        }
        EXPECT_EQ(missed, 0) << normal.z;
    }
}

TEST(PolylineSegments, ArcSegmentRunsFromItsStartVertex)
{
    const AcDbPolyline pline = makeSample(0.0, AcGeVector3d::kZAxis);
    AcGeCircArc3d arc;
    ASSERT_EQ(pline.getArcSegAt(1, arc), Acad::eOk);
    expectNear(arc.center(), AcGePoint3d(10, 5, 0));
    EXPECT_NEAR(arc.radius(), 5.0, 1e-12);
    expectNear(arc.startPoint(), AcGePoint3d(10, 0, 0));
    expectNear(arc.endPoint(), AcGePoint3d(10, 10, 0));
    EXPECT_TRUE(arc.isOn(AcGePoint3d(15, 5, 0)));
    // The clockwise quarter from (10,10) to (0,10) has its centre to the right of its way,
    // at (5,15), and sags towards -Y.
    ASSERT_EQ(pline.getArcSegAt(3, arc), Acad::eOk);
    expectNear(arc.center(), AcGePoint3d(5, 15, 0));
    EXPECT_TRUE(arc.isOn(AcGePoint3d(5, 15 - 5 * std::sqrt(2.0), 0)));
    expectNear(arc.startPoint(), AcGePoint3d(10, 10, 0));
    expectNear(arc.endPoint(), AcGePoint3d(0, 10, 0));
    EXPECT_TRUE(arc.normal().isEqualTo(-AcGeVector3d::kZAxis));
    EXPECT_NEAR(arc.endAng() - arc.startAng(), kPi / 2, 1e-12);
    EXPECT_EQ(pline.getArcSegAt(0, arc), Acad::eInvalidInput);
    AcGeLineSeg3d line;
    EXPECT_EQ(pline.getLineSegAt(0, line), Acad::eOk);
    expectNear(line.endPoint(), AcGePoint3d(10, 0, 0));
    EXPECT_EQ(pline.getLineSegAt(1, line), Acad::eInvalidInput);
}

struct PlaneCase {
    const char* what;
    AcGeVector3d normal;
    double elevation;
};

class PolylinePlaneTest : public ::testing::TestWithParam<PlaneCase> {};

TEST_P(PolylinePlaneTest, WorldGeometryIsTheObjectGeometryInTheEcs)
{
    const PlaneCase& c = GetParam();
    const AcDbPolyline pline = makeSample(c.elevation, c.normal);
    AcGeMatrix3d ecs;
    pline.getEcs(ecs);
    AcGePoint3d vertex;
    ASSERT_EQ(pline.getPointAt(1u, vertex), Acad::eOk);
    expectNear(vertex, toWorld(c.normal, 10, 0, c.elevation));
    AcGePoint3d viaEcs(10, 0, c.elevation);
    expectNear(viaEcs.transformBy(ecs), vertex);

    AcGeCircArc3d arc;
    ASSERT_EQ(pline.getArcSegAt(1, arc), Acad::eOk);
    expectNear(arc.center(), toWorld(c.normal, 10, 5, c.elevation));
    expectNear(arc.startPoint(), toWorld(c.normal, 10, 0, c.elevation));
    expectNear(arc.endPoint(), toWorld(c.normal, 10, 10, c.elevation));
    EXPECT_TRUE(arc.isOn(toWorld(c.normal, 15, 5, c.elevation)));

    // A world point off the plane near the half circle: its nearest point, brought back into
    // object coordinates as the module does, lies on segment 1.
    const AcGePoint3d given = toWorld(c.normal, 17, 5, c.elevation + 3);
    AcGePoint3d nearest;
    ASSERT_EQ(pline.getClosestPointTo(given, nearest), Acad::eOk);
    expectNear(nearest, toWorld(c.normal, 15, 5, c.elevation), 1e-11);
    ecs.invert();
    nearest.transformBy(ecs);
    double param = 0.0;
    EXPECT_TRUE(pline.onSegAt(1, AcGePoint2d(nearest.x, nearest.y), param)) << c.what;
    EXPECT_NEAR(param, 1.5, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Planes, PolylinePlaneTest,
    ::testing::Values(PlaneCase{"world", AcGeVector3d::kZAxis, 0.0},
                      PlaneCase{"raised", AcGeVector3d::kZAxis, 12.5},
                      PlaneCase{"upside down", AcGeVector3d(0, 0, -1), 4.0},
                      PlaneCase{"tilted", AcGeVector3d(1, -2, 2), -3.0},
                      PlaneCase{"vertical", AcGeVector3d(0, 1, 0), 1.0}));

TEST(PolylineEnds, StartAndEndPoints)
{
    AcDbPolyline pline = makeSample(2.0, AcGeVector3d::kZAxis);
    AcGePoint3d start, end;
    ASSERT_EQ(pline.getStartPoint(start), Acad::eOk);
    ASSERT_EQ(pline.getEndPoint(end), Acad::eOk);
    expectNear(start, AcGePoint3d(0, 0, 2));
    expectNear(end, AcGePoint3d(0, 10, 2));
    pline.setClosed(true);
    pline.getEndPoint(end);
    expectNear(end, start);
    AcDbPolyline empty;
    EXPECT_EQ(empty.getStartPoint(start), Acad::eDegenerateGeometry);
}

TEST(PolylineVertices, EditingChecksIndices)
{
    AcDbPolyline pline;
    EXPECT_EQ(pline.addVertexAt(1, AcGePoint2d(0, 0)), Acad::eInvalidIndex);
    EXPECT_EQ(pline.addVertexAt(0, AcGePoint2d(1, 0)), Acad::eOk);
    EXPECT_EQ(pline.addVertexAt(0, AcGePoint2d(0, 0), 0.5), Acad::eOk);
    AcGePoint2d first;
    pline.getPointAt(0u, first);
    EXPECT_EQ(first.x, 0.0);
    EXPECT_FALSE(pline.isOnlyLines());
    EXPECT_EQ(pline.setBulgeAt(0, 0.0), Acad::eOk);
    EXPECT_TRUE(pline.isOnlyLines());
    EXPECT_EQ(pline.removeVertexAt(2), Acad::eInvalidIndex);
    EXPECT_EQ(pline.removeVertexAt(0), Acad::eOk);
    EXPECT_EQ(pline.numVerts(), 1u);
}

}  // namespace
