// The circle through three points from the triangle's edges alone: the differences of the
// points, scaled by a power of two to a common size. Neither the points' distance from the
// origin nor their scale then costs digits (no squares of coordinates, no overflow); the
// triangle's normal is computed exactly, so that only exactly collinear points have none; and
// the arc's angle comes from the turn at the second point, so a nearly straight arc keeps a
// length close to the way through its points.
#include "arclen/CircleThrough3Points.h"

#include "geometry/Primitives.h"

#include <algorithm>
#include <cmath>

namespace {

/// A number held exactly as the sum of two doubles.
struct TwoPart {
    double high;
    double low;
};

/// a - b exactly.
TwoPart exactDifference(double a, double b)
{
    const double high = a - b;
    const double bPart = a - high;
    const double aPart = high + bPart;
    return {high, (a - aPart) + (bPart - b)};
}

/// a + b exactly, the sum in sum and what rounding left out in error.
void exactSum(double a, double b, double& sum, double& error)
{
    sum = a + b;
    const double bPart = sum - a;
    const double aPart = sum - bPart;
    error = (a - aPart) + (b - bPart);
}

/// a1 * b2 - a2 * b1 of exact numbers, computed exactly and rounded once: every partial
/// product is split exactly into two doubles and added into a sum of non-overlapping parts,
/// which is zero only when the exact value is.
double exactCrossComponent(TwoPart a1, TwoPart a2, TwoPart b1, TwoPart b2)
{
    double parts[32] = {};
    int count = 0;
    const auto add = [&parts, &count](double term) {
        for (int i = 0; i < count; ++i)
            exactSum(term, parts[i], term, parts[i]);
        parts[count++] = term;
    };
    const auto addProduct = [&add](double a, double b) {
        const double product = a * b;
        add(std::fma(a, b, -product));
        add(product);
    };
    for (double a : {a1.high, a1.low})
        for (double b : {b2.high, b2.low})
            addProduct(a, b);
    for (double a : {a2.high, a2.low})
        for (double b : {b1.high, b1.low})
            addProduct(-a, b);
    double value = 0.0;
    for (int i = 0; i < count; ++i)
        value += parts[i];
    return value;
}

/// The edges of the triangle p1 p2 p3 and its normal (p2 - p1) x (p3 - p1), scaled by
/// 2^-exponent. The normal is exact but for one rounding of each coordinate: exactly zero for
/// collinear points, and with all its digits for a sliver of a triangle.
struct ScaledTriangle {
    AcGeVector3d firstToSecond;
    AcGeVector3d secondToThird;
    AcGeVector3d firstToThird;
    AcGeVector3d normal;
    int exponent = 0;
};

AcGeVector3d scaledBy(const AcGePoint3d& p, int exponent)
{
    return AcGeVector3d(std::ldexp(p.x, exponent), std::ldexp(p.y, exponent),
                        std::ldexp(p.z, exponent));
}

/// The triangle scaled so that its largest coordinate lies in [0.5, 1): exact, and no product
/// of two coordinates overflows or loses its digits to underflow.
ScaledTriangle scaledTriangle(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3)
{
    double largest = 0.0;
    for (const AcGePoint3d* p : {&p1, &p2, &p3})
        largest = std::max({largest, std::fabs(p->x), std::fabs(p->y), std::fabs(p->z)});
    ScaledTriangle triangle;
    std::frexp(largest, &triangle.exponent);
    const AcGeVector3d q1 = scaledBy(p1, -triangle.exponent);
    const AcGeVector3d q2 = scaledBy(p2, -triangle.exponent);
    const AcGeVector3d q3 = scaledBy(p3, -triangle.exponent);
    triangle.firstToSecond = q2 - q1;
    triangle.secondToThird = q3 - q2;
    triangle.firstToThird = q3 - q1;
    const TwoPart u[] = {exactDifference(q2.x, q1.x), exactDifference(q2.y, q1.y),
                         exactDifference(q2.z, q1.z)};
    const TwoPart w[] = {exactDifference(q3.x, q1.x), exactDifference(q3.y, q1.y),
                         exactDifference(q3.z, q1.z)};
    triangle.normal = AcGeVector3d(exactCrossComponent(u[1], u[2], w[1], w[2]),
                                   exactCrossComponent(u[2], u[0], w[2], w[0]),
                                   exactCrossComponent(u[0], u[1], w[0], w[1]));
    return triangle;
}

/// The turn in [0, pi] of the way p1, p2, p3 at p2: the angle between p2 - p1 and p3 - p2.
double turnAtSecondPoint(const ScaledTriangle& t)
{
    return std::atan2(t.normal.length(), t.firstToSecond.dotProduct(t.secondToThird));
}

bool isFinite(const AcGePoint3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

bool circleThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                          double& radius, AcGePoint3d& center)
{
    const ScaledTriangle t = scaledTriangle(p1, p2, p3);
    const double u = t.firstToSecond.length();
    const double v = t.secondToThird.length();
    const double c = t.firstToThird.length();
    const AcGeVector3d& normal = t.normal;
    const double twiceArea = normal.length();
    if (u == 0.0 || v == 0.0 || c == 0.0 || twiceArea == 0.0)
        return false;
    // R = c / (2 sin(turn)), with sin(turn) = |normal| / (u v).
    const double scaledRadius = c * (u * v / twiceArea) / 2.0;
    // The centre from p1: (|u|^2 c - |c|^2 u) x n / (2 |n|^2), with u and c the edges from p1.
    const AcGeVector3d toCenter =
        (t.firstToThird * (u * u) - t.firstToSecond * (c * c)).crossProduct(normal) /
        (2.0 * twiceArea * twiceArea);
    const double foundRadius = std::ldexp(scaledRadius, t.exponent);
    const AcGePoint3d foundCenter =
        p1 + AcGeVector3d(std::ldexp(toCenter.x, t.exponent), std::ldexp(toCenter.y, t.exponent),
                          std::ldexp(toCenter.z, t.exponent));
    // A circle whose length a double cannot hold has no use here.
    if (!std::isfinite(foundRadius * kTwoPi) || !isFinite(foundCenter))
        return false;
    radius = foundRadius;
    center = foundCenter;
    return true;
}

double sweepThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3)
{
    return 2.0 * turnAtSecondPoint(scaledTriangle(p1, p2, p3));
}
