// Fitting an arc dimension to picked extension points. Only the directions of the points from
// the centre count, measured as turns along the picked arc from its start: the arc the source
// defines, whatever side the dimension line was dragged to.
#include "arcdim/ExtensionLineFitting.h"

#include "arcdim/KotaDP.h"
#include "geometry/Primitives.h"

#include <algorithm>

namespace {

/// Where a picked point lies along the arc: its turn from the start, and whether that is within
/// the arc. A point less than the separable angle before the start or beyond the end counts as
/// within, at its own small negative turn or its turn past the end.
struct PlaceOnArc {
    double turn;
    bool inside;
    double margin;  ///< the separable angle at the point's distance
};

PlaceOnArc placeOnArc(const PickedArc& arc, const AcGePoint3d& point)
{
    const AcGeVector3d fromCenter = point - arc.center;
    const double margin = separableAngle(arc, fromCenter.length());
    double turn = turnFromStart(arc, fromCenter);
    if (turn > kTwoPi - margin)
        turn -= kTwoPi;
    return {turn, turn <= arc.sweep + margin, margin};
}

}  // namespace

int fitExtensionLines(CKotaDP& jig, bool& replaced)
{
    AcDb3PointAngularDimension* dimension = jig.m_pResultDim;
    const PickedArc& arc = jig.m_pickedArc;
    if (dimension == nullptr || !isKnown(arc))
        return kFitNoResultDimension;
    replaced = false;

    const AcGePoint3d center = jig.m_center;
    const AcGePoint3d firstEnd = dimension->xLine1Point();
    const AcGePoint3d secondEnd = dimension->xLine2Point();
    // A point at the centre, to the host's point tolerance, has no direction to fit to; a
    // centre computed through three points is rarely the exact point the user typed or snapped.
    if (jig.m_pick1.isEqualTo(center, AcGeContext::gTol) ||
        jig.m_pick2.isEqualTo(center, AcGeContext::gTol))
        return kFitPickAtCenter;

    PlaceOnArc first = placeOnArc(arc, jig.m_pick1);
    PlaceOnArc second = placeOnArc(arc, jig.m_pick2);
    if (!first.inside && !second.inside) {
        jig.m_pick1 = firstEnd;
        jig.m_pick2 = secondEnd;
        replaced = true;
        return 0;
    }
    if (!first.inside || !second.inside) {
        AcGePoint3d& outside = first.inside ? jig.m_pick2 : jig.m_pick1;
        PlaceOnArc& place = first.inside ? second : first;
        const double beyondEnd = place.turn - arc.sweep;
        const double beforeStart = kTwoPi - place.turn;
        // The nearer end; a tie goes to the end of the arc.
        const bool toStart = beyondEnd > beforeStart;
        outside = toStart ? firstEnd : secondEnd;
        place.turn = toStart ? 0.0 : arc.sweep;
        place.inside = true;
        replaced = true;
    }

    // The dimension spans the part of the arc between the two picks.
    const double from = std::min(first.turn, second.turn);
    const double to = std::max(first.turn, second.turn);
    if (to - from <= std::max(first.margin, second.margin)) {
        // Both in one direction: a dimension of no length, all on the first point, since no
        // arc point could lie between directions that are not told apart.
        jig.m_pick2 = jig.m_pick1;
        dimension->setXLine1Point(jig.m_pick1);
        dimension->setXLine2Point(jig.m_pick1);
        dimension->setArcPoint(jig.m_pick1);
        return 0;
    }
    dimension->setXLine1Point(jig.m_pick1);
    dimension->setXLine2Point(jig.m_pick2);

    // The arc point stays when it lies within the span clear of both picked directions;
    // otherwise, or on a picked direction, where the dimension's side would be left open, it
    // goes to the middle by angle.
    const double distance = (dimension->arcPoint() - center).length();
    const double arcPointTurn = turnFromStart(arc, dimension->arcPoint() - center);
    const double margin = separableAngle(arc, distance);
    if (arcPointTurn > from + margin && arcPointTurn < to - margin)
        return 0;
    dimension->setArcPoint(pointAtTurn(arc, (from + to) / 2.0, distance));
    return 0;
}
