// The host's own view of a drawing: its objects by handle, model space in drawing order, the
// layer and dimension style tables, the layer keys, the system variables and the spatial index.
// Host commands, the report, the drawing-file reader and writer and the tests use it; the
// module never does.
#pragma once
#include "database/huge_pages.h"
#include "database/object_arena.h"
#include "database/object_table.h"
#include "database/spatial_index.h"
#include "database/system_variables.h"
#include "dbmain.h"
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class AcDbLayerTableRecord;
class AcDbDimStyleTableRecord;

/// The layer key that dimensions are put on.
constexpr const char16_t* kDimensionLayerKey = u"DIMLINE";
/// The layer that kDimensionLayerKey gives until the drawing maps it elsewhere.
constexpr const char16_t* kDefaultDimensionLayer = u"Dimensions";

struct AcDbDatabase::Impl {
    /// An empty metric drawing: model space, layer "0", the dimension styles "ISO-25" (current)
    /// and "Standard", the default layer keys and the default system variables.
    explicit Impl(AcDbDatabase& owner);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // --- objects ---

    /// Appends entity to model space: the database takes ownership, gives it the next handle,
    /// sets its owner to model space, its layer to the current layer when it has none of this
    /// drawing, and a dimension's style to the current style likewise. As
    /// with the host's appendAcDbEntity the entity stays open for write until it is closed.
    /// eAlreadyInDb for an entity already in a database, eNullEntityPointer for null.
    Acad::ErrorStatus appendEntity(AcDbEntity* entity, AcDbObjectId& id);
    /// Adds a non-entity object (a table record) owned by owner; it is closed afterwards.
    Acad::ErrorStatus addObject(AcDbObject* object, AcDbObjectId owner, AcDbObjectId& id);
    /// The same at a given handle (a drawing-file reader keeping the file's handles);
    /// eDuplicateKey when the handle is taken, eInvalidInput for handle 0.
    Acad::ErrorStatus appendEntityWithHandle(AcDbEntity* entity, AcDbHandle handle,
                                             AcDbObjectId& id);
    /// Puts an entity the drawing-file reader made into model space at handle, as the
    /// drawing's own rather than a change of it: closed, and recorded as no event. The
    /// database takes ownership on eOk; eDuplicateKey when the handle is taken, eInvalidInput
    /// for handle 0.
    Acad::ErrorStatus adoptEntity(AcDbEntity* entity, AcDbHandle handle, AcDbObjectId& id);
    /// adoptEntity for an entity the reader made that is in no database and not a dimension,
    /// on layer (null: the current layer): the entity is written, never read, so that filing a
    /// hundred thousand does not wait for each to come back into the cache.
    Acad::ErrorStatus adoptReadEntity(AcDbEntity* entity, AcDbHandle handle, AcDbObjectId layer,
                                      AcDbObjectId& id);
    /// Makes room for count more model space entities.
    void reserveEntities(std::size_t count);
    /// Keeps the arena the drawing-file reader made the entities it adopts in, until they are
    /// gone; once, on a new database, before the first of them is adopted.
    void keepArena(std::shared_ptr<cadhost::ObjectArena> arena) { m_arena = std::move(arena); }
    /// The model space entities, erased ones included, in drawing order.
    const cadhost::HugePageVector<AcDbObjectId>& modelSpaceIds() const { return m_modelSpace; }
    /// Calls visit(handle, entity) for each model space entity, erased ones included, in
    /// drawing order: the objects in the order they were added, without a lookup each.
    template <class Visit>
    void forEachModelSpaceEntity(Visit visit) const
    {
        for (const cadhost::ObjectTable::Entry& entry : m_objects)
            if (entry.drawOrder != cadhost::ObjectTable::kNotDrawn)
                visit(entry.handle, *static_cast<const AcDbEntity*>(entry.object));
    }
    /// The object with this id, whatever its open state or erasure (host internals only: the
    /// report, the drawing-file writer, picking); null for an id of another database or none.
    AcDbObject* objectAt(AcDbObjectId id) const;
    /// The object with this handle; null when there is none.
    AcDbObject* objectByHandle(AcDbHandle handle) const;
    /// The id of the object with this handle; the null id when there is none.
    AcDbObjectId idOfHandle(AcDbHandle handle) const;
    /// Whether an object with this handle lives in the database.
    bool holds(Adesk::UInt64 handle) const { return m_objects.find(handle) != nullptr; }
    /// The position of a model space entity in drawing order; false for other handles.
    bool drawOrderOf(Adesk::UInt64 handle, std::size_t& position) const;

    /// The handle the next new object gets; always above every handle in use.
    Adesk::UInt64 nextHandle() const { return m_nextHandle; }
    /// Lets new objects start at handle (a reader seeds it from the file); a value at or below
    /// a handle in use is raised above it.
    void seedNextHandle(Adesk::UInt64 handle);

    /// The model space block record.
    AcDbObjectId modelSpaceId() const { return m_modelSpaceId; }

    /// The objects now open for read or write, by id (empty when everything was closed).
    std::vector<AcDbObjectId> openObjectIds() const;

    // --- layers ---

