#include "dxf/dimension_graphics.h"

#include <cmath>
#include <cstdio>

namespace cadhost {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
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

}  // namespace

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
    const AcGePoint3d c = plane.toPlane(points.center);
    const AcGePoint3d p1 = plane.toPlane(points.xLine1);
    const AcGePoint3d p2 = plane.toPlane(points.xLine2);
    const AcGePoint3d a = plane.toPlane(points.arcPoint);
    const double z = c.z;
    const auto at = [&](double angle, double radius) {
        return plane.toWorld(AcGePoint3d(c.x + radius * std::cos(angle),
                                         c.y + radius * std::sin(angle), z));
    };

    const double radius = std::hypot(a.x - c.x, a.y - c.y);
    const double d1 = std::hypot(p1.x - c.x, p1.y - c.y);
    const double d2 = std::hypot(p2.x - c.x, p2.y - c.y);
    const double size = std::fmax(1.0, std::fmax(radius, std::fmax(d1, d2)));
    const double scale = sizes.scale > 0.0 ? sizes.scale : 1.0;
    const double textHeight = sizes.textHeight * scale;
    const double gap = sizes.textGap * scale;
    graphics.text.height = textHeight;
    graphics.text.contents = shownText;
    graphics.text.middle = points.arcPoint;
    graphics.text.direction = plane.toWorld(AcGeVector3d::kXAxis);

    if (radius <= kTiny * size || d1 <= kTiny * size || d2 <= kTiny * size)
        return graphics;  // degenerate: only the text, at the arc point

    const double angle1 = normalizedAngle(std::atan2(p1.y - c.y, p1.x - c.x));
    const double angle2 = normalizedAngle(std::atan2(p2.y - c.y, p2.x - c.x));
    const double angleA = normalizedAngle(std::atan2(a.y - c.y, a.x - c.x));
    // The arc from the first to the second extension line that holds the arc point.
    double start = angle1;
    double sweep = normalizedAngle(angle2 - angle1);
    if (normalizedAngle(angleA - angle1) > sweep) {
        start = angle2;
        sweep = normalizedAngle(angle1 - angle2);
    }
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

}  // namespace cadhost
