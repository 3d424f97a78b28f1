#include "geometry/Primitives.h"

#include <cmath>
#include <limits>

namespace {

/// The tolerance of collinearRatio: 1e-10 for both points and vectors.
AcGeTol strictTolerance()
{
    AcGeTol tolerance;
    tolerance.setEqualPoint(1e-10);
    tolerance.setEqualVector(1e-10);
    return tolerance;
}

/// a . b, summed component by component in x, y, z order.
double dot(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

double roundNearest(double x)
{
    const double up = std::ceil(x);
    const double down = std::floor(x);
    return std::fabs(x - down) > std::fabs(up - x) ? up : down;
}

int signOf(double x)
{
    if (x == 0.0)
        return 0;
    return x > 0.0 ? 1 : -1;
}

bool collinearRatio(const AcGeVector3d& a, const AcGeVector3d& b, double& k)
{
    const AcGeTol strict = strictTolerance();
    const bool bIsZero = b.isZeroLength(strict);
    const bool aIsZero = a.isZeroLength(AcGeContext::gTol);
    if (bIsZero || aIsZero) {
        const bool bothZero = bIsZero && aIsZero;
        k = bothZero ? 1.0 : 0.0;
        return bothZero;
    }
    if (!a.isParallelTo(b, strict))
        return false;
    const double ratio = b.length() / a.length();
    k = dot(a, b) > 0.0 ? ratio : -ratio;
    return true;
}

bool isSameDirection(const AcGeVector3d& a, const AcGeVector3d& b)
{
    double k = 0.0;
    return collinearRatio(a, b, k) && k > 0.0;
}

double polarAngle(const AcGeVector3d& v)
{
    if (v.length() == 0.0)
        return 0.0;
    // A vector along z has no angle in the xy plane.
    if (v.x == 0.0 && v.y == 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    // The two-argument arctangent keeps every digit; an arcsine of y / r loses half of them
    // next to the y axis, where a quarter arc of a drawing ends.
    double angle = std::atan2(v.y, v.x);
    if (angle < 0.0)
        angle += kTwoPi;
    return angle;
}

double angleAboutAxis(const AcGeVector3d& from, const AcGeVector3d& to, const AcGeVector3d& axis,
                      int direction)
{
    double k = 0.0;
    if (collinearRatio(from, to, k))
        return k > 0.0 ? 0.0 : kPi;

    AcGeVector3d xAxis = from;
    xAxis.normalize(AcGeContext::gTol);
    AcGeVector3d zAxis = axis;
    zAxis.normalize(AcGeContext::gTol);
    const AcGeVector3d yAxis = zAxis.crossProduct(xAxis);

    const AcGeVector3d fromInFrame(dot(xAxis, from), dot(yAxis, from), dot(zAxis, from));
    const AcGeVector3d toInFrame(dot(xAxis, to), dot(yAxis, to), dot(zAxis, to));
    double angle = polarAngle(toInFrame) - polarAngle(fromInFrame);
    if (angle < 0.0)
        angle += kTwoPi;
    if (direction < 1)
        angle = kTwoPi - angle;
    return angle;
}

double arcSweepAngle(const AcGeVector3d& start, const AcGeVector3d& end,
                     const AcGeVector3d& through)
{
    double k = 0.0;
    if (collinearRatio(start, end, k)) {
        if (k <= 0.0)
            return kPi;
        double kThrough = 0.0;
        const bool throughAtStart = collinearRatio(start, through, kThrough) && kThrough > 0.0;
        return throughAtStart ? 0.0 : kTwoPi;
    }
    const AcGeVector3d normal = start.crossProduct(end);
    const double toThrough = angleAboutAxis(start, through, normal, 1);
    const double toEnd = angleAboutAxis(start, end, normal, 1);
    return toEnd > toThrough ? toEnd : kTwoPi - toEnd;
}

int arcOrientation(const AcGeVector3d& start, const AcGeVector3d& end,
                   const AcGeVector3d& through, const AcGeVector3d& normal)
{
    if (start.length() == 0.0 || end.length() == 0.0 || through.length() == 0.0 ||
        normal.length() == 0.0)
        return 0;

    double k = 0.0;
    if (collinearRatio(start, end, k)) {
        if (k > 0.0)
            return 0;
        if (isSameDirection(start, through) || isSameDirection(end, through))
            return 0;
        // A normal that is not parallel to start x through leaves the ratio at 0: no sense.
        double alongNormal = 0.0;
        collinearRatio(normal, start.crossProduct(through), alongNormal);
        return signOf(alongNormal);
    }
    const double counterclockwise = angleAboutAxis(start, end, normal, 1);
    const double clockwise = angleAboutAxis(start, end, normal, -1);
    const double sweep = arcSweepAngle(start, end, through);
    return std::fabs(clockwise - sweep) > std::fabs(counterclockwise - sweep) ? 1 : -1;
}
