// Picking entities: what a click of the given aperture hits.
#pragma once
#include "dbmain.h"

namespace cadhost {

/// The entity of db's model space (not erased) nearest to worldPoint whose distance to it is at
/// most aperture; on equal distances the one drawn last. The null id when nothing is that near.
/// Uses the database's spatial index, not a scan of every entity.
AcDbObjectId pickEntity(AcDbDatabase& db, const AcGePoint3d& worldPoint, double aperture);

/// The distance from worldPoint to the entity's geometry (a wall: its baseline; a dimension:
/// its extension line points, centre and arc point).
double distanceToEntity(const AcDbEntity& entity, const AcGePoint3d& worldPoint);

}  // namespace cadhost
