// The host's database: object ids, the database, database objects and entities, opening and
// closing, and the host application services.
#pragma once
#include "acadstrc.h"
#include "acge.h"
#include "adscodes.h"
#include "rxobject.h"
#include <memory>

namespace AcDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
}  // namespace AcDb

class AcDbDatabase;
class AcDbObject;
class AcDbImpObject;

/// A database handle: a number unique within its database, written in hex in drawings.
class AcDbHandle {
public:
    AcDbHandle() : m_value(0) {}
    explicit AcDbHandle(Adesk::UInt64 value) : m_value(value) {}
    bool isNull() const { return m_value == 0; }
    Adesk::UInt64 value() const { return m_value; }
    bool operator==(const AcDbHandle& other) const { return m_value == other.m_value; }
    bool operator!=(const AcDbHandle& other) const { return m_value != other.m_value; }

private:
    Adesk::UInt64 m_value;
};

/// Identifies an object of a database for the database's lifetime.
class AcDbObjectId {
public:
    AcDbObjectId() : m_pDb(nullptr), m_handle(0) {}
    AcDbObjectId(AcDbDatabase* db, Adesk::UInt64 handle) : m_pDb(db), m_handle(handle) {}
    static const AcDbObjectId kNull;

    bool isNull() const { return m_pDb == nullptr; }
    /// Whether the id names an object of a live database (erased or not).
    bool isValid() const;
    /// Whether the object it names is erased.
    bool isErased() const;
    /// The database of the object; null for the null id.
    AcDbDatabase* database() const { return m_pDb; }
    AcDbHandle handle() const { return AcDbHandle(m_handle); }

    bool operator==(const AcDbObjectId& other) const
    {
        return m_pDb == other.m_pDb && m_handle == other.m_handle;
    }
    bool operator!=(const AcDbObjectId& other) const { return !(*this == other); }
    bool operator<(const AcDbObjectId& other) const
    {
        return m_pDb != other.m_pDb ? m_pDb < other.m_pDb : m_handle < other.m_handle;
    }

private:
    AcDbDatabase* m_pDb;
    Adesk::UInt64 m_handle;
};

/// A drawing's database. Its contents are the host's; the module reaches them through ids and
/// the objects it opens.
class AcDbDatabase : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbDatabase);
    /// An empty metric drawing with the standard tables.
    AcDbDatabase();
    ~AcDbDatabase() override;
    AcDbDatabase(const AcDbDatabase&) = delete;
    AcDbDatabase& operator=(const AcDbDatabase&) = delete;

    /// The parent of a child dimension style ("NAME$n" is a child of "NAME"); the null id when
    /// child has no parent.
    AcDbObjectId getDimstyleParentId(AcDbObjectId& child) const;
    /// The current dimension style.
    AcDbObjectId dimstyle() const;
    /// The current layer.
    AcDbObjectId clayer() const;
    /// The model space block record, where entities are appended.
    AcDbObjectId currentSpaceId() const;

    struct Impl;
    /// The host's own view of the database.
    Impl& impl() const { return *m_pImpl; }

private:
    std::unique_ptr<Impl> m_pImpl;
};

/// An object that can live in a database. A new object is open for write and owned by its
/// creator until it is added to a database; after that the database owns it and it is opened
/// and closed through its id.
class AcDbObject : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbObject);
    ~AcDbObject() override;

    AcDbObjectId objectId() const { return m_id; }
    AcDbObjectId ownerId() const { return m_ownerId; }
    AcDbHandle handle() const { return m_id.handle(); }
    /// The database the object lives in; null when it is not in one.
    AcDbDatabase* database() const { return m_id.database(); }
    /// Whether the object lives in a database.
    bool isPersistent() const { return !m_id.isNull(); }
    bool isNewObject() const { return m_id.isNull(); }
    bool isErased() const { return m_erased; }
    /// Whether the object may be changed: open for write, or not in a database.
    bool isWriteEnabled() const;
    /// Whether the object may be read: open, or not in a database.
    bool isReadEnabled() const;
    /// Erases (true) or unerases (false) the object; it must be open for write.
    Acad::ErrorStatus erase(bool erasing = true);
    /// Ends this opening of a database object; deletes an object that is not in a database.
    Acad::ErrorStatus close();
    /// A new independent copy of the object that is not in any database.
    AcRxObject* clone() const override;

