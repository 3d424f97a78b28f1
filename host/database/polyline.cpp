// The lightweight polyline: vertices and bulges in the object coordinate system of its normal
// at its elevation, and its segments as lines and arcs.
#include "dbents.h"
#include "database/object_state.h"
#include "geometry/tolerance.h"
#include "rx/rx_define.h"
#include <algorithm>
#include <cmath>

CADHOST_RX_DEFINE_MEMBERS(AcDbPolyline, AcDbCurve)

namespace {

using cadhost::isSamePoint;
using cadhost::kTwoPi;
using cadhost::magnitudeOf;

/// An arc segment in object coordinates: it starts at startAngle and turns by sweep
/// (counterclockwise when positive).
struct PlaneArc {
    AcGePoint2d center;
    double radius;
    double startAngle;
    double sweep;
};

/// The arc from p1 to p2 with this bulge (tan of a quarter of the signed included angle).
PlaneArc arcFromBulge(const AcGePoint2d& p1, const AcGePoint2d& p2, double bulge)
{
    const double dx = p2.x - p1.x;
    const double dy = p2.y - p1.y;
    const double chord = std::hypot(dx, dy);
    // The centre lies on the chord's perpendicular bisector, (c/2)(1 - b^2)/(2b) to the left of
    // the chord's direction.
    const double offset = (1.0 - bulge * bulge) / (4.0 * bulge);
    PlaneArc arc;
    arc.center = AcGePoint2d(p1.x + dx / 2.0 - dy * offset, p1.y + dy / 2.0 + dx * offset);
    arc.radius = chord * (1.0 + bulge * bulge) / (4.0 * std::fabs(bulge));
    arc.startAngle = std::atan2(p1.y - arc.center.y, p1.x - arc.center.x);
    arc.sweep = 4.0 * std::atan(bulge);
    return arc;
}

AcGePoint2d arcPoint(const PlaneArc& arc, double angle)
{
    return AcGePoint2d(arc.center.x + arc.radius * std::cos(angle),
                       arc.center.y + arc.radius * std::sin(angle));
}

/// How far point's direction from the centre lies along the arc, in [0, 2 pi), measured in
/// the arc's own sense from its start.
double turnFromStart(const PlaneArc& arc, const AcGePoint2d& point)
{
    const double angle = std::atan2(point.y - arc.center.y, point.x - arc.center.x);
    const double turn = arc.sweep > 0.0 ? angle - arc.startAngle : arc.startAngle - angle;
    double t = std::fmod(turn, kTwoPi);
    if (t < 0.0)
        t += kTwoPi;
    return t;
}

AcGePoint2d closestOnPlaneArc(const PlaneArc& arc, const AcGePoint2d& point)
{
    const AcGePoint2d start = arcPoint(arc, arc.startAngle);
    const AcGePoint2d end = arcPoint(arc, arc.startAngle + arc.sweep);
    if (isSamePoint(point, arc.center, magnitudeOf(arc.center) + arc.radius))
        return start;
    const double turn = turnFromStart(arc, point);
    if (turn <= std::fabs(arc.sweep)) {
        const double angle = arc.startAngle + (arc.sweep > 0.0 ? turn : -turn);
        return arcPoint(arc, angle);
    }
    return point.distanceTo(start) <= point.distanceTo(end) ? start : end;
}

AcGePoint2d closestOnPlaneSegment(const AcGePoint2d& a, const AcGePoint2d& b,
                                  const AcGePoint2d& point, double& fraction)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double squared = dx * dx + dy * dy;
    fraction = squared == 0.0
                   ? 0.0
                   : std::clamp(((point.x - a.x) * dx + (point.y - a.y) * dy) / squared, 0.0, 1.0);
    return AcGePoint2d(a.x + dx * fraction, a.y + dy * fraction);
}

}  // namespace

AcDbPolyline::AcDbPolyline() : m_closed(false), m_elevation(0.0), m_normal(AcGeVector3d::kZAxis) {}

AcDbPolyline::AcDbPolyline(unsigned int numVerts)
    : AcDbPolyline(numVerts, std::pmr::get_default_resource())
{
}

