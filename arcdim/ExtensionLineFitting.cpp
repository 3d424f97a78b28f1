// Fitting an arc dimension to picked extension points. Only the directions of the points from
// the centre count; angles are measured about the normal of the dimensioned arc in the sense
// that leads from the first extension line through the arc point to the second.
#include "arcdim/ExtensionLineFitting.h"

#include "arcdim/ArcSide.h"
#include "arcdim/KotaDP.h"
#include "geometry/Primitives.h"

#include <cmath>

namespace {

/// Angles about one normal in the dimension's sense.
class ArcAngles {
public:
    ArcAngles(const AcGeVector3d& normal, int sense) : m_normal(normal), m_sense(sense) {}

    /// How far to lies from `from`, turning in the dimension's sense.
    double forward(const AcGeVector3d& from, const AcGeVector3d& to) const
    {
        return angleAboutAxis(from, to, m_normal, m_sense);
    }
    /// How far to lies from `from`, turning against the dimension's sense.
    double backward(const AcGeVector3d& from, const AcGeVector3d& to) const
    {
        return angleAboutAxis(from, to, m_normal, -m_sense);
    }
    /// The quarter turn of direction in the dimension's sense (a sense below 1 is clockwise,
    /// as for angleAboutAxis), at the given length; zero when direction lies along the normal.
    AcGeVector3d quarterTurn(const AcGeVector3d& direction, double length) const
    {
        AcGeVector3d turned = m_normal.normal().crossProduct(direction);
        if (m_sense < 1)
            turned = -turned;
        if (turned.isZeroLength())
            return AcGeVector3d();
        return turned.normal() * length;
    }

private:
    AcGeVector3d m_normal;
    int m_sense;
};

/// The longest of the three cross products of the directions; ties keep the later one.
AcGeVector3d arcNormal(const AcGeVector3d& toFirst, const AcGeVector3d& toSecond,
                       const AcGeVector3d& toArcPoint)
{
    const AcGeVector3d firstSecond = toFirst.crossProduct(toSecond);
    const AcGeVector3d firstArc = toFirst.crossProduct(toArcPoint);
    const AcGeVector3d secondArc = toSecond.crossProduct(toArcPoint);
    const AcGeVector3d withArc = firstArc.length() > secondArc.length() ? firstArc : secondArc;
    return withArc.length() > firstSecond.length() ? withArc : firstSecond;
}

/// Whether the sum of the two directions is too short to give a direction of its own: the
/// picked directions are opposite at equal distances.
bool hasNoDirection(const AcGeVector3d& sum, const AcGeVector3d& first,
                    const AcGeVector3d& second)
{
    return sum.length() <= AcGeContext::gTol.equalVector() * (first.length() + second.length());
}

/// Whether every coordinate is a finite number.
bool isFinite(const AcGeVector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// The arc point's direction in the middle of the span from first to second (first met first
/// in the dimension's sense), at the given distance from the centre.
AcGeVector3d middleOfSpan(const ArcAngles& angles, const AcGeVector3d& first,
                          const AcGeVector3d& second, double distance)
{
    AcGeVector3d middle = first + second;
    if (hasNoDirection(middle, first, second))
        return angles.quarterTurn(first, distance);
    middle *= distance / middle.length();
    if (angles.forward(first, middle) > angles.forward(first, second))
        middle *= -1.0;
    return middle;
}

}  // namespace

int fitExtensionLines(CKotaDP& jig, bool& replaced)
{
    AcDb3PointAngularDimension* dimension = jig.m_pResultDim;
    if (dimension == nullptr)
        return kFitNoResultDimension;
    replaced = false;

    const AcGePoint3d center = jig.m_center;
    const AcGePoint3d firstEnd = dimension->xLine1Point();
    const AcGePoint3d secondEnd = dimension->xLine2Point();
    const AcGeVector3d toFirstEnd = firstEnd - center;
    const AcGeVector3d toSecondEnd = secondEnd - center;
    const AcGeVector3d toArcPoint = dimension->arcPoint() - center;
    // A point at the centre, to the host's point tolerance, has no direction to fit to; a
    // centre computed through three points is rarely the exact point the user typed or snapped.
    if (jig.m_pick1.isEqualTo(center, AcGeContext::gTol) ||
        jig.m_pick2.isEqualTo(center, AcGeContext::gTol))
        return kFitPickAtCenter;
    AcGeVector3d toPick1 = jig.m_pick1 - center;
    AcGeVector3d toPick2 = jig.m_pick2 - center;

    // The sense of the dimension comes from the side it is drawn on, which an arc point on an
    // extension line (a drag ended with Enter) does not tell by itself.
    const AcGeVector3d side = arcSideDirection(toFirstEnd, toSecondEnd, toArcPoint,
                                               jig.m_planeXAxis.crossProduct(jig.m_planeYAxis));
    const AcGeVector3d normal = arcNormal(toFirstEnd, toSecondEnd, side);
    const ArcAngles angles(normal, arcOrientation(toFirstEnd, toSecondEnd, side, normal));

    // A NaN angle fails the comparison and so counts as outside.
    const double span = angles.forward(toFirstEnd, toSecondEnd);
    const bool pick1Inside = angles.forward(toFirstEnd, toPick1) <= span;
    const bool pick2Inside = angles.forward(toFirstEnd, toPick2) <= span;

    if (!pick1Inside && !pick2Inside) {
        jig.m_pick1 = firstEnd;
        jig.m_pick2 = secondEnd;
        replaced = true;
        return 0;
    }
    if (!pick1Inside || !pick2Inside) {
        AcGePoint3d& outside = pick1Inside ? jig.m_pick2 : jig.m_pick1;
        const AcGeVector3d toOutside = outside - center;
        const double before = angles.backward(toFirstEnd, toOutside);
        const double after = angles.forward(toSecondEnd, toOutside);
        outside = after > before ? firstEnd : secondEnd;
        toPick1 = jig.m_pick1 - center;
        toPick2 = jig.m_pick2 - center;
        replaced = true;
    }

    dimension->setXLine1Point(jig.m_pick1);
    dimension->setXLine2Point(jig.m_pick2);

    AcGeVector3d firstMet = toPick1;
    AcGeVector3d secondMet = toPick2;
    if (angles.forward(toFirstEnd, firstMet) > angles.forward(toFirstEnd, secondMet)) {
        firstMet = toPick2;
        secondMet = toPick1;
    }

    const bool beforeFirstPick =
        angles.forward(toFirstEnd, firstMet) > angles.forward(toFirstEnd, toArcPoint);
    const bool afterSecondPick =
        angles.backward(toSecondEnd, secondMet) > angles.backward(toSecondEnd, toArcPoint);
    if (!beforeFirstPick && !afterSecondPick)
        return 0;

    const AcGeVector3d middle = middleOfSpan(angles, firstMet, secondMet, toArcPoint.length());
    if (!middle.isZeroLength() && isFinite(middle))
        dimension->setArcPoint(center + middle);
    return 0;
}
