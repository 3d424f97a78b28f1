// Database objects: ids, the open and close rules, erasure and copies.
#include "database/database_impl.h"
#include "database/object_state.h"
#include "mfc/utf_text.h"
#include "rx/rx_define.h"
#include "session/session.h"
#include <unordered_map>

const AcDbObjectId AcDbObjectId::kNull;

namespace cadhost {

std::string className(const AcRxObject& object)
{
    // Class names do not change: each is converted once. The table outlives every object.
    static auto* const names = new std::unordered_map<const AcRxClass*, std::string>;
    const AcRxClass* theClass = object.isA();
    auto found = names->find(theClass);
    if (found == names->end())
        found = names->emplace(theClass, utf8FromUtf16(theClass->name())).first;
    return found->second;
}

void recordDbEvent(RecordedEvent::Kind kind, const AcDbObject& object, const char* detail)
{
    RecordedEvent event;
    event.kind = kind;
    event.text = detail;
    event.caption = className(object);
    event.handle = object.handle().value();
    recorder().record(std::move(event));
}

}  // namespace cadhost

void AcDbImpObject::makeResident(AcDbObject& object, AcDbObjectId id, AcDbObjectId owner)
{
    object.m_id = id;
    object.m_ownerId = owner;
}

void AcDbImpObject::addOpening(AcDbObject& object, AcDb::OpenMode mode)
{
    if (mode == AcDb::kForWrite)
        object.m_writer = true;
    else
        ++object.m_readers;
}

bool AcDbImpObject::removeOpening(AcDbObject& object)
{
    if (object.m_writer) {
        object.m_writer = false;
        return true;
    }
    if (object.m_readers > 0) {
        --object.m_readers;
        return true;
    }
    return false;
}

CADHOST_RX_DEFINE_MEMBERS(AcDbObject, AcRxObject)

AcDbObject::AcDbObject() : m_erased(false), m_readers(0), m_writer(false) {}

AcDbObject::AcDbObject(const AcDbObject& other)
    : AcRxObject(other), m_erased(false), m_readers(0), m_writer(false)
{
}

AcDbObject::~AcDbObject() = default;

bool AcDbObject::isWriteEnabled() const
{
    return !isPersistent() || m_writer;
}

bool AcDbObject::isReadEnabled() const
{
    return !isPersistent() || m_writer || m_readers > 0;
}

Acad::ErrorStatus AcDbObject::assertWriteEnabled() const
{
    return isWriteEnabled() ? Acad::eOk : Acad::eNotOpenForWrite;
}

Acad::ErrorStatus AcDbObject::assertReadEnabled() const
{
    return isReadEnabled() ? Acad::eOk : Acad::eNotOpenForRead;
}

Acad::ErrorStatus AcDbObject::erase(bool erasing)
{
    // Erasure is a state in a drawing: an object that is in none is deleted, not erased.
    if (!isPersistent())
        return Acad::eNotInDatabase;
    if (!m_writer)
        return Acad::eNotOpenForWrite;
    if (erasing == m_erased)
        return erasing ? Acad::eWasErased : Acad::eOk;
    m_erased = erasing;
    cadhost::recordDbEvent(erasing ? cadhost::RecordedEvent::Kind::DbErase
                                   : cadhost::RecordedEvent::Kind::DbUnerase,
                           *this);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::close()
{
    if (!isPersistent()) {
        cadhost::recordDbEvent(cadhost::RecordedEvent::Kind::DbDelete, *this);
        delete this;
        return Acad::eOk;
    }
    if (!AcDbImpObject::removeOpening(*this))
        return Acad::eNotOpenForRead;
    cadhost::recordDbEvent(cadhost::RecordedEvent::Kind::DbClose, *this);
    return Acad::eOk;
}

AcRxObject* AcDbObject::clone() const
{
    if (!isReadEnabled())
        return nullptr;
    return copyObject();
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased)
{
    return acdbOpenAcDbObject(pObj, id, mode, nullptr, openErased);
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     const AcRxClass* pClass, bool openErased)
{
    pObj = nullptr;
    if (id.isNull())
        return Acad::eNullObjectId;
    if (!id.isValid())
        return Acad::eUnknownHandle;
    AcDbObject* object = id.database()->impl().objectAt(id);
    if (object->isErased() && !openErased)
        return Acad::eWasErased;
    if (pClass != nullptr && !object->isKindOf(pClass))
        return Acad::eNotThatKindOfClass;
    if (AcDbImpObject::isOpenForWrite(*object))
        return Acad::eWasOpenedForWrite;
    if (mode == AcDb::kForWrite) {
        if (AcDbImpObject::readers(*object) > 0)
            return Acad::eWasOpenedForRead;
        id.database()->impl().noteOpenedForWrite(id);
    } else if (AcDbImpObject::readers(*object) >= cadhost::kMaxReaders) {
        return Acad::eAtMaxReaders;
    }
    // A notify opening is counted as a read: the host sends no notifications.
    AcDbImpObject::addOpening(*object, mode);
    cadhost::recordDbEvent(cadhost::RecordedEvent::Kind::DbOpen, *object,
                           mode == AcDb::kForWrite ? "write" : "read");
    pObj = object;
    return Acad::eOk;
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased)
{
    AcDbObject* object = nullptr;
    const Acad::ErrorStatus es =
        acdbOpenAcDbObject(object, id, mode, AcDbEntity::desc(), openErased);
    pEnt = es == Acad::eOk ? static_cast<AcDbEntity*>(object) : nullptr;
    return es;
}
