// The helpers of the arc source selection: the radial projection onto a picked circle and the
// dimension style of a new dimension.
#pragma once
#include "acge.h"

class AcDbDimension;
class CKotaDP;

/// Result of projectOntoCircle when the point lies on the circle's axis.
constexpr int kPointOnCircleAxis = 3;

/// The point of the circle (centre, radius, parallel to the jig's working plane) in the
/// direction of point from the circle's axis: 0 with projected written, kPointOnCircleAxis when
/// point lies on the axis (projected unchanged).
int projectOntoCircle(const CKotaDP& jig, const AcGePoint3d& center, double radius,
                      const AcGePoint3d& point, AcGePoint3d& projected);

/// Gives a dimension that is open for write the top of its style's parent chain (a child
/// style's parent); leaves anything else unchanged.
void useParentDimStyle(AcDbDimension* dimension);
