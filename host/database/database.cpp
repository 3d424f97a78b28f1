// The drawing database: its objects by handle, model space, the layer and dimension style
// tables, layer keys and system variables.
#include "database/database_impl.h"
#include "database/object_state.h"
#include "database/symbol_tables.h"
#include "dbdim.h"
#include "rx/rx_define.h"
#include <unordered_set>

namespace {

/// The databases alive now, so that an id can tell whether its database still exists. It
/// outlives every drawing, also those destroyed at process exit.
std::unordered_set<const AcDbDatabase*>& liveDatabases()
{
    static auto* const theDatabases = new std::unordered_set<const AcDbDatabase*>;
    return *theDatabases;
}

/// Names of table records compare without regard to the case of ASCII letters.
std::u16string upperCase(const std::u16string& text)
{
    std::u16string upper = text;
    for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

}  // namespace

bool AcDbObjectId::isValid() const
{
    return m_pDb != nullptr && liveDatabases().count(m_pDb) != 0 && m_pDb->impl().holds(m_handle);
}

bool AcDbObjectId::isErased() const
{
    return isValid() && m_pDb->impl().objectAt(*this)->isErased();
}

CADHOST_RX_DEFINE_MEMBERS(AcDbDatabase, AcRxObject)

AcDbDatabase::AcDbDatabase()
{
    liveDatabases().insert(this);
    m_pImpl = std::make_unique<Impl>(*this);
}

AcDbDatabase::~AcDbDatabase()
{
    // Ids of this drawing stop being valid before its objects go.
    liveDatabases().erase(this);
    m_pImpl.reset();
}

AcDbObjectId AcDbDatabase::getDimstyleParentId(AcDbObjectId& child) const
{
    const std::u16string name = m_pImpl->dimStyleName(child);
    // "NAME$n" is the child of "NAME" for the dimension kinds n of the host.
    const std::size_t length = name.size();
    if (length < 3 || name[length - 2] != u'$')
        return AcDbObjectId::kNull;
    const std::u16string kinds = u"023467";
    if (kinds.find(name[length - 1]) == std::u16string::npos)
        return AcDbObjectId::kNull;
    return m_pImpl->dimStyleId(name.substr(0, length - 2));
}

AcDbObjectId AcDbDatabase::dimstyle() const
{
    return m_pImpl->currentDimStyleId();
}

AcDbObjectId AcDbDatabase::clayer() const
{
    return m_pImpl->currentLayerId();
}

AcDbObjectId AcDbDatabase::currentSpaceId() const
{
    return m_pImpl->modelSpaceId();
}

AcDbDatabase::Impl::Impl(AcDbDatabase& owner) : m_owner(owner)
{
    addObject(new AcDbBlockTableRecord(u"*Model_Space"), AcDbObjectId::kNull, m_modelSpaceId);
    m_currentLayer = layerIdCreating(u"0");
    addDimStyle(u"Standard");
    setCurrentDimStyle(addDimStyle(u"ISO-25"));
    setLayerKey(kDimensionLayerKey, kDefaultDimensionLayer);
}

AcDbDatabase::Impl::~Impl()
{
    const cadhost::ObjectDeleter end{m_arena.get()};
    for (const Resident& resident : m_objects)
        end(resident.object);
}

Acad::ErrorStatus AcDbDatabase::Impl::insert(AcDbObject* object, Adesk::UInt64 handle,
                                             AcDbObjectId owner, AcDbObjectId& id,
                                             Resident** resident)
{
    id = AcDbObjectId::kNull;
    if (object == nullptr)
        return Acad::eNullObjectPointer;
    if (object->isPersistent())
        return Acad::eAlreadyInDb;
    return insertNew(*object, handle, owner, id, resident);
}

Acad::ErrorStatus AcDbDatabase::Impl::insertNew(AcDbObject& object, Adesk::UInt64 handle,
                                                AcDbObjectId owner, AcDbObjectId& id,
                                                Resident** resident)
{
    id = AcDbObjectId::kNull;
    if (handle == 0)
        return Acad::eInvalidInput;
    const auto [place, added] = m_objects.insert(handle);
    if (!added)
        return Acad::eDuplicateKey;
    id = AcDbObjectId(&m_owner, handle);
    AcDbImpObject::makeResident(object, id, owner);
    place->object = &object;
    if (resident != nullptr)
        *resident = place;
    if (handle >= m_nextHandle)
        m_nextHandle = handle + 1;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::Impl::insertEntity(AcDbEntity* entity, Adesk::UInt64 handle,
                                                   AcDbObjectId& id)
{
    if (entity == nullptr) {
        id = AcDbObjectId::kNull;
        return Acad::eNullEntityPointer;
    }
    Resident* resident = nullptr;
    const Acad::ErrorStatus es = insert(entity, handle, m_modelSpaceId, id, &resident);
    if (es != Acad::eOk)
        return es;
    AcDbImpObject::addOpening(*entity, AcDb::kForWrite);
    useDrawingDefaults(entity);
    placeEntity(*resident, id);
    cadhost::recordDbEvent(cadhost::RecordedEvent::Kind::DbAppend, *entity);
    return Acad::eOk;
}

void AcDbDatabase::Impl::useDrawingDefaults(AcDbEntity* entity)
{
    if (entity->layerId().database() != &m_owner)
        entity->setLayer(m_currentLayer);
    if (auto* dimension = AcDbDimension::cast(entity))
        if (dimension->dimensionStyle().database() != &m_owner)
            dimension->setDimensionStyle(m_currentDimStyle);
}

void AcDbDatabase::Impl::placeEntity(Resident& resident, AcDbObjectId id)
{
    resident.drawOrder = m_modelSpace.size();
    m_modelSpace.push_back(id);
}

cadhost::SpatialIndex& AcDbDatabase::Impl::spatialIndex()
{
    for (; m_unindexed < m_modelSpace.size(); ++m_unindexed)
        m_index.markChanged(m_modelSpace[m_unindexed].handle().value());
    return m_index;
}

Acad::ErrorStatus AcDbDatabase::Impl::adoptEntity(AcDbEntity* entity, AcDbHandle handle,
                                                  AcDbObjectId& id)
{
    if (entity == nullptr) {
        id = AcDbObjectId::kNull;
        return Acad::eNullEntityPointer;
    }
    // The layer and style are set while the entity is still the reader's alone.
    useDrawingDefaults(entity);
    Resident* resident = nullptr;
    const Acad::ErrorStatus es = insert(entity, handle.value(), m_modelSpaceId, id, &resident);
    if (es != Acad::eOk)
        return es;
    placeEntity(*resident, id);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::Impl::adoptReadEntity(AcDbEntity* entity, AcDbHandle handle,
                                                      AcDbObjectId layer, AcDbObjectId& id)
{
    if (entity == nullptr) {
        id = AcDbObjectId::kNull;
        return Acad::eNullEntityPointer;
    }
    Resident* resident = nullptr;
    const Acad::ErrorStatus es = insertNew(*entity, handle.value(), m_modelSpaceId, id, &resident);
    if (es != Acad::eOk)
        return es;
    AcDbImpObject::setKnownLayer(*entity, layer.isNull() ? m_currentLayer : layer);
    placeEntity(*resident, id);
    return Acad::eOk;
}

void AcDbDatabase::Impl::reserveEntities(std::size_t count)
{
    m_objects.reserve(count);
    cadhost::reserveResident(m_modelSpace,
                             cadhost::roomOnWholeHugePages(count, sizeof(AcDbObjectId)));
}

Acad::ErrorStatus AcDbDatabase::Impl::appendEntity(AcDbEntity* entity, AcDbObjectId& id)
{
    return insertEntity(entity, m_nextHandle, id);
}

Acad::ErrorStatus AcDbDatabase::Impl::appendEntityWithHandle(AcDbEntity* entity,
                                                             AcDbHandle handle, AcDbObjectId& id)
{
    return insertEntity(entity, handle.value(), id);
}

Acad::ErrorStatus AcDbDatabase::Impl::addObject(AcDbObject* object, AcDbObjectId owner,
                                                AcDbObjectId& id)
{
    return insert(object, m_nextHandle, owner, id);
}

AcDbObject* AcDbDatabase::Impl::objectAt(AcDbObjectId id) const
{
    if (id.database() != &m_owner)
        return nullptr;
    return objectByHandle(id.handle());
}

AcDbObject* AcDbDatabase::Impl::objectByHandle(AcDbHandle handle) const
{
    const Resident* found = m_objects.find(handle.value());
    return found == nullptr ? nullptr : found->object;
}

AcDbObjectId AcDbDatabase::Impl::idOfHandle(AcDbHandle handle) const
{
    return holds(handle.value()) ? AcDbObjectId(&m_owner, handle.value()) : AcDbObjectId::kNull;
}

bool AcDbDatabase::Impl::drawOrderOf(Adesk::UInt64 handle, std::size_t& position) const
{
    const Resident* found = m_objects.find(handle);
    if (found == nullptr || found->drawOrder == cadhost::ObjectTable::kNotDrawn)
        return false;
    position = found->drawOrder;
    return true;
}

void AcDbDatabase::Impl::seedNextHandle(Adesk::UInt64 handle)
{
    m_nextHandle = handle;
    for (const Resident& resident : m_objects)
        if (resident.handle >= m_nextHandle)
            m_nextHandle = resident.handle + 1;
    if (m_nextHandle == 0)
        m_nextHandle = 1;
}

std::vector<AcDbObjectId> AcDbDatabase::Impl::openObjectIds() const
{
    std::vector<AcDbObjectId> open;
    for (const Resident& resident : m_objects)
        if (AcDbImpObject::isOpen(*resident.object))
            open.push_back(resident.object->objectId());
    return open;
}

AcDbObjectId AcDbDatabase::Impl::layerId(const std::u16string& name) const
{
    const auto found = m_layerByName.find(upperCase(name));
    return found == m_layerByName.end() ? AcDbObjectId::kNull : found->second;
}

AcDbObjectId AcDbDatabase::Impl::layerIdCreating(const std::u16string& name)
{
    AcDbObjectId id = layerId(name);
    if (!id.isNull() || name.empty())
        return id;
    if (addObject(new AcDbLayerTableRecord(name), AcDbObjectId::kNull, id) == Acad::eOk) {
        m_layers.push_back(id);
        m_layerByName.emplace(upperCase(name), id);
    }
    return id;
}

std::u16string AcDbDatabase::Impl::layerName(AcDbObjectId layerId) const
{
    const auto* layer = AcDbLayerTableRecord::cast(objectAt(layerId));
    return layer != nullptr ? std::u16string(layer->name()) : std::u16string(u"0");
}

bool AcDbDatabase::Impl::setCurrentLayer(AcDbObjectId layerId)
{
    if (AcDbLayerTableRecord::cast(objectAt(layerId)) == nullptr)
        return false;
    m_currentLayer = layerId;
    return true;
}

void AcDbDatabase::Impl::setLayerKey(const std::u16string& key, const std::u16string& layer)
{
    m_layerKeys[upperCase(key)] = layer;
}

bool AcDbDatabase::Impl::layerForKey(const std::u16string& key, std::u16string& layer) const
{
    auto found = m_layerKeys.find(upperCase(key));
    if (found == m_layerKeys.end())
        return false;
    layer = found->second;
    return true;
}

AcDbObjectId AcDbDatabase::Impl::dimStyleId(const std::u16string& name) const
{
    const auto found = m_dimStyleByName.find(upperCase(name));
    return found == m_dimStyleByName.end() ? AcDbObjectId::kNull : found->second;
}

AcDbObjectId AcDbDatabase::Impl::addDimStyle(const std::u16string& name)
{
    AcDbObjectId id = dimStyleId(name);
    if (!id.isNull() || name.empty())
        return id;
    if (addObject(new AcDbDimStyleTableRecord(name), AcDbObjectId::kNull, id) == Acad::eOk) {
        m_dimStyles.push_back(id);
        m_dimStyleByName.emplace(upperCase(name), id);
    }
    return id;
}

std::u16string AcDbDatabase::Impl::dimStyleName(AcDbObjectId styleId) const
{
    const auto* style = AcDbDimStyleTableRecord::cast(objectAt(styleId));
    return style != nullptr ? std::u16string(style->name()) : std::u16string();
}

void AcDbDatabase::Impl::noteRecordRenamed(AcDbObjectId recordId, const std::u16string& oldName)
{
    const auto* record = AcDbSymbolTableRecord::cast(objectAt(recordId));
    if (record == nullptr)
        return;
    for (auto* names : {&m_layerByName, &m_dimStyleByName}) {
        const auto found = names->find(upperCase(oldName));
        if (found == names->end() || found->second != recordId)
            continue;
        names->erase(found);
        names->emplace(upperCase(record->name()), recordId);
    }
}

bool AcDbDatabase::Impl::setCurrentDimStyle(AcDbObjectId styleId)
{
    const auto* style = AcDbDimStyleTableRecord::cast(objectAt(styleId));
    if (style == nullptr)
        return false;
    m_currentDimStyle = styleId;
    m_sysvars.assignString("DIMSTYLE", style->name());
    return true;
}
