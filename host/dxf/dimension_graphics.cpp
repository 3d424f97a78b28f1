#include "dxf/dimension_graphics.h"

#include "acedads.h"
#include "dbdim.h"
#include "geometry/tolerance.h"
#include <cmath>
#include <cstdio>

namespace cadhost {

namespace {

/// Shorter than this (relative to the drawing's size) counts as no length.
constexpr double kTiny = 1e-12;
/// The width of a character of the text, as a share of its height (for breaking the arc).
constexpr double kCharacterWidth = 0.7;

double normalizedAngle(double angle)
{
    angle = std::fmod(angle, kTwoPi);
    return angle < 0.0 ? angle + kTwoPi : angle;
}

/// Plane coordinates of the dimension, with conversions to and from world.
class DimensionPlane {
public:
    explicit DimensionPlane(const AcGeVector3d& normal)
        : m_toWorld(AcGeMatrix3d::planeToWorld(normal)),
          m_toPlane(AcGeMatrix3d::worldToPlane(normal))
    {
    }
    AcGePoint3d toPlane(AcGePoint3d point) const { return point.transformBy(m_toPlane); }
    AcGePoint3d toWorld(AcGePoint3d point) const { return point.transformBy(m_toWorld); }
    AcGeVector3d toWorld(AcGeVector3d vector) const { return vector.transformBy(m_toWorld); }

private:
    AcGeMatrix3d m_toWorld;
    AcGeMatrix3d m_toPlane;
};

/// The arc a dimension measures, in the coordinates of its plane.
struct MeasuredArc {
    AcGePoint3d center;  ///< in the plane
    double radius = 0.0;
    double d1 = 0.0;  ///< the distances of the extension line points from the centre
    double d2 = 0.0;
    double size = 1.0;  ///< the dimension's size, for what counts as no length
    double angle1 = 0.0;
    double angle2 = 0.0;
    double start = 0.0;  ///< from the first or second extension line ...
    double sweep = 0.0;  ///< ... counterclockwise through the arc point
    bool degenerate = true;
};

MeasuredArc measuredArc(const AngularDimensionPoints& points, const DimensionPlane& plane)
{
    MeasuredArc arc;
    const AcGePoint3d c = plane.toPlane(points.center);
    const AcGePoint3d p1 = plane.toPlane(points.xLine1);
    const AcGePoint3d p2 = plane.toPlane(points.xLine2);
    const AcGePoint3d a = plane.toPlane(points.arcPoint);
    arc.center = c;
    arc.radius = std::hypot(a.x - c.x, a.y - c.y);
    arc.d1 = std::hypot(p1.x - c.x, p1.y - c.y);
    arc.d2 = std::hypot(p2.x - c.x, p2.y - c.y);
    arc.size = std::fmax(1.0, std::fmax(arc.radius, std::fmax(arc.d1, arc.d2)));
    arc.degenerate =
        arc.radius <= kTiny * arc.size || arc.d1 <= kTiny * arc.size || arc.d2 <= kTiny * arc.size;
    if (arc.degenerate)
        return arc;
    arc.angle1 = normalizedAngle(std::atan2(p1.y - c.y, p1.x - c.x));
    arc.angle2 = normalizedAngle(std::atan2(p2.y - c.y, p2.x - c.x));
    const double angleA = normalizedAngle(std::atan2(a.y - c.y, a.x - c.x));
    // The arc from the first to the second extension line that holds the arc point.
    arc.start = arc.angle1;
    arc.sweep = normalizedAngle(arc.angle2 - arc.angle1);
    if (normalizedAngle(angleA - arc.angle1) > arc.sweep) {
        arc.start = arc.angle2;
        arc.sweep = normalizedAngle(arc.angle1 - arc.angle2);
    }
    return arc;
}

}  // namespace

double angularDimensionMeasurement(const AngularDimensionPoints& points)
{
    return measuredArc(points, DimensionPlane(points.normal)).sweep;
}

std::u16string angularDimensionText(const std::u16string& textOverride, double angle,
                                    int decimals, char16_t decimalSeparator)
{
    if (decimals < 0 || decimals > 8)
        decimals = 0;
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, angle * 180.0 / kPi);
    std::u16string measured;
    for (const char* c = digits; *c != '\0'; ++c)
        measured.push_back(*c == '.' ? decimalSeparator : static_cast<char16_t>(*c));
    measured.push_back(u'\u00B0');
    if (textOverride.empty())
        return measured;
    std::u16string shown = textOverride;
    const std::size_t at = shown.find(u"<>");
    if (at != std::u16string::npos)
        shown.replace(at, 2, measured);
    return shown;
}

