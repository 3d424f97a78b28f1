// The circle through three points in space.
#pragma once
#include "acge.h"

/// The centre and radius of the circle through p1, p2 and p3; false when the first point
/// coincides with another one or the three are exactly collinear (nothing written then).
bool circleThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                          double& radius, AcGePoint3d& center);
