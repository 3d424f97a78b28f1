// Point and line entities.
#include "dbents.h"
#include "database/object_state.h"
#include "rx/rx_define.h"

CADHOST_RX_DEFINE_MEMBERS(AcDbPoint, AcDbEntity)
CADHOST_RX_DEFINE_MEMBERS(AcDbLine, AcDbCurve)

AcDbPoint::AcDbPoint() = default;

AcDbPoint::AcDbPoint(const AcGePoint3d& position) : m_position(position) {}

AcGePoint3d AcDbPoint::position() const
{
    return m_position;
}

Acad::ErrorStatus AcDbPoint::setPosition(const AcGePoint3d& position)
{
    return setWhenWriteEnabled(m_position, position);
}

AcDbObject* AcDbPoint::copyObject() const
{
    return new AcDbPoint(*this);
}

AcDbLine::AcDbLine() : m_normal(AcGeVector3d::kZAxis) {}

AcDbLine::AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end)
    : m_start(start), m_end(end), m_normal(AcGeVector3d::kZAxis)
{
}

AcGePoint3d AcDbLine::startPoint() const
{
    return m_start;
}

AcGePoint3d AcDbLine::endPoint() const
{
    return m_end;
}

Acad::ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_start, point);
}

Acad::ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& point)
{
    return setWhenWriteEnabled(m_end, point);
}

AcGeVector3d AcDbLine::normal() const
{
    return m_normal;
}

Acad::ErrorStatus AcDbLine::setNormal(const AcGeVector3d& normal)
{
    return AcDbImpObject::setUnitNormal(*this, m_normal, normal);
}

Acad::ErrorStatus AcDbLine::getStartPoint(AcGePoint3d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    point = m_start;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getEndPoint(AcGePoint3d& point) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    point = m_end;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getClosestPointTo(const AcGePoint3d& givenPoint,
                                              AcGePoint3d& pointOnCurve, bool extend) const
{
    if (const Acad::ErrorStatus es = assertReadEnabled(); es != Acad::eOk)
        return es;
    if (!extend) {
        pointOnCurve = AcGeLineSeg3d(m_start, m_end).closestPointTo(givenPoint);
        return Acad::eOk;
    }
    const AcGeVector3d direction = m_end - m_start;
    const double squared = direction.lengthSqrd();
    pointOnCurve = squared == 0.0
                       ? m_start
                       : m_start + direction * ((givenPoint - m_start).dotProduct(direction) /
                                                squared);
    return Acad::eOk;
}

AcDbObject* AcDbLine::copyObject() const
{
    return new AcDbLine(*this);
}
