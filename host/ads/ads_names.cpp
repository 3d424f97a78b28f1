// Entity names: the database pointer and the handle of the object.
#include "ads/ads_names.h"

namespace cadhost {

void adsNameOf(AcDbObjectId id, ads_name name)
{
    name[0] = reinterpret_cast<Adesk::LongPtr>(id.database());
    name[1] = static_cast<Adesk::LongPtr>(id.handle().value());
}

AcDbObjectId objectIdOf(const ads_name name)
{
    if (name == nullptr || name[0] == 0 || name[1] <= 0)
        return AcDbObjectId::kNull;
    // The id checks that its database is alive before it looks into it.
    const AcDbObjectId id(reinterpret_cast<AcDbDatabase*>(name[0]),
                          static_cast<Adesk::UInt64>(name[1]));
    return id.isValid() ? id : AcDbObjectId::kNull;
}

}  // namespace cadhost

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName)
{
    objId = cadhost::objectIdOf(objName);
    return objId.isNull() ? Acad::eInvalidAdsName : Acad::eOk;
}

Acad::ErrorStatus acdbGetAdsName(ads_name& objName, AcDbObjectId objId)
{
    if (objId.isNull())
        return Acad::eNullObjectId;
    if (!objId.isValid())
        return Acad::eUnknownHandle;
    cadhost::adsNameOf(objId, objName);
    return Acad::eOk;
}
