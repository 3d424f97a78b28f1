// Picking: the entity nearest to a click within the aperture, and exact distances from a
// point to each kind of entity.
#include "database/picking.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "database/object_state.h"
#include "geometry/tolerance.h"
#include "dbdim.h"
#include "dbents.h"
#include <algorithm>
#include <limits>

namespace cadhost {

namespace {

double distanceToCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                        const AcGePoint3d& point)
{
    const AcGeCircArc3d circle(center, normal, normal.perpVector(), radius, 0.0, kTwoPi);
    return point.distanceTo(circle.closestPointTo(point));
}

}  // namespace

double distanceToEntity(const AcDbEntity& entity, const AcGePoint3d& worldPoint)
{
    const InternalReadScope reading(entity);
    if (const auto* point = AcDbPoint::cast(&entity))
        return worldPoint.distanceTo(point->position());
    if (const auto* line = AcDbLine::cast(&entity))
        return worldPoint.distanceTo(
            AcGeLineSeg3d(line->startPoint(), line->endPoint()).closestPointTo(worldPoint));
    if (const auto* arc = AcDbArc::cast(&entity))
        return worldPoint.distanceTo(arc->geArc().closestPointTo(worldPoint));
    if (const auto* circle = AcDbCircle::cast(&entity))
        return distanceToCircle(circle->center(), circle->normal(), circle->radius(), worldPoint);
    if (const auto* pline = AcDbPolyline::cast(&entity)) {
        AcGePoint3d nearest;
        if (pline->getClosestPointTo(worldPoint, nearest) != Acad::eOk)
            return std::numeric_limits<double>::infinity();
        return worldPoint.distanceTo(nearest);
    }
    if (const auto* dim = AcDb3PointAngularDimension::cast(&entity))
        return std::min({worldPoint.distanceTo(dim->centerPoint()),
                         worldPoint.distanceTo(dim->xLine1Point()),
                         worldPoint.distanceTo(dim->xLine2Point()),
                         worldPoint.distanceTo(dim->arcPoint())});
    if (const auto* wall = AecDbWall::cast(&entity)) {
        const AcGePoint3d nearest =
            wall->isStraight()
                ? AcGeLineSeg3d(wall->startPoint(), wall->endPoint()).closestPointTo(worldPoint)
                : wall->baselineArc().closestPointTo(worldPoint);
        return worldPoint.distanceTo(nearest);
    }
    return std::numeric_limits<double>::infinity();
}

AcDbObjectId pickEntity(AcDbDatabase& db, const AcGePoint3d& worldPoint, double aperture)
{
    AcDbDatabase::Impl& impl = db.impl();
    const SpatialIndex::Lookup lookup = [&impl](unsigned long long handle) {
        SpatialIndex::Entry entry;
        if (impl.drawOrderOf(handle, entry.drawOrder))
            entry.entity = AcDbEntity::cast(impl.objectByHandle(AcDbHandle(handle)));
        return entry;
    };
    const SpatialIndex::Distance distance = [&worldPoint](const AcDbEntity& entity) {
        return distanceToEntity(entity, worldPoint);
    };
    const unsigned long long handle =
        impl.spatialIndex().nearest(lookup, worldPoint, aperture, distance);
    return handle == 0 ? AcDbObjectId::kNull : impl.idOfHandle(AcDbHandle(handle));
}

}  // namespace cadhost
