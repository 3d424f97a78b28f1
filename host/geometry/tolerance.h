// The stand-in's own constants and tolerances. Its internal comparisons of computed geometry
// scale with the magnitudes involved (a relative and an absolute tolerance, the larger one
// counting), so that a drawing placed far from the origin is handled as one at the origin.
// What AcGeTol means to a caller of the host interface is the host's own (sdk/acge.h).
#pragma once
#include "acge.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace cadhost {

/// pi and 2*pi, the doubles nearest to them.
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

/// The relative tolerance of internal comparisons: the rounding of a few operations on
/// coordinates of the magnitude involved.
constexpr double kRelativeTolerance = 64.0 * DBL_EPSILON;

/// The largest absolute coordinate.
inline double magnitudeOf(const AcGePoint2d& p)
{
    return std::max(std::fabs(p.x), std::fabs(p.y));
}
inline double magnitudeOf(const AcGePoint3d& p)
{
    return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
}

/// The distance below which points of this magnitude count as one: the host's point
/// tolerance, or the rounding of such coordinates when that is larger.
inline double pointTolerance(double magnitude)
{
    return std::max(AcGeContext::gTol.equalPoint(), kRelativeTolerance * magnitude);
}

/// Whether two points are one, for points of a figure whose coordinates reach `magnitude`
/// (their own count too).
inline bool isSamePoint(const AcGePoint2d& a, const AcGePoint2d& b, double magnitude = 0.0)
{
    return a.distanceTo(b) <=
           pointTolerance(std::max({magnitude, magnitudeOf(a), magnitudeOf(b)}));
}
inline bool isSamePoint(const AcGePoint3d& a, const AcGePoint3d& b, double magnitude = 0.0)
{
    return a.distanceTo(b) <=
           pointTolerance(std::max({magnitude, magnitudeOf(a), magnitudeOf(b)}));
}

/// Whether two vectors are parallel (or either is zero) to the rounding of their lengths.
inline bool isParallelOrZero(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return a.crossProduct(b).length() <= kRelativeTolerance * a.length() * b.length();
}

}  // namespace cadhost
