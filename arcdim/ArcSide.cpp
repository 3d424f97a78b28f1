// The side of an angular dimension whose arc point lies on one of its extension lines. The
// vector primitives take such an arc point to mean the longer way when it lies on the second
// extension line and the shorter way when on the first, while the dimension is drawn the
// shorter way in both cases; so the side is taken as drawn.
#include "arcdim/ArcSide.h"

#include "geometry/Primitives.h"

AcGeVector3d arcSideDirection(const AcGeVector3d& toFirst, const AcGeVector3d& toSecond,
                              const AcGeVector3d& toArcPoint, const AcGeVector3d& planeNormal)
{
    if (!isSameDirection(toFirst, toArcPoint) && !isSameDirection(toSecond, toArcPoint))
        return toArcPoint;
    AcGeVector3d side = toFirst.normal() + toSecond.normal();
    if (side.isZeroLength())
        side = planeNormal.normal().crossProduct(toFirst);
    if (side.isZeroLength())
        return toArcPoint;
    return side.normal() * toArcPoint.length();
}