    /// The layer with this name (case-insensitive); the null id when there is none.
    AcDbObjectId layerId(const std::u16string& name) const;
    /// The layer with this name, created when it does not exist yet.
    AcDbObjectId layerIdCreating(const std::u16string& name);
    /// All layers in the order they were made; "0" first.
    const std::vector<AcDbObjectId>& layerIds() const { return m_layers; }
    /// The name of the layer with this id; "0" for an id that is not a layer of this drawing.
    std::u16string layerName(AcDbObjectId layerId) const;
    AcDbObjectId currentLayerId() const { return m_currentLayer; }
    /// Makes the layer current; false when layerId is not a layer of this drawing.
    bool setCurrentLayer(AcDbObjectId layerId);

    // --- layer keys ---

    /// Maps a layer key (case-insensitive) to a layer name; the layer is made when first used.
    void setLayerKey(const std::u16string& key, const std::u16string& layer);
    /// The layer name the key gives; false for an unknown key.
    bool layerForKey(const std::u16string& key, std::u16string& layer) const;
    /// Every key (upper case) and its layer.
    const std::map<std::u16string, std::u16string>& layerKeys() const { return m_layerKeys; }

    // --- dimension styles ---

    /// The dimension style with this name (case-insensitive); the null id when there is none.
    AcDbObjectId dimStyleId(const std::u16string& name) const;
    /// Adds a dimension style, or gives the existing one of that name.
    AcDbObjectId addDimStyle(const std::u16string& name);
    /// The name of the style with this id; empty for an id that is not a style here.
    std::u16string dimStyleName(AcDbObjectId styleId) const;
    /// All dimension styles in the order they were made.
    const std::vector<AcDbObjectId>& dimStyleIds() const { return m_dimStyles; }
    AcDbObjectId currentDimStyleId() const { return m_currentDimStyle; }
    /// Makes the style current and DIMSTYLE its name; false when it is not a style here.
    bool setCurrentDimStyle(AcDbObjectId styleId);
    /// Keeps the lookup by name of layers and dimension styles right after a record of
    /// this database had oldName.
    void noteRecordRenamed(AcDbObjectId recordId, const std::u16string& oldName);

    // --- system variables and index ---

    cadhost::SystemVariables& systemVariables() { return m_sysvars; }
    const cadhost::SystemVariables& systemVariables() const { return m_sysvars; }
    /// The spatial index of model space, for picking, told of the entities put in model space
    /// since it was last asked for.
    cadhost::SpatialIndex& spatialIndex();

    /// Data of the drawing file that the host does not model (other tables, objects, header
    /// values), kept so that a drawing read and written again keeps them. Owned and understood
    /// by the drawing-file reader and writer only.
    std::shared_ptr<void> foreignData;

    // --- for the host's object machinery ---

    /// Called when an object of this database is opened for write, so the index rechecks it
    /// and the drawing-file writer knows it may have changed.
    void noteOpenedForWrite(AcDbObjectId id)
    {
        m_index.markChanged(id.handle().value());
        m_openedForWrite.insert(id.handle().value());
    }
    /// Whether the object with this handle was opened for write since forgetWrites().
    bool wasOpenedForWrite(Adesk::UInt64 handle) const { return m_openedForWrite.count(handle) != 0; }
    /// Starts afresh the record of objects opened for write (a reader, once it has built the
    /// drawing).
    void forgetWrites() { m_openedForWrite.clear(); }

private:
    using Resident = cadhost::ObjectTable::Entry;

    /// Makes object resident at handle, owned by owner, the database taking ownership on eOk;
    /// its entry in the table in resident when that is not null (valid until the next insert).
    Acad::ErrorStatus insert(AcDbObject* object, Adesk::UInt64 handle, AcDbObjectId owner,
                             AcDbObjectId& id, Resident** resident = nullptr);
    /// insert for an object known to be in no database: it is written, never read.
    Acad::ErrorStatus insertNew(AcDbObject& object, Adesk::UInt64 handle, AcDbObjectId owner,
                                AcDbObjectId& id, Resident** resident);
    Acad::ErrorStatus insertEntity(AcDbEntity* entity, Adesk::UInt64 handle, AcDbObjectId& id);
    /// Gives an entity this drawing's layer and dimension style where its own are another
    /// drawing's.
    void useDrawingDefaults(AcDbEntity* entity);
    /// Puts a resident entity into model space, at the end of drawing order.
    void placeEntity(Resident& resident, AcDbObjectId id);

    AcDbDatabase& m_owner;
    /// The blocks the entities of a file read are made in; they outlive the objects.
    std::shared_ptr<cadhost::ObjectArena> m_arena;
    /// The objects, which the database owns.
    cadhost::ObjectTable m_objects;
    cadhost::HugePageVector<AcDbObjectId> m_modelSpace;
    Adesk::UInt64 m_nextHandle = 1;
    AcDbObjectId m_modelSpaceId;
    std::vector<AcDbObjectId> m_layers;
    AcDbObjectId m_currentLayer;
    std::map<std::u16string, std::u16string> m_layerKeys;
    std::vector<AcDbObjectId> m_dimStyles;
    AcDbObjectId m_currentDimStyle;
    /// Layers and dimension styles by upper-case name.
    std::unordered_map<std::u16string, AcDbObjectId> m_layerByName;
    std::unordered_map<std::u16string, AcDbObjectId> m_dimStyleByName;
    std::unordered_set<Adesk::UInt64> m_openedForWrite;
    cadhost::SystemVariables m_sysvars;
    cadhost::SpatialIndex m_index;
    /// Model space entities from this place in drawing order on are not yet noted in m_index:
    /// a drawing read puts in a hundred thousand that no pick may ever look for.
    std::size_t m_unindexed = 0;
};
