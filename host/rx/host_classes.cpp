// The list of the host's runtime classes, entered in the class dictionary when the system
// registry is made.
#include "database/aec_wall.h"
#include "database/symbol_tables.h"
#include "dbdim.h"
#include "dbents.h"
#include "rx/host_dictionary.h"

namespace cadhost {

void registerHostClasses()
{
    const AcRxClass* const classes[] = {
        AcRxObject::desc(),          AcRxClass::desc(),
        AcRxDictionary::desc(),      AcRxDynamicLinker::desc(),
        AcDbDatabase::desc(),        AcDbHostApplicationServices::desc(),
        AcDbObject::desc(),          AcDbEntity::desc(),
        AcDbCurve::desc(),           AcDbPoint::desc(),
        AcDbLine::desc(),            AcDbArc::desc(),
        AcDbCircle::desc(),          AcDbPolyline::desc(),
        AcDbDimension::desc(),       AcDb3PointAngularDimension::desc(),
        AcDbSymbolTableRecord::desc(), AcDbLayerTableRecord::desc(),
        AcDbDimStyleTableRecord::desc(), AcDbBlockTableRecord::desc(),
        AecDbEntity::desc(),         AecDbWall::desc(),
    };
    // Asking a class for its descriptor creates it and enters it in the class dictionary.
    static_cast<void>(classes);
}

}  // namespace cadhost
