// The host's access to the database state of an object (its id, erasure and openings), which
// AcDbObject keeps private.
#pragma once
#include "dbmain.h"
#include "session/recorder.h"
#include <string>

class AcDbImpObject {
public:
    /// Makes object resident with this id and owner.
    static void makeResident(AcDbObject& object, AcDbObjectId id, AcDbObjectId owner);
    static void setErased(AcDbObject& object, bool erased) { object.m_erased = erased; }
    /// Puts an entity not yet in a database on a layer (not null) of the database it is made
    /// for, without the checks of setLayer: a drawing read puts a hundred thousand on its few.
    static void setKnownLayer(AcDbEntity& entity, AcDbObjectId layerId)
    {
        entity.m_layerId = layerId;
    }
    static int readers(const AcDbObject& object) { return object.m_readers; }
    static bool isOpenForWrite(const AcDbObject& object) { return object.m_writer; }
    static bool isOpen(const AcDbObject& object) { return object.m_writer || object.m_readers > 0; }
    /// Records one more opening; the caller has checked that it is allowed.
    static void addOpening(AcDbObject& object, AcDb::OpenMode mode);
    /// Ends one opening; false when the object was not open.
    static bool removeOpening(AcDbObject& object);
    /// Sets field to the unit vector of normal: eNotOpenForWrite when object may not be changed
    /// now, eInvalidInput for a zero normal (field unchanged in both cases).
    static Acad::ErrorStatus setUnitNormal(const AcDbObject& object, AcGeVector3d& field,
                                           const AcGeVector3d& normal)
    {
        if (const Acad::ErrorStatus es = object.assertWriteEnabled(); es != Acad::eOk)
            return es;
        if (normal.isZeroLength())
            return Acad::eInvalidInput;
        field = normal.normal();
        return Acad::eOk;
    }
};

namespace cadhost {

/// The most readers one object may have at a time.
constexpr int kMaxReaders = 256;

/// The UTF-8 name of the object's runtime class, for the record of events.
std::string className(const AcRxObject& object);
/// Records a database event about object in the session's record.
void recordDbEvent(RecordedEvent::Kind kind, const AcDbObject& object, const char* detail = "");

}  // namespace cadhost

namespace cadhost {

/// Lets host internals (picking, the spatial index) read an object that nobody opened, for
/// as long as the scope lives, without recording an opening.
class InternalReadScope {
public:
    explicit InternalReadScope(const AcDbObject& object)
        : m_pObject(object.isReadEnabled() ? nullptr : const_cast<AcDbObject*>(&object))
    {
        if (m_pObject != nullptr)
            AcDbImpObject::addOpening(*m_pObject, AcDb::kForRead);
    }
    ~InternalReadScope()
    {
        if (m_pObject != nullptr)
            AcDbImpObject::removeOpening(*m_pObject);
    }
    InternalReadScope(const InternalReadScope&) = delete;
    InternalReadScope& operator=(const InternalReadScope&) = delete;

private:
    AcDbObject* m_pObject;  ///< the object this scope opened; null when it was readable already
};

}  // namespace cadhost
