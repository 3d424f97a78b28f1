// Table records: layers, dimension styles and the model space block record.
#include "database/symbol_tables.h"
#include "database/database_impl.h"
#include "rx/rx_define.h"

CADHOST_RX_DEFINE_MEMBERS(AcDbSymbolTableRecord, AcDbObject)
CADHOST_RX_DEFINE_MEMBERS(AcDbLayerTableRecord, AcDbSymbolTableRecord)
CADHOST_RX_DEFINE_MEMBERS(AcDbDimStyleTableRecord, AcDbSymbolTableRecord)
CADHOST_RX_DEFINE_MEMBERS(AcDbBlockTableRecord, AcDbSymbolTableRecord)

Acad::ErrorStatus AcDbSymbolTableRecord::setName(const ACHAR* name)
{
    const Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk)
        return es;
    if (name == nullptr || name[0] == 0)
        return Acad::eInvalidInput;
    const std::u16string oldName = m_name;
    m_name = name;
    if (AcDbDatabase* db = database())
        db->impl().noteRecordRenamed(objectId(), oldName);
    return Acad::eOk;
}

AcDbObject* AcDbLayerTableRecord::copyObject() const
{
    return new AcDbLayerTableRecord(*this);
}

AcDbObject* AcDbDimStyleTableRecord::copyObject() const
{
    return new AcDbDimStyleTableRecord(*this);
}

AcDbObject* AcDbBlockTableRecord::copyObject() const
{
    return new AcDbBlockTableRecord(*this);
}
