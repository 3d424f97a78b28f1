// The architectural entity base class and the wall.
#include "database/aec_wall.h"
#include "rx/rx_define.h"

CADHOST_RX_DEFINE_MEMBERS(AecDbEntity, AcDbEntity)
CADHOST_RX_DEFINE_MEMBERS(AecDbWall, AecDbEntity)

AecDbWall::AecDbWall()
    : m_start(AcGePoint3d::kOrigin), m_middle(0.5, 0.0, 0.0), m_end(1.0, 0.0, 0.0)
{
}

AecDbWall::AecDbWall(const AcGePoint3d& start, const AcGePoint3d& middle, const AcGePoint3d& end)
    : m_start(start), m_middle(middle), m_end(end)
{
}

AcGePoint3d AecDbWall::startPoint() const
{
    return m_start;
}

AcGePoint3d AecDbWall::midPoint() const
{
    return m_middle;
}

AcGePoint3d AecDbWall::endPoint() const
{
    return m_end;
}

Acad::ErrorStatus AecDbWall::setPoints(const AcGePoint3d& start, const AcGePoint3d& middle,
                                       const AcGePoint3d& end)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_start = start;
    m_middle = middle;
    m_end = end;
    return Acad::eOk;
}

bool AecDbWall::isStraight() const
{
    return AcGeLineSeg3d(m_start, m_end).isOn(m_middle);
}

AcGeCircArc3d AecDbWall::baselineArc() const
{
    return AcGeCircArc3d(m_start, m_middle, m_end);
}

AcDbObject* AecDbWall::copyObject() const
{
    return new AecDbWall(*this);
}
