// The circle through three points in space and the arc on it from the first point through the
// second to the third.
#pragma once
#include "acge.h"

/// The centre and radius of the circle through p1, p2 and p3; false (nothing written) when two
/// points coincide, the three are exactly collinear, or the circle is too large for a double.
bool circleThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                          double& radius, AcGePoint3d& center);

/// The angle in [0, 2*pi] that the arc from p1 through p2 to p3 turns about the centre of the
/// circle through them: twice the turn of the way p1, p2, p3 at p2. It tends to 0 for nearly
/// straight points and to 2*pi when p3 comes back to p1.
double sweepThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3);
