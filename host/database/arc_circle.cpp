// Arc and circle entities: centre in world coordinates, angles in the object coordinate
// system of the normal.
#include "dbents.h"
#include "database/object_state.h"
#include "geometry/tolerance.h"
#include "rx/rx_define.h"
#include <cmath>

CADHOST_RX_DEFINE_MEMBERS(AcDbArc, AcDbCurve)
CADHOST_RX_DEFINE_MEMBERS(AcDbCircle, AcDbCurve)

namespace {

using cadhost::kTwoPi;

/// The angle taken into [0, 2 pi).
double normalizedAngle(double angle)
{
    double a = std::fmod(angle, kTwoPi);
    if (a < 0.0)
        a += kTwoPi;
    return a >= kTwoPi ? 0.0 : a;
}

/// The world x and y axes of the object coordinate system of normal.
void objectAxes(const AcGeVector3d& normal, AcGeVector3d& xAxis, AcGeVector3d& yAxis)
{
    AcGePoint3d origin;
    AcGeVector3d zAxis;
    AcGeMatrix3d::planeToWorld(normal).getCoordSystem(origin, xAxis, yAxis, zAxis);
}

AcGePoint3d pointAtAngle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                         double angle)
{
    AcGeVector3d xAxis, yAxis;
    objectAxes(normal, xAxis, yAxis);
    return center + (xAxis * std::cos(angle) + yAxis * std::sin(angle)) * radius;
}

/// The point of the whole circle nearest to givenPoint; the point at angle 0 for a point on
/// the circle's axis, which is as near as any.
AcGePoint3d closestOnCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                            const AcGePoint3d& givenPoint)
{
    const AcGeVector3d inPlane = (givenPoint - center).orthoProject(normal);
    if (inPlane.length() <= cadhost::pointTolerance(cadhost::magnitudeOf(center) + radius))
        return pointAtAngle(center, normal, radius, 0.0);
    return center + inPlane * (radius / inPlane.length());
}

bool isUsableRadius(double radius)
{
    return std::isfinite(radius) && radius > 0.0;
}

}  // namespace

AcDbArc::AcDbArc()
    : m_radius(1.0), m_startAngle(0.0), m_endAngle(kTwoPi / 4.0), m_normal(AcGeVector3d::kZAxis)
{
}

AcDbArc::AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle)
    : AcDbArc(center, AcGeVector3d::kZAxis, radius, startAngle, endAngle)
{
}

AcDbArc::AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                 double startAngle, double endAngle)
    : m_center(center),
      m_radius(radius),
      m_startAngle(normalizedAngle(startAngle)),
      m_endAngle(normalizedAngle(endAngle)),
      m_normal(normal.isZeroLength() ? AcGeVector3d::kZAxis : normal.normal())
{
}

AcGePoint3d AcDbArc::center() const
{
    return m_center;
}

double AcDbArc::radius() const
{
    return m_radius;
}

double AcDbArc::startAngle() const
{
    return m_startAngle;
}

double AcDbArc::endAngle() const
{
    return m_endAngle;
}

AcGeVector3d AcDbArc::normal() const
{
    return m_normal;
}

Acad::ErrorStatus AcDbArc::setCenter(const AcGePoint3d& center)
{
    return setWhenWriteEnabled(m_center, center);
}

Acad::ErrorStatus AcDbArc::setRadius(double radius)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!isUsableRadius(radius))
        return Acad::eInvalidInput;
    m_radius = radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setStartAngle(double angle)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!std::isfinite(angle))
        return Acad::eInvalidInput;
    m_startAngle = normalizedAngle(angle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setEndAngle(double angle)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!std::isfinite(angle))
        return Acad::eInvalidInput;
    m_endAngle = normalizedAngle(angle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setNormal(const AcGeVector3d& normal)
{
    return AcDbImpObject::setUnitNormal(*this, m_normal, normal);
}

AcGeCircArc3d AcDbArc::geArc() const
{
    AcGeVector3d xAxis, yAxis;
    objectAxes(m_normal, xAxis, yAxis);
    // The arc runs counterclockwise from the start angle to the end angle; equal angles give
    // an arc of no length.
    double end = m_endAngle;
    if (end < m_startAngle)
        end += kTwoPi;
    return AcGeCircArc3d(m_center, m_normal, xAxis, m_radius, m_startAngle, end);
}

Acad::ErrorStatus AcDbArc::getStartPoint(AcGePoint3d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    point = pointAtAngle(m_center, m_normal, m_radius, m_startAngle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getEndPoint(AcGePoint3d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    point = pointAtAngle(m_center, m_normal, m_radius, m_endAngle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getClosestPointTo(const AcGePoint3d& givenPoint,
                                             AcGePoint3d& pointOnCurve, bool extend) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    pointOnCurve = extend ? closestOnCircle(m_center, m_normal, m_radius, givenPoint)
                          : geArc().closestPointTo(givenPoint);
    return Acad::eOk;
}

void AcDbArc::getEcs(AcGeMatrix3d& ecs) const
{
    ecs = AcGeMatrix3d::planeToWorld(m_normal);
}

AcDbObject* AcDbArc::copyObject() const
{
    return new AcDbArc(*this);
}

AcDbCircle::AcDbCircle() : m_radius(1.0), m_normal(AcGeVector3d::kZAxis) {}

AcDbCircle::AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
    : m_center(center),
      m_radius(radius),
      m_normal(normal.isZeroLength() ? AcGeVector3d::kZAxis : normal.normal())
{
}

AcGePoint3d AcDbCircle::center() const
{
    return m_center;
}

double AcDbCircle::radius() const
{
    return m_radius;
}

AcGeVector3d AcDbCircle::normal() const
{
    return m_normal;
}

Acad::ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& center)
{
    return setWhenWriteEnabled(m_center, center);
}

Acad::ErrorStatus AcDbCircle::setRadius(double radius)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!isUsableRadius(radius))
        return Acad::eInvalidInput;
    m_radius = radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& normal)
{
    return AcDbImpObject::setUnitNormal(*this, m_normal, normal);
}

Acad::ErrorStatus AcDbCircle::getStartPoint(AcGePoint3d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    point = pointAtAngle(m_center, m_normal, m_radius, 0.0);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getEndPoint(AcGePoint3d& point) const
{
    return getStartPoint(point);
}

Acad::ErrorStatus AcDbCircle::getClosestPointTo(const AcGePoint3d& givenPoint,
                                                AcGePoint3d& pointOnCurve, bool) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    pointOnCurve = closestOnCircle(m_center, m_normal, m_radius, givenPoint);
    return Acad::eOk;
}

void AcDbCircle::getEcs(AcGeMatrix3d& ecs) const
{
    ecs = AcGeMatrix3d::planeToWorld(m_normal);
}

AcDbObject* AcDbCircle::copyObject() const
{
    return new AcDbCircle(*this);
}
