// Geometry of the independent reference in long double: vectors, the object coordinate system
// of a normal, and an arc as a frame of its plane. Nothing here comes from the module.
#pragma once
#include "acge.h"

#include <cmath>

namespace reference {

using Real = long double;

constexpr Real kPi = 3.14159265358979323846264338327950288L;
constexpr Real kTwoPi = 2.0L * kPi;

struct V3 {
    Real x = 0, y = 0, z = 0;
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator-(V3 a) { return {-a.x, -a.y, -a.z}; }
inline V3 operator*(V3 a, Real s) { return {a.x * s, a.y * s, a.z * s}; }
inline Real dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Real norm(V3 a) { return std::sqrt(dot(a, a)); }
inline V3 unit(V3 a) { return a * (1.0L / norm(a)); }
inline Real largest(V3 a)
{
    return std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z)));
}
inline V3 of(const AcGePoint3d& p) { return {p.x, p.y, p.z}; }
inline V3 of(const AcGeVector3d& v) { return {v.x, v.y, v.z}; }

/// The x axis of the object coordinate system of a unit normal (the arbitrary axis rule).
inline V3 ocsXAxis(V3 n)
{
    const V3 helper = std::fabs(n.x) < 1.0L / 64 && std::fabs(n.y) < 1.0L / 64 ? V3{0, 1, 0}
                                                                               : V3{0, 0, 1};
    return unit(cross(helper, n));
}

/// An arc: from the direction `along` it turns counterclockwise about `normal` by `sweep`.
struct Arc {
    V3 center;
    V3 normal;  ///< unit
    V3 along;   ///< unit start direction
    Real radius = 0;
    Real sweep = 0;

    V3 across() const { return cross(normal, along); }
    /// The turn of point's direction from the start, in [0, 2*pi).
    Real turnOf(V3 point) const
    {
        const V3 d = point - center;
        Real t = std::atan2(dot(d, across()), dot(d, along));
        return t < 0 ? t + kTwoPi : t;
    }
    /// The distance of point from the axis.
    Real distanceOf(V3 point) const
    {
        const V3 d = point - center;
        return norm(d - normal * dot(d, normal));
    }
    V3 at(Real turn, Real distance) const
    {
        return center + (along * std::cos(turn) + across() * std::sin(turn)) * distance;
    }
    /// The same arc the other way round the circle, from the same start.
    Arc otherWay() const { return {center, -normal, along, radius, kTwoPi - sweep}; }
};

}  // namespace reference
