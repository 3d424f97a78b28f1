// Dimensions: text override, style, elevation, and the three-point angular dimension with its
// measurement.
#include "database/database_impl.h"
#include "database/symbol_tables.h"
#include "acedads.h"
#include "dbdim.h"
#include "database/object_state.h"
#include "geometry/tolerance.h"
#include "rx/rx_define.h"
#include "session/session.h"
#include <cmath>

CADHOST_RX_DEFINE_MEMBERS(AcDbDimension, AcDbEntity)
CADHOST_RX_DEFINE_MEMBERS(AcDb3PointAngularDimension, AcDbDimension)

namespace {

using cadhost::kTwoPi;

/// The counterclockwise angle from a to b about axis, in [0, 2 pi).
double angleAbout(const AcGeVector3d& a, const AcGeVector3d& b, const AcGeVector3d& axis)
{
    double angle = std::atan2(a.crossProduct(b).dotProduct(axis.normal()), a.dotProduct(b));
    if (angle < 0.0)
        angle += kTwoPi;
    return angle;
}

/// The sweep from d1 to d2 that passes dA, in [0, 2 pi], and its starting direction; false when
/// an extension line has no direction.
bool angularSweep(const AcGeVector3d& d1, const AcGeVector3d& d2, const AcGeVector3d& dA,
                  const AcGeVector3d& fallbackNormal, double& sweep, AcGeVector3d& axis)
{
    if (d1.isZeroLength() || d2.isZeroLength())
        return false;
    // The sweep on the arc point's side does not depend on which way the plane is turned, so
    // any normal of the plane of the extension lines will do.
    axis = d1.crossProduct(d2);
    if (axis.isZeroLength())
        axis = fallbackNormal;
    const double between = angleAbout(d1, d2, axis);
    const double toArcPoint = angleAbout(d1, dA.orthoProject(axis), axis);
    if (between == 0.0)
        sweep = toArcPoint == 0.0 ? 0.0 : kTwoPi;
    else if (toArcPoint <= between)
        sweep = between;
    else {
        sweep = kTwoPi - between;
        axis = -axis;
    }
    return true;
}

}  // namespace

AcDbDimension::AcDbDimension()
    : m_elevation(0.0),
      m_normal(AcGeVector3d::kZAxis),
      m_dimStyleId(cadhost::workingDatabase()->dimstyle()),
      m_defaultTextPosition(true)
{
}

ACHAR* AcDbDimension::dimensionText() const
{
    return acutNewString(m_text.c_str());
}

Acad::ErrorStatus AcDbDimension::setDimensionText(const ACHAR* text)
{
    return setWhenWriteEnabled(m_text, text != nullptr ? text : u"");
}

double AcDbDimension::elevation() const
{
    return m_elevation;
}

Acad::ErrorStatus AcDbDimension::setElevation(double elevation)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!std::isfinite(elevation))
        return Acad::eInvalidInput;
    m_elevation = elevation;
    return Acad::eOk;
}

AcGeVector3d AcDbDimension::normal() const
{
    return m_normal;
}

Acad::ErrorStatus AcDbDimension::setNormal(const AcGeVector3d& normal)
{
    return AcDbImpObject::setUnitNormal(*this, m_normal, normal);
}

AcDbObjectId AcDbDimension::dimensionStyle() const
{
    return m_dimStyleId;
}

Acad::ErrorStatus AcDbDimension::setDimensionStyle(AcDbObjectId styleId)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (styleId.isNull())
        return Acad::eNullObjectId;
    if (!styleId.isValid() ||
        AcDbDimStyleTableRecord::cast(styleId.database()->impl().objectAt(styleId)) == nullptr)
        return Acad::eInvalidInput;
    if (isPersistent() && styleId.database() != database())
        return Acad::eWrongDatabase;
    m_dimStyleId = styleId;
    return Acad::eOk;
}

AcGePoint3d AcDbDimension::textPosition() const
{
    if (!m_defaultTextPosition)
        return m_textPosition;
    // By default the text sits on the dimension line, halfway along it.
    const auto* angular = AcDb3PointAngularDimension::cast(this);
    if (angular == nullptr)
        return m_textPosition;
    const AcGePoint3d center = angular->centerPoint();
    const AcGeVector3d d1 = angular->xLine1Point() - center;
    const AcGeVector3d dA = angular->arcPoint() - center;
    double sweep = 0.0;
    AcGeVector3d axis;
    if (!angularSweep(d1, angular->xLine2Point() - center, dA, m_normal, sweep, axis))
        return angular->arcPoint();
    AcGeVector3d middle = d1.normal() * dA.length();
    return center + middle.transformBy(AcGeMatrix3d::rotation(sweep / 2.0, axis));
}

Acad::ErrorStatus AcDbDimension::setTextPosition(const AcGePoint3d& position)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_textPosition = position;
    m_defaultTextPosition = false;
    return Acad::eOk;
}

bool AcDbDimension::isUsingDefaultTextPosition() const
{
    return m_defaultTextPosition;
}

AcDb3PointAngularDimension::AcDb3PointAngularDimension() = default;

AcDb3PointAngularDimension::AcDb3PointAngularDimension(
    const AcGePoint3d& centerPoint, const AcGePoint3d& xLine1Point,
    const AcGePoint3d& xLine2Point, const AcGePoint3d& arcPoint, const ACHAR* dimText,
    AcDbObjectId dimStyle)
    : m_centerPoint(centerPoint),
      m_xLine1Point(xLine1Point),
      m_xLine2Point(xLine2Point),
      m_arcPoint(arcPoint)
{
    setDimensionText(dimText);
    // A null style keeps the working drawing's current style from the base constructor.
    if (!dimStyle.isNull())
        setDimensionStyle(dimStyle);
}

AcGePoint3d AcDb3PointAngularDimension::centerPoint() const
{
    return m_centerPoint;
}

AcGePoint3d AcDb3PointAngularDimension::xLine1Point() const
{
    return m_xLine1Point;
}

AcGePoint3d AcDb3PointAngularDimension::xLine2Point() const
{
    return m_xLine2Point;
}

AcGePoint3d AcDb3PointAngularDimension::arcPoint() const
{
    return m_arcPoint;
}

Acad::ErrorStatus AcDb3PointAngularDimension::setCenterPoint(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_centerPoint, point);
}

Acad::ErrorStatus AcDb3PointAngularDimension::setXLine1Point(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_xLine1Point, point);
}

Acad::ErrorStatus AcDb3PointAngularDimension::setXLine2Point(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_xLine2Point, point);
}

Acad::ErrorStatus AcDb3PointAngularDimension::setArcPoint(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_arcPoint, point);
}

Acad::ErrorStatus AcDb3PointAngularDimension::measurement(double& value)
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    double sweep = 0.0;
    AcGeVector3d axis;
    if (!angularSweep(m_xLine1Point - m_centerPoint, m_xLine2Point - m_centerPoint,
                      m_arcPoint - m_centerPoint, normal(), sweep, axis))
        return Acad::eDegenerateGeometry;
    value = sweep;
    return Acad::eOk;
}

AcDbObject* AcDb3PointAngularDimension::copyObject() const
{
    return new AcDb3PointAngularDimension(*this);
}