AcDbPolyline::AcDbPolyline(unsigned int numVerts, std::pmr::memory_resource* vertexMemory)
    : m_vertices(vertexMemory), m_closed(false), m_elevation(0.0), m_normal(AcGeVector3d::kZAxis)
{
    m_vertices.reserve(numVerts);
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& point,
                                            double bulge, double startWidth, double endWidth)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (index > m_vertices.size())
        return Acad::eInvalidIndex;
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(bulge))
        return Acad::eInvalidInput;
    m_vertices.insert(m_vertices.begin() + index, Vertex{point, bulge, startWidth, endWidth});
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::removeVertexAt(unsigned int index)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    m_vertices.erase(m_vertices.begin() + index);
    return Acad::eOk;
}

unsigned int AcDbPolyline::numVerts() const
{
    return static_cast<unsigned int>(m_vertices.size());
}

bool AcDbPolyline::isOnlyLines() const
{
    return std::all_of(m_vertices.begin(), m_vertices.end(), [](const Vertex& v) {
        return std::fabs(v.bulge) <= AcGeContext::gTol.equalVector();
    });
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint2d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    point = m_vertices[index].point;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint3d& point) const
{
    AcGePoint2d planePoint;
    if (const Acad::ErrorStatus es = getPointAt(index, planePoint); es != Acad::eOk)
        return es;
    point = AcGePoint3d(planePoint.x, planePoint.y, m_elevation)
                .transformBy(AcGeMatrix3d::planeToWorld(m_normal));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getBulgeAt(unsigned int index, double& bulge) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    bulge = m_vertices[index].bulge;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setPointAt(unsigned int index, const AcGePoint2d& point)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    m_vertices[index].point = point;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setBulgeAt(unsigned int index, double bulge)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    if (!std::isfinite(bulge))
        return Acad::eInvalidInput;
    m_vertices[index].bulge = bulge;
    return Acad::eOk;
}

void AcDbPolyline::setClosed(bool closed)
{
    if (isWriteEnabled())
        m_closed = closed;
}

bool AcDbPolyline::isClosed() const
{
    return m_closed;
}

double AcDbPolyline::elevation() const
{
    return m_elevation;
}

void AcDbPolyline::setElevation(double elevation)
{
    if (isWriteEnabled() && std::isfinite(elevation))
        m_elevation = elevation;
}

AcGeVector3d AcDbPolyline::normal() const
{
    return m_normal;
}

Acad::ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& normal)
{
    return AcDbImpObject::setUnitNormal(*this, m_normal, normal);
}

AcDbPolyline::SegType AcDbPolyline::segType(unsigned int index) const
{
    const std::size_t count = m_vertices.size();
    if (count == 0)
        return kEmpty;
    if (count == 1)
        return index == 0 ? kPoint : kEmpty;
    const std::size_t segments = m_closed ? count : count - 1;
    if (index >= segments)
        return kEmpty;
    const Vertex& from = m_vertices[index];
    const Vertex& to = m_vertices[(index + 1) % count];
    if (isSamePoint(from.point, to.point))
        return kCoincident;
    // A bulge within the vector tolerance of 0 is a straight segment.
    return std::fabs(from.bulge) <= AcGeContext::gTol.equalVector() ? kLine : kArc;
}

bool AcDbPolyline::onSegAt(unsigned int index, const AcGePoint2d& pt2d, double& param) const
{
    const SegType type = segType(index);
    if (type != kLine && type != kArc)
        return false;  // a segment without length lies on its neighbours' ends
    const Vertex& from = m_vertices[index];
    const Vertex& to = m_vertices[(index + 1) % m_vertices.size()];
    if (type == kLine) {
        double fraction = 0.0;
        const AcGePoint2d nearest = closestOnPlaneSegment(from.point, to.point, pt2d, fraction);
        if (!isSamePoint(nearest, pt2d, std::max(magnitudeOf(from.point), magnitudeOf(to.point))))
            return false;
        param = index + fraction;
        return true;
    }
    const PlaneArc arc = arcFromBulge(from.point, to.point, from.bulge);
    if (!isSamePoint(closestOnPlaneArc(arc, pt2d), pt2d, magnitudeOf(arc.center) + arc.radius))
        return false;
    double fraction = turnFromStart(arc, pt2d) / std::fabs(arc.sweep);
    if (fraction > 1.0)  // just before the start, within the tolerance
        fraction = pt2d.distanceTo(from.point) <= pt2d.distanceTo(to.point) ? 0.0 : 1.0;
    param = index + fraction;
    return true;
}