protected:
    AcDbObject();
    AcDbObject(const AcDbObject& other);
    AcDbObject& operator=(const AcDbObject&) = delete;
    /// eOk when the object may be changed now; eNotOpenForWrite otherwise.
    Acad::ErrorStatus assertWriteEnabled() const;
    /// Sets field to value when the object may be changed now; eNotOpenForWrite otherwise.
    template <class Field, class Value>
    Acad::ErrorStatus setWhenWriteEnabled(Field& field, const Value& value)
    {
        const Acad::ErrorStatus es = assertWriteEnabled();
        if (es == Acad::eOk)
            field = value;
        return es;
    }
    /// eOk when the object may be read now; eNotOpenForRead otherwise.
    Acad::ErrorStatus assertReadEnabled() const;
    /// A copy of the most derived object, for clone().
    virtual AcDbObject* copyObject() const = 0;

private:
    friend class AcDbImpObject;
    AcDbObjectId m_id;
    AcDbObjectId m_ownerId;
    bool m_erased;
    int m_readers;
    bool m_writer;
};

/// A graphical object: it has a layer and may be appended to a space.
class AcDbEntity : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbEntity);
    ~AcDbEntity() override;

    AcDbObjectId layerId() const { return m_layerId; }
    /// The layer's name; "0" while the entity is on no layer.
    const ACHAR* layer() const;
    /// Puts the entity on the layer with this id.
    Acad::ErrorStatus setLayer(AcDbObjectId layerId);
    /// Puts the entity on the named layer of the working database (which must have it).
    Acad::ErrorStatus setLayer(const ACHAR* layerName);
    /// The entity coordinate system: maps entity coordinates to world coordinates.
    virtual void getEcs(AcGeMatrix3d& ecs) const;

protected:
    AcDbEntity();
    AcDbEntity(const AcDbEntity& other) = default;

private:
    friend class AcDbImpObject;
    AcDbObjectId m_layerId;
};

/// Opens the object with this id: for read (any number of readers) or write (one writer and no
/// readers); an erased object only when openErased is set.
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false);
/// As above, and eNotThatKindOfClass unless the object's class is pClass or derives from it.
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     const AcRxClass* pClass, bool openErased = false);
/// Opens an entity; eNotThatKindOfClass for an object that is not one.
Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false);

/// Opens an object of class T through its id.
template <class T>
Acad::ErrorStatus acdbOpenObject(T*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                 bool openErased = false)
{
    AcDbObject* opened = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(opened, id, mode, T::desc(), openErased);
    pObj = es == Acad::eOk ? static_cast<T*>(opened) : nullptr;
    return es;
}

/// Holds one opening of a database object of class T and closes it when it goes out of scope.
template <class T>
class AcDbObjectPointer {
public:
    AcDbObjectPointer() : m_pObj(nullptr), m_status(Acad::eNullObjectPointer) {}
    AcDbObjectPointer(AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
        : m_pObj(nullptr), m_status(Acad::eNullObjectPointer)
    {
        open(id, mode, openErased);
    }
    ~AcDbObjectPointer() { close(); }
    AcDbObjectPointer(const AcDbObjectPointer&) = delete;
    AcDbObjectPointer& operator=(const AcDbObjectPointer&) = delete;

    /// Closes what it holds, then opens id; the status is also kept for openStatus().
    Acad::ErrorStatus open(AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
    {
        close();
        m_status = acdbOpenObject(m_pObj, id, mode, openErased);
        return m_status;
    }
    Acad::ErrorStatus openStatus() const { return m_status; }
    T* object() const { return m_pObj; }
    T* operator->() const { return m_pObj; }
    explicit operator bool() const { return m_pObj != nullptr; }
    /// Closes the object now.
    Acad::ErrorStatus close()
    {
        if (m_pObj == nullptr)
            return Acad::eNullObjectPointer;
        const Acad::ErrorStatus es = m_pObj->close();
        m_pObj = nullptr;
        m_status = Acad::eNullObjectPointer;
        return es;
    }

private:
    T* m_pObj;
    Acad::ErrorStatus m_status;
};

typedef AcDbObjectPointer<AcDbEntity> AcDbEntityPointer;

/// The id of the entity with this ADS name.
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName);
/// The ADS name of the entity with this id.
Acad::ErrorStatus acdbGetAdsName(ads_name& objName, AcDbObjectId objId);

/// The units context of a drawing, which the architecture distance formatter is given.
class AcDbUnitsContext {
public:
    virtual ~AcDbUnitsContext() = default;
    /// The units selector of the architecture distance formatter.
    virtual int unitsSelector() const = 0;
};

/// The services the host application gives to the database and to modules.
class AcDbHostApplicationServices : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbHostApplicationServices);
    /// The drawing the commands work on.
    virtual AcDbDatabase* workingDatabase() const = 0;
    /// The units context of the working drawing; null when the host holds none.
    virtual const AcDbUnitsContext* unitsContext() const = 0;
};

AcDbHostApplicationServices* acdbHostApplicationServices();
