// Which way round the centre a three-point angular dimension runs when its arc point gives no
// side: an arc point on an extension line, as after a drag ended with Enter.
#pragma once
#include "acge.h"

/// A direction from the centre on the side of the arc the dimension spans: toArcPoint itself,
/// unless it lies along an extension line; then the middle of the shorter way between the
/// extension lines, or for opposite extension lines the quarter turn from the first about
/// planeNormal, as the dimension is drawn. Same length as toArcPoint.
AcGeVector3d arcSideDirection(const AcGeVector3d& toFirst, const AcGeVector3d& toSecond,
                              const AcGeVector3d& toArcPoint, const AcGeVector3d& planeNormal);