DimensionGraphics angularDimensionGraphics(const AngularDimensionPoints& points,
                                           const std::u16string& shownText,
                                           const AcGePoint3d* textPosition,
                                           const DimensionStyleSizes& sizes)
{
    DimensionGraphics graphics;
    graphics.normal = points.normal;
    graphics.definitionPoints = {points.center, points.xLine1, points.xLine2, points.arcPoint};
    const DimensionPlane plane(points.normal);
    const MeasuredArc measured = measuredArc(points, plane);
    const AcGePoint3d c = measured.center;
    const double z = c.z;
    const auto at = [&](double angle, double radius) {
        return plane.toWorld(AcGePoint3d(c.x + radius * std::cos(angle),
                                         c.y + radius * std::sin(angle), z));
    };

    const double radius = measured.radius;
    const double d1 = measured.d1;
    const double d2 = measured.d2;
    const double size = measured.size;
    const double scale = sizes.scale > 0.0 ? sizes.scale : 1.0;
    const double textHeight = sizes.textHeight * scale;
    const double gap = sizes.textGap * scale;
    graphics.text.height = textHeight;
    graphics.text.contents = shownText;
    graphics.text.middle = points.arcPoint;
    graphics.text.direction = plane.toWorld(AcGeVector3d::kXAxis);

    if (measured.degenerate)
        return graphics;  // degenerate: only the text, at the arc point

    const double angle1 = measured.angle1;
    const double angle2 = measured.angle2;
    const double start = measured.start;
    const double sweep = measured.sweep;
    const double end = start + sweep;
    graphics.measurement = sweep;

    const double offset = sizes.extensionOffset * scale;
    const double beyond = sizes.extensionBeyond * scale;
    for (const auto& [angle, distance] : {std::make_pair(angle1, d1), std::make_pair(angle2, d2)}) {
        const double from = distance < radius ? distance + offset : distance - offset;
        const double to = distance < radius ? radius + beyond : radius - beyond;
        if ((distance < radius) == (from < to) && std::fabs(to - from) > kTiny * size)
            graphics.extensionLines.push_back({at(angle, from), at(angle, to)});
    }

    const double arrowSize = sizes.arrowSize * scale;
    const bool arrowsInside = radius * sweep >= 2.0 * arrowSize;
    const double arrowAngle = radius > 0.0 ? arrowSize / radius : 0.0;
    if (arrowSize > 0.0 && sweep > 0.0) {
        for (const auto& [tipAngle, inward] : {std::make_pair(start, 1.0), std::make_pair(end, -1.0)}) {
            const double baseAngle = tipAngle + (arrowsInside ? inward : -inward) * arrowAngle;
            const AcGePoint3d tip = at(tipAngle, radius);
            const AcGePoint3d base = at(baseAngle, radius);
            AcGeVector3d across = (tip - base).crossProduct(points.normal);
            across.normalize();
            across *= arrowSize / 6.0;
            graphics.arrows.push_back({{tip, base + across, base - across}});
        }
    }

    // The text: where the user put it, or at the middle of the arc, reading from left to right.
    const double middleAngle = start + sweep / 2.0;
    double rotation = middleAngle - kPi / 2.0;
    double upward = 1.0;  // the text's up direction is away from the centre
    if (std::cos(rotation) < -1e-9 || (std::fabs(std::cos(rotation)) <= 1e-9 && std::sin(rotation) < 0.0)) {
        rotation += kPi;
        upward = -1.0;
    }
    graphics.text.direction = plane.toWorld(AcGeVector3d(std::cos(rotation), std::sin(rotation), 0.0));
    if (textPosition != nullptr) {
        graphics.text.middle = *textPosition;
    } else if (sizes.textAbove) {
        graphics.text.middle = at(middleAngle, radius + upward * (gap + textHeight / 2.0));
    } else {
        graphics.text.middle = at(middleAngle, radius);
    }

    const double textWidth = kCharacterWidth * textHeight * static_cast<double>(shownText.size());
    const double breakAngle = (textWidth + 2.0 * gap) / radius;
    if (!sizes.textAbove && textPosition == nullptr && breakAngle < sweep) {
        graphics.dimensionArcs.push_back({points.center, radius, start, middleAngle - breakAngle / 2.0});
        graphics.dimensionArcs.push_back({points.center, radius, middleAngle + breakAngle / 2.0, end});
    } else {
        graphics.dimensionArcs.push_back({points.center, radius, start, end});
    }
    return graphics;
}

AngularDimensionPoints angularDimensionPointsOf(const AcDb3PointAngularDimension& dimension)
{
    AngularDimensionPoints points;
    points.center = dimension.centerPoint();
    points.xLine1 = dimension.xLine1Point();
    points.xLine2 = dimension.xLine2Point();
    points.arcPoint = dimension.arcPoint();
    points.normal = dimension.normal().normal();
    if (points.normal.isZeroLength())
        points.normal = AcGeVector3d::kZAxis;
    return points;
}

std::u16string angularDimensionTextOverride(const AcDb3PointAngularDimension& dimension)
{
    ACHAR* rawText = dimension.dimensionText();
    const std::u16string textOverride = rawText == nullptr ? u"" : rawText;
    acutDelString(rawText);
    return textOverride;
}

}  // namespace cadhost
