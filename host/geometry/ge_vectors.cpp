// Tolerances, points and vectors of the geometry library.
#include "acge.h"
#include <cmath>

AcGeTol::AcGeTol() : m_equalPoint(1e-10), m_equalVector(1e-12) {}

AcGeTol AcGeContext::gTol;

const AcGePoint2d AcGePoint2d::kOrigin(0.0, 0.0);
const AcGePoint3d AcGePoint3d::kOrigin(0.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kIdentity(0.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kXAxis(1.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kYAxis(0.0, 1.0, 0.0);
const AcGeVector3d AcGeVector3d::kZAxis(0.0, 0.0, 1.0);

double AcGePoint2d::distanceTo(const AcGePoint2d& p) const
{
    return std::hypot(x - p.x, y - p.y);
}

bool AcGePoint2d::isEqualTo(const AcGePoint2d& p, const AcGeTol& tol) const
{
    return distanceTo(p) <= tol.equalPoint();
}

double AcGeVector3d::length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

double AcGeVector3d::lengthSqrd() const
{
    return x * x + y * y + z * z;
}

bool AcGeVector3d::isZeroLength(const AcGeTol& tol) const
{
    return length() <= tol.equalVector();
}

bool AcGeVector3d::isParallelTo(const AcGeVector3d& v, const AcGeTol& tol) const
{
    if (isZeroLength(tol) || v.isZeroLength(tol))
        return false;
    const AcGeVector3d a = *this / length();
    const AcGeVector3d b = v / v.length();
    return (a - b).length() < tol.equalVector() || (a + b).length() < tol.equalVector();
}

bool AcGeVector3d::isEqualTo(const AcGeVector3d& v, const AcGeTol& tol) const
{
    return (*this - v).length() <= tol.equalVector();
}

AcGeVector3d AcGeVector3d::crossProduct(const AcGeVector3d& v) const
{
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
}

double AcGeVector3d::dotProduct(const AcGeVector3d& v) const
{
    return x * v.x + y * v.y + z * v.z;
}

AcGeVector3d& AcGeVector3d::normalize(const AcGeTol& tol)
{
    if (!isZeroLength(tol))
        *this = *this / length();
    return *this;
}

AcGeVector3d AcGeVector3d::normal(const AcGeTol& tol) const
{
    AcGeVector3d unit = *this;
    return unit.normalize(tol);
}

AcGeVector3d AcGeVector3d::orthoProject(const AcGeVector3d& planeNormal) const
{
    const double nn = planeNormal.lengthSqrd();
    if (nn == 0.0)
        return *this;
    return *this - planeNormal * (dotProduct(planeNormal) / nn);
}

AcGeVector3d AcGeVector3d::perpVector() const
{
    // The x axis of the arbitrary axis rule is perpendicular to the normal it is made from.
    AcGePoint3d origin;
    AcGeVector3d xAxis, yAxis, zAxis;
    AcGeMatrix3d::planeToWorld(*this).getCoordSystem(origin, xAxis, yAxis, zAxis);
    return xAxis;
}

AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& m)
{
    const AcGeVector3d v = *this;
    x = m(0, 0) * v.x + m(0, 1) * v.y + m(0, 2) * v.z;
    y = m(1, 0) * v.x + m(1, 1) * v.y + m(1, 2) * v.z;
    z = m(2, 0) * v.x + m(2, 1) * v.y + m(2, 2) * v.z;
    return *this;
}

double AcGePoint3d::distanceTo(const AcGePoint3d& p) const
{
    return (*this - p).length();
}

bool AcGePoint3d::isEqualTo(const AcGePoint3d& p, const AcGeTol& tol) const
{
    return distanceTo(p) <= tol.equalPoint();
}

AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& m)
{
    const AcGePoint3d p = *this;
    x = m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2) * p.z + m(0, 3);
    y = m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2) * p.z + m(1, 3);
    z = m(2, 0) * p.x + m(2, 1) * p.y + m(2, 2) * p.z + m(2, 3);
    return *this;
}