Acad::ErrorStatus AcDbPolyline::getArcSegAt(unsigned int index, AcGeCircArc3d& arc) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (segType(index) != kArc)
        return Acad::eInvalidInput;
    const Vertex& from = m_vertices[index];
    const Vertex& to = m_vertices[(index + 1) % m_vertices.size()];
    const PlaneArc planeArc = arcFromBulge(from.point, to.point, from.bulge);
    const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(m_normal);
    const AcGePoint3d center =
        AcGePoint3d(planeArc.center.x, planeArc.center.y, m_elevation).transformBy(toWorld);
    AcGeVector3d refVec(std::cos(planeArc.startAngle), std::sin(planeArc.startAngle), 0.0);
    refVec.transformBy(toWorld);
    // A clockwise segment is the counterclockwise arc about the reversed normal, so that it
    // still starts at the segment's first vertex.
    const AcGeVector3d normal = planeArc.sweep > 0.0 ? m_normal : -m_normal;
    arc.set(center, normal, refVec, planeArc.radius, 0.0, std::fabs(planeArc.sweep));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getLineSegAt(unsigned int index, AcGeLineSeg3d& line) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (segType(index) != kLine)
        return Acad::eInvalidInput;
    AcGePoint3d start, end;
    getPointAt(index, start);
    getPointAt(static_cast<unsigned int>((index + 1) % m_vertices.size()), end);
    line.set(start, end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getStartPoint(AcGePoint3d& point) const
{
    if (m_vertices.empty())
        return Acad::eDegenerateGeometry;
    return getPointAt(0u, point);
}

Acad::ErrorStatus AcDbPolyline::getEndPoint(AcGePoint3d& point) const
{
    if (m_vertices.empty())
        return Acad::eDegenerateGeometry;
    return getPointAt(m_closed ? 0u : numVerts() - 1, point);
}

Acad::ErrorStatus AcDbPolyline::getClosestPointTo(const AcGePoint3d& givenPoint,
                                                  AcGePoint3d& pointOnCurve, bool) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (m_vertices.empty())
        return Acad::eDegenerateGeometry;
    // The polyline is planar: the nearest point in space is the nearest point to the given
    // point's projection onto the plane.
    AcGePoint3d local = givenPoint;
    local.transformBy(AcGeMatrix3d::worldToPlane(m_normal));
    const AcGePoint2d point(local.x, local.y);
    AcGePoint2d best = m_vertices.front().point;
    double bestDistance = point.distanceTo(best);
    const std::size_t count = m_vertices.size();
    const std::size_t segments = count < 2 ? 0 : (m_closed ? count : count - 1);
    for (std::size_t i = 0; i < segments; ++i) {
        const Vertex& from = m_vertices[i];
        const Vertex& to = m_vertices[(i + 1) % count];
        AcGePoint2d candidate;
        if (segType(static_cast<unsigned int>(i)) == kArc) {
            candidate = closestOnPlaneArc(arcFromBulge(from.point, to.point, from.bulge), point);
        } else {
            double fraction = 0.0;
            candidate = closestOnPlaneSegment(from.point, to.point, point, fraction);
        }
        const double distance = point.distanceTo(candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    pointOnCurve = AcGePoint3d(best.x, best.y, m_elevation)
                       .transformBy(AcGeMatrix3d::planeToWorld(m_normal));
    return Acad::eOk;
}

void AcDbPolyline::getEcs(AcGeMatrix3d& ecs) const
{
    ecs = AcGeMatrix3d::planeToWorld(m_normal);
}

AcDbObject* AcDbPolyline::copyObject() const
{
    return new AcDbPolyline(*this);
}
