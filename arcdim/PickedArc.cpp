// The picked arc in a frame of its own plane: the start direction, the quarter turn from it
// about the normal, and turns measured from the start with the two-argument arctangent, so that
// a turn and the point at that turn give each other back to the last digits.
#include "arcdim/PickedArc.h"

#include "geometry/Primitives.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

/// Directions closer than this (radians) count as one: ten times the parallel tolerance of the
/// vector primitives, which take such directions as the same.
constexpr double kLeastAngle = 1e-9;
/// The rounding of a coordinate, relative to the magnitude of the coordinates, over the few
/// operations that lead from the drawing's points to a direction from the centre.
constexpr double kCoordinateRounding = 64.0 * DBL_EPSILON;

/// The arc's plane: the unit start direction and its quarter turn about the normal.
struct ArcFrame {
    AcGeVector3d along;
    AcGeVector3d across;
};

/// The part of v in the arc's plane.
AcGeVector3d inPlane(const PickedArc& arc, const AcGeVector3d& v)
{
    return v - arc.normal * v.dotProduct(arc.normal);
}

ArcFrame frameOf(const PickedArc& arc)
{
    AcGeVector3d along = inPlane(arc, arc.start - arc.center);
    // A start on the axis (a circle point picked there) gives no direction: any will do.
    along = along.length() > 0.0 ? along / along.length() : arc.normal.perpVector();
    return {along, arc.normal.crossProduct(along)};
}

double largestCoordinate(const AcGePoint3d& p)
{
    return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
}

}  // namespace

bool isKnown(const PickedArc& arc)
{
    return arc.radius > 0.0;
}

double sweepBetweenAngles(double from, double to)
{
    double sweep = std::fmod(to - from, kTwoPi);
    if (sweep < 0.0)
        sweep += kTwoPi;
    return sweep;
}

double turnAbout(const AcGeVector3d& normal, const AcGeVector3d& from, const AcGeVector3d& to)
{
    const double across = from.crossProduct(to).dotProduct(normal);
    const double along = from.dotProduct(to) - from.dotProduct(normal) * to.dotProduct(normal);
    if (along == 0.0 && across == 0.0)
        return 0.0;
    double turn = std::atan2(across, along);
    if (turn < 0.0)
        turn += kTwoPi;
    return turn < kTwoPi ? turn : 0.0;
}

double turnFromStart(const PickedArc& arc, const AcGeVector3d& fromCenter)
{
    return turnAbout(arc.normal, frameOf(arc).along, fromCenter);
}

double separableAngle(const PickedArc& arc, double distance)
{
    const double magnitude = largestCoordinate(arc.center) + distance;
    return kLeastAngle + kCoordinateRounding * magnitude / distance;
}

AcGePoint3d pointAtTurn(const PickedArc& arc, double turn, double distance)
{
    const ArcFrame frame = frameOf(arc);
    return arc.center + (frame.along * std::cos(turn) + frame.across * std::sin(turn)) * distance;
}

AcGePoint3d middleOfArc(const PickedArc& arc, double distance)
{
    return pointAtTurn(arc, arc.sweep / 2.0, distance);
}

AcGePoint3d arcPointForCursor(const PickedArc& arc, const AcGePoint3d& cursor)
{
    const double distance = inPlane(arc, cursor - arc.center).length();
    if (!(distance > AcGeContext::gTol.equalPoint()))
        return middleOfArc(arc, arc.radius);
    const double turn = turnFromStart(arc, cursor - arc.center);
    const double margin = separableAngle(arc, distance);
    const bool withinArc = turn > margin && turn < arc.sweep - margin;
    const bool withinOtherArc =
        arc.eitherWay && turn > arc.sweep + margin && turn < kTwoPi - margin;
    if (withinArc || withinOtherArc)
        return cursor;
    return middleOfArc(arc, distance);
}

PickedArc arcHolding(const PickedArc& arc, const AcGePoint3d& arcPoint)
{
    if (!arc.eitherWay)
        return arc;
    PickedArc held = arc;
    held.eitherWay = false;
    if (arcOrientation(arc.start - arc.center, arc.end - arc.center, arcPoint - arc.center,
                       arc.normal) < 0) {
        held.normal = -arc.normal;
        held.sweep = kTwoPi - arc.sweep;
    }
    return held;
}
