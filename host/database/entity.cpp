// Entities: their layer and entity coordinate system; the curve base class.
#include "database/database_impl.h"
#include "database/symbol_tables.h"
#include "dbents.h"
#include "rx/rx_define.h"
#include "session/session.h"

CADHOST_RX_DEFINE_MEMBERS(AcDbEntity, AcDbObject)
CADHOST_RX_DEFINE_MEMBERS(AcDbCurve, AcDbEntity)

AcDbEntity::AcDbEntity() = default;

AcDbEntity::~AcDbEntity() = default;

const ACHAR* AcDbEntity::layer() const
{
    if (m_layerId.isValid()) {
        const auto* record =
            AcDbLayerTableRecord::cast(m_layerId.database()->impl().objectAt(m_layerId));
        if (record != nullptr)
            return record->name();
    }
    return u"0";
}

Acad::ErrorStatus AcDbEntity::setLayer(AcDbObjectId layerId)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (layerId.isNull())
        return Acad::eNullObjectId;
    if (!layerId.isValid() ||
        AcDbLayerTableRecord::cast(layerId.database()->impl().objectAt(layerId)) == nullptr)
        return Acad::eInvalidLayer;
    if (isPersistent() && layerId.database() != database())
        return Acad::eWrongDatabase;
    m_layerId = layerId;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setLayer(const ACHAR* layerName)
{
    if (layerName == nullptr)
        return Acad::eInvalidInput;
    AcDbDatabase* db = isPersistent() ? database() : cadhost::workingDatabase();
    const AcDbObjectId layerId = db->impl().layerId(layerName);
    if (layerId.isNull())
        return Acad::eKeyNotFound;
    return setLayer(layerId);
}

void AcDbEntity::getEcs(AcGeMatrix3d& ecs) const
{
    ecs = AcGeMatrix3d::kIdentity;
}
