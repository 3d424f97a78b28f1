// The circular arc: construction from centre and angles or through three points, points on
// it, the nearest point and the on-arc test.
#include "acge.h"
#include "geometry/tolerance.h"
#include <cmath>

namespace {

using cadhost::kTwoPi;

/// a1 * b2 - a2 * b1 with one rounding error rather than one for each product, so that the
/// cancellation of nearly parallel vectors keeps the digits that remain.
double determinant(double a1, double a2, double b1, double b2)
{
    const double product = a2 * b1;
    const double productError = std::fma(-a2, b1, product);
    return std::fma(a1, b2, -product) + productError;
}

/// a x b, each coordinate as determinant() gives it.
AcGeVector3d accurateCross(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return {determinant(a.y, a.z, b.y, b.z), determinant(a.z, a.x, b.z, b.x),
            determinant(a.x, a.y, b.x, b.y)};
}

}  // namespace

AcGeCircArc3d::AcGeCircArc3d()
    : m_center(AcGePoint3d::kOrigin),
      m_normal(AcGeVector3d::kZAxis),
      m_refVec(AcGeVector3d::kXAxis),
      m_radius(1.0),
      m_startAngle(0.0),
      m_endAngle(kTwoPi)
{
}

AcGeCircArc3d::AcGeCircArc3d(const AcGePoint3d& center, const AcGeVector3d& normal,
                             const AcGeVector3d& refVec, double radius, double startAngle,
                             double endAngle)
{
    set(center, normal, refVec, radius, startAngle, endAngle);
}

AcGeCircArc3d::AcGeCircArc3d(const AcGePoint3d& start, const AcGePoint3d& pointOnArc,
                             const AcGePoint3d& end)
{
    set(start, pointOnArc, end);
}

AcGeCircArc3d& AcGeCircArc3d::set(const AcGePoint3d& center, const AcGeVector3d& normal,
                                  const AcGeVector3d& refVec, double radius, double startAngle,
                                  double endAngle)
{
    m_center = center;
    m_normal = normal.normal();
    // The reference vector is kept perpendicular to the normal and of unit length.
    m_refVec = refVec.orthoProject(m_normal).normal();
    m_radius = radius;
    m_startAngle = startAngle;
    m_endAngle = endAngle < startAngle ? startAngle : endAngle;
    return *this;
}

AcGeCircArc3d& AcGeCircArc3d::set(const AcGePoint3d& start, const AcGePoint3d& pointOnArc,
                                  const AcGePoint3d& end)
{
    // Circumcentre of the triangle: with a = start - end and b = pointOnArc - end,
    // centre = end + ((|a|^2 b - |b|^2 a) x (a x b)) / (2 |a x b|^2).
    const AcGeVector3d a = start - end;
    const AcGeVector3d b = pointOnArc - end;
    // The cross product of the chords keeps its digits for a flat arc, and so does the centre.
    const AcGeVector3d axb = accurateCross(a, b);
    const double magnitude =
        std::max({cadhost::magnitudeOf(start), cadhost::magnitudeOf(pointOnArc),
                  cadhost::magnitudeOf(end)});
    const bool coincident = cadhost::isSamePoint(start, pointOnArc, magnitude) ||
                            cadhost::isSamePoint(start, end, magnitude) ||
                            cadhost::isSamePoint(pointOnArc, end, magnitude);
    if (coincident || cadhost::isParallelOrZero(a, b)) {
        // Collinear or coincident points: a degenerate arc of radius 0 at start.
        m_center = start;
        m_normal = AcGeVector3d::kZAxis;
        m_refVec = AcGeVector3d::kXAxis;
        m_radius = 0.0;
        m_startAngle = 0.0;
        m_endAngle = 0.0;
        return *this;
    }
    const AcGeVector3d offset =
        (b * a.lengthSqrd() - a * b.lengthSqrd()).crossProduct(axb) / (2.0 * axb.lengthSqrd());
    m_center = end + offset;
    m_radius = (start - m_center).length();
    // a x b, which is (pointOnArc - start) x (end - start), points along the normal about which
    // the way from start through pointOnArc to end turns counterclockwise. Both vectors are
    // divided by their lengths, not zero here however small, where the host's zero tolerance
    // would leave the normal of a small flat arc unscaled.
    m_normal = axb / axb.length();
    m_refVec = (start - m_center) / m_radius;
    m_startAngle = 0.0;
    const AcGeVector3d toEnd = end - m_center;
    double endAngle = std::atan2(m_normal.crossProduct(m_refVec).dotProduct(toEnd),
                                 m_refVec.dotProduct(toEnd));
    if (endAngle <= 0.0)
        endAngle += kTwoPi;
    m_endAngle = endAngle;
    return *this;
}

AcGePoint3d AcGeCircArc3d::evalPoint(double angle) const
{
    const AcGeVector3d yDir = m_normal.crossProduct(m_refVec);
    return m_center + (m_refVec * std::cos(angle) + yDir * std::sin(angle)) * m_radius;
}

AcGePoint3d AcGeCircArc3d::startPoint() const
{
    return evalPoint(m_startAngle);
}

AcGePoint3d AcGeCircArc3d::endPoint() const
{
    return evalPoint(m_endAngle);
}

double AcGeCircArc3d::length() const
{
    return m_radius * (m_endAngle - m_startAngle);
}

AcGePoint3d AcGeCircArc3d::closestPointTo(const AcGePoint3d& point) const
{
    const AcGeVector3d inPlane = (point - m_center).orthoProject(m_normal);
    const AcGePoint3d start = startPoint();
    const AcGePoint3d end = endPoint();
    if (inPlane.length() <= cadhost::pointTolerance(cadhost::magnitudeOf(m_center) + m_radius))
        return start;  // every point of the arc is equally near: the start is as good as any
    const AcGeVector3d yDir = m_normal.crossProduct(m_refVec);
    double angle = std::atan2(yDir.dotProduct(inPlane), m_refVec.dotProduct(inPlane));
    // The angle of the point, taken into [startAng, startAng + 2 pi).
    angle = m_startAngle + std::fmod(std::fmod(angle - m_startAngle, kTwoPi) + kTwoPi, kTwoPi);
    if (angle <= m_endAngle)
        return evalPoint(angle);
    return point.distanceTo(start) <= point.distanceTo(end) ? start : end;
}

bool AcGeCircArc3d::isOn(const AcGePoint3d& point, const AcGeTol& tol) const
{
    return closestPointTo(point).isEqualTo(point, tol);
}
