// The graphics of three-point angular dimensions: the arc through the arc point between the
// extension lines, arrows at its ends, the text at its middle.
#include "dxf/dimension_graphics.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

using cadhost::AngularDimensionPoints;
using cadhost::DimensionGraphics;
using cadhost::DimensionStyleSizes;

constexpr double kPi = 3.141592653589793;

struct GraphicsCase {
    const char* name;
    AngularDimensionPoints points;
    double measured;  ///< the angle, from the points' own construction
};

AngularDimensionPoints onCircle(const AcGePoint3d& c, double r1, double a1, double r2, double a2,
                                double rArc, double aArc, const AcGeVector3d& normal)
{
    const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(normal);
    AcGePoint3d planeCenter = c;
    planeCenter.transformBy(AcGeMatrix3d::worldToPlane(normal));
    const auto at = [&](double r, double a) {
        return AcGePoint3d(planeCenter.x + r * std::cos(a), planeCenter.y + r * std::sin(a), planeCenter.z)
            .transformBy(toWorld);
    };
    return {c, at(r1, a1), at(r2, a2), at(rArc, aArc), normal};
}

class DimensionGraphicsCases : public ::testing::TestWithParam<GraphicsCase> {};

TEST_P(DimensionGraphicsCases, ArcPassesThroughTheArcPointBetweenTheExtensionLines)
{
    const GraphicsCase& c = GetParam();
    const DimensionStyleSizes sizes;
    const DimensionGraphics g = cadhost::angularDimensionGraphics(c.points, u"12,5", nullptr, sizes);
    EXPECT_NEAR(g.measurement, c.measured, 1e-12);
    ASSERT_EQ(g.dimensionArcs.size(), 1u);
    const DimensionGraphics::Arc& arc = g.dimensionArcs.front();
    EXPECT_NEAR(arc.radius, c.points.arcPoint.distanceTo(c.points.center), 1e-9);
    EXPECT_NEAR(arc.endAngle - arc.startAngle, c.measured, 1e-12);
    const AcGeVector3d n = c.points.normal;
    const AcGeCircArc3d world(arc.center, n, AcGeVector3d(AcGeVector3d::kXAxis).transformBy(AcGeMatrix3d::planeToWorld(n)),
                              arc.radius, arc.startAngle, arc.endAngle);
    EXPECT_TRUE(world.isOn(c.points.arcPoint, AcGeTol())) << "the arc misses the arc point";
    // Each arrow's tip is an end of the arc, and the arrows are the style's size long.
    ASSERT_EQ(g.arrows.size(), 2u);
    EXPECT_TRUE(g.arrows[0].corners[0].isEqualTo(world.startPoint(), AcGeTol()));
    EXPECT_TRUE(g.arrows[1].corners[0].isEqualTo(world.endPoint(), AcGeTol()));
    for (const DimensionGraphics::Arrow& arrow : g.arrows) {
        const AcGePoint3d base((arrow.corners[1].x + arrow.corners[2].x) / 2, (arrow.corners[1].y + arrow.corners[2].y) / 2,
                               (arrow.corners[1].z + arrow.corners[2].z) / 2);
        EXPECT_NEAR(arrow.corners[1].distanceTo(arrow.corners[2]), sizes.arrowSize / 3.0, 1e-9);
        EXPECT_NEAR(base.distanceTo(arrow.corners[0]), 2.0 * arc.radius * std::sin(sizes.arrowSize / arc.radius / 2.0), 1e-9);
    }
    // Each extension line lies on the ray from the vertex through its point and reaches past the arc.
    ASSERT_EQ(g.extensionLines.size(), 2u);
    const AcGePoint3d ends[2] = {world.startPoint(), world.endPoint()};
    for (const DimensionGraphics::Line& line : g.extensionLines) {
        const AcGeVector3d along = (line.end - line.start).normal();
        const AcGeVector3d fromCenter = (line.start - c.points.center).normal();
        EXPECT_TRUE(along.isParallelTo(fromCenter, AcGeTol()));
        const bool reachesAnEnd = AcGeLineSeg3d(line.start, line.end).isOn(ends[0], AcGeTol()) ||
                                  AcGeLineSeg3d(line.start, line.end).isOn(ends[1], AcGeTol());
        EXPECT_TRUE(reachesAnEnd);
        EXPECT_NEAR(std::fabs(line.end.distanceTo(c.points.center) - arc.radius), sizes.extensionBeyond, 1e-9);
    }
    // The text is above the middle of the arc, in the plane, reading along the arc.
    const double middle = (arc.startAngle + arc.endAngle) / 2.0;
    const AcGePoint3d arcMiddle = world.evalPoint(middle);
    EXPECT_NEAR(g.text.middle.distanceTo(arcMiddle), sizes.textGap + sizes.textHeight / 2.0, 1e-9);
    EXPECT_NEAR(g.text.direction.dotProduct(n), 0.0, 1e-12);
    EXPECT_NEAR(g.text.direction.dotProduct(arcMiddle - c.points.center), 0.0, 1e-9);
    EXPECT_EQ(g.text.contents, u"12,5");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DimensionGraphicsCases,
    ::testing::Values(
        GraphicsCase{"quarterInside", onCircle(AcGePoint3d::kOrigin, 10, 0.0, 10, kPi / 2, 15, 0.7, AcGeVector3d::kZAxis), kPi / 2},
        GraphicsCase{"reflexSide", onCircle(AcGePoint3d::kOrigin, 10, 0.0, 10, kPi / 2, 15, 3.0, AcGeVector3d::kZAxis), 1.5 * kPi},
        GraphicsCase{"pointsBeyondTheArc", onCircle(AcGePoint3d(5, 5, 2), 30, 1.0, 40, 2.0, 12, 1.5, AcGeVector3d::kZAxis), 1.0},
        GraphicsCase{"acrossZero", onCircle(AcGePoint3d::kOrigin, 10, -0.5, 10, 0.5, 20, 0.1, AcGeVector3d::kZAxis), 1.0},
        GraphicsCase{"mirroredPlane", onCircle(AcGePoint3d(1, 2, 3), 10, 0.2, 10, 1.2, 14, 0.5, AcGeVector3d(0, 0, -1)), 1.0},
        GraphicsCase{"slantedPlane", onCircle(AcGePoint3d(1, 2, 3), 10, 0.2, 10, 2.2, 14, 1.0, AcGeVector3d(1, 2, 3).normal()), 2.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DimensionGraphics, DegenerateDimensionGivesOnlyItsText)
{
    const AngularDimensionPoints points{AcGePoint3d::kOrigin, AcGePoint3d::kOrigin, AcGePoint3d(1, 0, 0),
                                        AcGePoint3d(0, 1, 0), AcGeVector3d::kZAxis};
    const DimensionGraphics g = cadhost::angularDimensionGraphics(points, u"x", nullptr, DimensionStyleSizes());
    EXPECT_TRUE(g.dimensionArcs.empty());
    EXPECT_TRUE(g.arrows.empty());
    EXPECT_EQ(g.text.contents, u"x");
    EXPECT_TRUE(std::isfinite(g.text.middle.x) && std::isfinite(g.text.middle.y));
}

TEST(DimensionGraphics, TextOnTheLineBreaksTheArc)
{
    DimensionStyleSizes sizes;
    sizes.textAbove = false;
    const AngularDimensionPoints points = onCircle(AcGePoint3d::kOrigin, 10, 0.0, 10, kPi, 50, kPi / 2, AcGeVector3d::kZAxis);
    const DimensionGraphics g = cadhost::angularDimensionGraphics(points, u"180", nullptr, sizes);
    ASSERT_EQ(g.dimensionArcs.size(), 2u);
    EXPECT_LT(g.dimensionArcs[0].endAngle, kPi / 2);
    EXPECT_GT(g.dimensionArcs[1].startAngle, kPi / 2);
    EXPECT_NEAR(g.text.middle.distanceTo(AcGePoint3d(0, 50, 0)), 0.0, 1e-9);
}

struct TextCase {
    const char* name;
    std::u16string textOverride;
    double angle;
    int decimals;
    std::u16string shown;
};

class DimensionTextCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(DimensionTextCases, ShowsTheOverrideWithTheMeasuredAngleForBrackets)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(cadhost::angularDimensionText(c.textOverride, c.angle, c.decimals, u','), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DimensionTextCases,
    ::testing::Values(TextCase{"measured", u"", kPi / 2, 0, u"90\u00B0"},
                      TextCase{"decimals", u"", kPi / 3, 2, u"60,00\u00B0"},
                      TextCase{"override", u"dl.=3,14", 1.0, 0, u"dl.=3,14"},
                      TextCase{"brackets", u"<> approx.", kPi, 1, u"180,0\u00B0 approx."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
