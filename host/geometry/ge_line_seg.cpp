// The bounded straight segment.
#include "acge.h"
#include <algorithm>

AcGeLineSeg3d::AcGeLineSeg3d() : m_start(AcGePoint3d::kOrigin), m_end(1.0, 0.0, 0.0) {}

AcGeLineSeg3d::AcGeLineSeg3d(const AcGePoint3d& start, const AcGePoint3d& end)
    : m_start(start), m_end(end)
{
}

AcGeLineSeg3d& AcGeLineSeg3d::set(const AcGePoint3d& start, const AcGePoint3d& end)
{
    m_start = start;
    m_end = end;
    return *this;
}

double AcGeLineSeg3d::length() const
{
    return m_start.distanceTo(m_end);
}

AcGePoint3d AcGeLineSeg3d::closestPointTo(const AcGePoint3d& point) const
{
    const AcGeVector3d d = m_end - m_start;
    const double dd = d.lengthSqrd();
    if (dd == 0.0)
        return m_start;
    const double t = std::clamp((point - m_start).dotProduct(d) / dd, 0.0, 1.0);
    return m_start + d * t;
}

bool AcGeLineSeg3d::isOn(const AcGePoint3d& point, const AcGeTol& tol) const
{
    return closestPointTo(point).isEqualTo(point, tol);
}
