// The drawing's table records the host models: layers, dimension styles and the model space
// block record. Their tables are kept by the database (AcDbDatabase::Impl).
#pragma once
#include "dbmain.h"
#include <string>

/// A named table record.
class AcDbSymbolTableRecord : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTableRecord);
    /// The record's name; valid while the record lives and its name is unchanged.
    const ACHAR* name() const { return m_name.c_str(); }
    Acad::ErrorStatus setName(const ACHAR* name);

protected:
    explicit AcDbSymbolTableRecord(const std::u16string& name) : m_name(name) {}
    AcDbSymbolTableRecord(const AcDbSymbolTableRecord&) = default;

private:
    std::u16string m_name;
};

class AcDbLayerTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbLayerTableRecord);
    explicit AcDbLayerTableRecord(const std::u16string& name) : AcDbSymbolTableRecord(name) {}

protected:
    AcDbObject* copyObject() const override;
};

class AcDbDimStyleTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbDimStyleTableRecord);
    explicit AcDbDimStyleTableRecord(const std::u16string& name) : AcDbSymbolTableRecord(name) {}

protected:
    AcDbObject* copyObject() const override;
};

/// A block record; the host has one, model space ("*Model_Space").
class AcDbBlockTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockTableRecord);
    explicit AcDbBlockTableRecord(const std::u16string& name) : AcDbSymbolTableRecord(name) {}

protected:
    AcDbObject* copyObject() const override;
};
