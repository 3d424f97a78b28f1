// The arc an arc dimension command dimensions, as its source defines it, and where on that arc
// the dimension line may pass so that the dimension spans the arc and no other.
#pragma once
#include "acge.h"

/// The arc a command dimensions: from `start` it turns counterclockwise about `normal` through
/// `sweep` radians to `end`, at `radius` around `center`. A default one knows no arc.
struct PickedArc {
    AcGePoint3d center;
    AcGeVector3d normal = AcGeVector3d::kZAxis;  ///< unit length
    AcGePoint3d start;
    AcGePoint3d end;
    double radius = 0.0;
    double sweep = 0.0;  ///< in [0, 2*pi)
    /// Two points on a circle: either arc between them may be meant until the drag chooses.
    bool eitherWay = false;
};

/// Whether a source has given the arc.
bool isKnown(const PickedArc& arc);

/// The sweep in [0, 2*pi) from the angle `from` counterclockwise to the angle `to`.
double sweepBetweenAngles(double from, double to);

/// The angle in [0, 2*pi) from `from` counterclockwise about a unit normal to `to`, measured
/// in the plane perpendicular to it and kept to the last digits (directions a hair from
/// parallel or opposite are not taken as such); 0 when either has no direction there.
double turnAbout(const AcGeVector3d& normal, const AcGeVector3d& from, const AcGeVector3d& to);

/// How far the direction of fromCenter lies from the arc's start, turning counterclockwise
/// about the arc's normal: in [0, 2*pi); 0 for a vector with no direction in the arc's plane.
double turnFromStart(const PickedArc& arc, const AcGeVector3d& fromCenter);

/// The least angle that tells two directions from the centre apart, seen at this distance from
/// it: above the vector primitives' parallel tolerance and the rounding of coordinates of the
/// magnitudes involved.
double separableAngle(const PickedArc& arc, double distance);

/// The point at distance from the centre, in the arc's plane, turned by turn from the start.
AcGePoint3d pointAtTurn(const PickedArc& arc, double turn, double distance);

/// The point in the middle of the arc at distance from the centre.
AcGePoint3d middleOfArc(const PickedArc& arc, double distance);

/// Where the dimension line passes for a cursor point: the cursor itself when its direction
/// lies within the arc (for two points on a circle, within either arc between them), else the
/// middle of the arc at the cursor's distance from the centre (at the radius for a cursor on
/// the axis). A dimension line through an arc end would leave the dimension's side undecided.
AcGePoint3d arcPointForCursor(const PickedArc& arc, const AcGePoint3d& cursor);

/// The arc between a circle's two points that holds arcPoint's direction (counterclockwise
/// about the circle's normal when it decides nothing); any other arc unchanged.
PickedArc arcHolding(const PickedArc& arc, const AcGePoint3d& arcPoint);
