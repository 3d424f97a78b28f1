// The architecture libraries' exports: the wall class and its points, layers by layer key,
// the distance formatter and the empty string constructor.
#include "aecexports.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "database/distance_format.h"
#include "session/session.h"
#include <new>

AcRxClass* AecArchBase_2053_curveObjectClass()
{
    return AecDbWall::desc();
}

namespace {

/// Writes the chosen point of a wall into result; anything that is not a wall leaves result
/// as it was.
AcGePoint3d* wallPoint(const AcDbObject* object, AcGePoint3d* result,
                       AcGePoint3d (AecDbWall::*point)() const)
{
    const AecDbWall* wall = AecDbWall::cast(object);
    if (wall != nullptr && result != nullptr)
        *result = (wall->*point)();
    return result;
}

}  // namespace

AcGePoint3d* AecArchBase_2156_startPoint(const AcDbObject* object, AcGePoint3d* result)
{
    return wallPoint(object, result, &AecDbWall::startPoint);
}

AcGePoint3d* AecArchBase_2112_midPoint(const AcDbObject* object, AcGePoint3d* result)
{
    return wallPoint(object, result, &AecDbWall::midPoint);
}

AcGePoint3d* AecArchBase_2061_endPoint(const AcDbObject* object, AcGePoint3d* result)
{
    return wallPoint(object, result, &AecDbWall::endPoint);
}

Acad::ErrorStatus AecBase_279_setLayerByKey(AcDbEntity* entity, const ACHAR* layerKey)
{
    if (entity == nullptr)
        return Acad::eNullEntityPointer;
    if (layerKey == nullptr)
        return Acad::eInvalidInput;
    AcDbDatabase* db = entity->isPersistent() ? entity->database() : cadhost::workingDatabase();
    std::u16string layer;
    if (!db->impl().layerForKey(layerKey, layer))
        return Acad::eKeyNotFound;
    if (!entity->isWriteEnabled())
        return Acad::eNotOpenForWrite;
    return entity->setLayer(db->impl().layerIdCreating(layer));
}

void AecBase_7415_formatDistance(double value, CString& text, int, int unitsSelector)
{
    // Every unit style writes decimal distances here; the selector gives the decimals.
    const std::string digits =
        cadhost::formatFixedDecimal(value, cadhost::decimalsForUnitsSelector(unitsSelector));
    text = CString(std::u16string(digits.begin(), digits.end()).c_str());
}

CString* AecResMgr_116_constructString(void* storage)
{
    return storage == nullptr ? nullptr : new (storage) CString();
}
