// The writer of a drawing file, one class whose work is split by responsibility:
// dxf_writer.cpp runs it, plans the entity slots and streams the file into a sink;
// dxf_writer_handles.cpp is the handle plan (own handles kept or renamed, pointers that follow
// moved entities) and gives carried records their owners and subclass markers;
// dxf_writer_tables.cpp sees to the tables, blocks and objects a file needs;
// dxf_writer_entities.cpp writes modelled entities and the blocks of dimensions. It reads the
// drawing's foreign data without changing or copying it: a record it changes is copied then,
// with the changed groups of its own. Private to the drawing-file reader and writer.
#pragma once
#include "database/database_impl.h"
#include "dbmain.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_kept_groups.h"
#include "dxf/dxf_writer.h"
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class AcDbEntity;
class AcDbPolyline;
class AecDbWall;
class AcDb3PointAngularDimension;

namespace cadhost {

class DxfSink;
struct DimensionGraphics;
struct DimensionStyleSizes;

/// The version a drawing older than it is written in.
constexpr const char* kLowestWrittenVersion = "AC1015";

/// A table entry name as names are compared: ASCII letters in upper case.
inline std::u16string upperCase(std::u16string name)
{
    for (char16_t& c : name)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return name;
}

/// Builds one record group by group, its texts kept in a store.
class RecordBuilder {
public:
    RecordBuilder(DxfTextStore& texts, std::string_view type) : m_texts(texts)
    {
        m_tags.reserve(24);
        add(0, type);
    }
    /// A group whose value is a text that lives as long as the record (a literal, a table's
    /// name); others are kept.
    RecordBuilder& add(int code, std::string_view value)
    {
        m_tags.push_back({code, value, 0});
        return *this;
    }
    RecordBuilder& text(int code, std::string value)
    {
        m_tags.push_back(m_texts.tag(code, std::move(value)));
        return *this;
    }
    RecordBuilder& real(int code, double value) { return text(code, formatReal(value)); }
    RecordBuilder& integer(int code, long long value) { return text(code, std::to_string(value)); }
    RecordBuilder& handle(int code, std::uint64_t value) { return text(code, formatHandle(value)); }
    RecordBuilder& point(int code, const AcGePoint3d& p)
    {
        return real(code, p.x).real(code + 10, p.y).real(code + 20, p.z);
    }
    /// The extrusion direction, unless it is the default one and the record read had none.
    RecordBuilder& extrusion(const AcGeVector3d& normal, bool read = false)
    {
        if (normal == AcGeVector3d::kZAxis && !read)
            return *this;
        return real(210, normal.x).real(220, normal.y).real(230, normal.z);
    }
    DxfTags tags() { return std::move(m_tags); }
    DxfRecord build() { return DxfRecord(std::move(m_tags)); }

private:
    DxfTextStore& m_texts;
    DxfTags m_tags;
};

/// How an entity slot of the file read is written.
enum class SlotPlan : std::uint8_t {
    Carried,  ///< an entity the host does not model: as read
    AsRead,   ///< a modelled entity the session left alone: as read, under its database handle
    Anew,     ///< a modelled entity the session changed: from the model, with what it keeps
    Gone,     ///< a modelled entity erased in the session: not at all
};

/// Writes one database with its foreign data.
class DrawingWriter {
public:
    explicit DrawingWriter(const AcDbDatabase& db);
    /// Writes the drawing file's text into sink.
    void run(DxfSink& sink);
    /// The bytes the file is expected to take, for the sink's buffer.
    std::size_t expectedSize() const;
    /// The style settings a dimension of the named style is drawn with, the host's styles
    /// added as a save adds them.
    DimensionBlockStyle blockStyle(const std::u16string& styleName);

private:
    // --- the run, the entity slots and the output (dxf_writer.cpp) ---

    /// A handle no record has.
    std::uint64_t fresh() { return m_next++; }
    /// Notes the live model space entities and their handles.
    void collectEntities();
    /// The place in m_entities of the live entity with this handle; kNotLive when none.
    std::size_t livePlace(std::uint64_t handle) const;
    /// The same, looked for first at next, the position in handle order after the handle
    /// looked for last (handles looked for in rising order are found, or found missing,
    /// without a search); next is moved past it.
    std::size_t livePlace(std::uint64_t handle, std::size_t& next) const;
    static constexpr std::size_t kNotLive = static_cast<std::size_t>(-1);
    /// The place in m_entities of the live entity at position in handle order.
    std::size_t placeInHandleOrder(std::size_t position) const
    {
        return m_placesByHandle.empty() ? position : std::size_t{m_placesByHandle[position]};
    }
    /// The highest handle of a live entity; 0 when there is none.
    std::uint64_t highestLiveHandle() const;
    /// How each entity slot is written: a carried entity and a modelled one the session left
    /// alone as read (under its database handle), a modelled one it changed anew, an erased
    /// one not at all.
    void planModelledEntities();
    /// The record of entity slot i as it is to be written (with the writer's changes).
    const DxfRecord& slotRecord(std::size_t i) const
    {
        return m_slotEdit.empty() || m_slotEdit[i] == 0 ? (*m_readEntities)[i]
                                                        : m_slotEdits[m_slotEdit[i] - 1];
    }
    /// The record of slot i, to be changed: copied on the first change.
    DxfRecord& editableSlot(std::size_t i);
    /// Gives record the own handle value, adding one where it has none.
    static DxfTags withOwnHandle(const DxfRecord& record, std::string_view value);
    /// Whether slot i is written as its record.
    bool writtenAsRecord(std::size_t i) const;
    /// The records of the modelled entities written anew and of the session's new entities,
    /// in drawing order (the blocks of their dimensions made on the way).
    void makeEntityRecords();
    /// Writes the HEADER section: the file's variables with the host's own over them.
    void header(DxfSink& out);
    /// Writes a record: as read where nothing changed it, otherwise group by group.
    static void write(DxfSink& out, const DxfRecord& record);
    static void write(DxfSink& out, const DxfRecords& records);

    // --- the handle plan, owners and subclass markers (dxf_writer_handles.cpp) ---

    /// Calls visit(record) for every record written or kept of the document, then
    /// visitSlot(i) for every entity slot.
    template <class Visit, class VisitSlot>
    void forEachRecord(Visit visit, VisitSlot visitSlot);
    /// Leaves out the blocks (and block records) of the dimensions the host draws anew or
    /// that were erased, unless a dimension written as read still draws with them; nothing
    /// may point to what they held.
    void dropRedrawnDimensionBlocks();
    /// Keeps every carried record's own handle unless it is taken (a duplicate), in which
    /// case it gets a new one, counted from above every handle in use; the record's own
    /// sub-records follow it. Pointers elsewhere keep naming the handle's first holder, and
    /// sort handles and pointers are never taken for own handles.
    void claimHandles();
    /// Claims handle for a carried record; false when a live entity or another record has it.
    bool claimed(std::uint64_t handle);
    /// Claims the own handles of one record; the renamed groups when any changed.
    bool claim(const DxfRecord& record, DxfTags& renamed);
    /// Pointers to a modelled entity that moved follow it; pointers to what was left out go.
    void rewriteReferences();
    /// The groups of record with the pointers rewritten; false when none changed.
    bool rewritten(const DxfRecord& record, DxfTags& tags) const;
    /// The groups of record with a new handle for each sub-record that has no own handle,
    /// and an owner for each that has none (owner for the first, the first's handle for the
    /// others), in one pass; false when none was missing.
    bool withOwnership(const DxfRecord& record, std::uint64_t owner, DxfTags& tags);
    /// Gives record what withOwnership gives.
    void giveOwnership(DxfRecord& record, std::uint64_t owner);
    /// A table's head as an R2000 reader requires it: name, handle, owner, then its subclass.
    void normalizeTableHead(DxfTable& t);
    /// Gives every record written a handle and an owner.
    void normalizeOwnership();
    /// Gives the records written without subclass markers (R12) the markers of their kind.
    void addSubclassMarkers();

    // --- tables, blocks and objects (dxf_writer_tables.cpp) ---

    /// The table with this name, made (empty) when the file has none.
    DxfTable& table(std::string_view name);
    /// The key a name is known by in its table: its text in upper case (names are
    /// case-insensitive).
    std::u16string nameKey(std::string_view value) const;
    /// The entry of table with this name; null when there is none.
    const DxfRecord* entryNamed(const DxfTable& table, std::string_view name) const;
    /// The handles of a table's entries by name key.
    std::unordered_map<std::u16string, std::uint64_t> entryHandles(const DxfTable& table) const;
    /// A new entry of owner's table, up to its name (and flags).
    RecordBuilder entry(DxfTable& owner, std::string_view type, std::string_view subclass,
                        std::string_view name);
    /// Adds the entry make gives to the table unless it has one of this name.
    void ensureEntry(std::string_view tableName, std::string_view name,
                     const std::function<DxfRecord(DxfTable&)>& make);
    /// The standard tables, in their order, with the entries an R2000 reader requires.
    void ensureTables();
    /// The handle of the block record with this name; 0 when there is none.
    std::uint64_t blockRecordOf(std::string_view name);
    /// The blocks of model and paper space.
    void ensureBlocks();
    /// A new block of its block record, with entities.
    DxfBlock makeBlock(std::string_view name, std::uint64_t record, bool anonymous,
                       DxfRecords entities);
    /// The named object dictionary, with the dictionaries, layouts and plot style an R2000
    /// reader requires, unless the drawing's has its layouts already.
    void ensureObjects();
    /// A layout of a block record.
    DxfRecord layout(std::uint64_t handle, std::uint64_t owner, const char* name, int tabOrder,
                     std::uint64_t blockRecord, int plotFlags);
    /// Points the block record of space to its layout.
    void linkLayout(std::string_view space, std::uint64_t layoutHandle);
    /// The classes of the objects the host adds.
    void ensureClasses();
    /// The plot style placeholder layer 0 names.
    void findPlaceholder();
    /// A text as the file holds it.
    std::string text(const std::u16string& value) const;
    /// A table entry for each layer of the host the file has not.
    void addHostLayers();
    /// A table entry for each dimension style of the host the file has not.
    void addHostDimensionStyles();
    /// The table entry of a dimension style; ISO-25's when there is none of that name.
    const DxfRecord* dimensionStyleRecord(const std::u16string& name);

    // --- modelled entities and the blocks of dimensions (dxf_writer_entities.cpp) ---

    /// The layer name as the LAYER table has it (the same bytes), or encoded for the file.
    std::string_view layerValue(const std::u16string& name);
    /// The groups every entity written anew starts with, up to its layer.
    RecordBuilder entityHead(const char* type, const AcDbEntity& entity);
    /// A point in the object coordinate system of normal.
    static AcGePoint3d inPlane(AcGePoint3d point, const AcGeVector3d& normal);
    /// The groups a new dimension keeps that the host does not model: text attachment in the
    /// middle, line spacing as the style has it.
    static const DxfRecord& newDimensionGroups();
    /// The record of a modelled entity written anew: the host's groups of it, with those of
    /// original (the record read, null for a new entity) that the host keeps.
    DxfRecord entityRecord(const AcDbEntity& entity, const DxfRecord* original);
    /// The groups of entity the host writes: group 0, handle, owner, and the markers and
    /// modelled groups of each subclass.
    DxfTags modelledGroups(const AcDbEntity& entity, const DxfKeptGroups& kept,
                           const DxfRecord* original);
    /// A lightweight polyline's modelled groups.
    DxfTags polylineGroups(const AcDbPolyline& polyline, const DxfKeptGroups& kept,
                           const DxfRecord* original);
    /// The AcDbCircle part of a circle or arc.
    void circleBody(RecordBuilder& record, const AcGePoint3d& center, const AcGeVector3d& normal,
                    double radius, bool extrusionRead);
    /// A wall's baseline with the host's extended data.
    DxfTags wallGroups(const AecDbWall& wall, const DxfKeptGroups& kept);
    /// A name for a dimension's block that no block has.
    std::string nextDimensionBlockName();
    /// The decimal separator of dimension texts (DIMDSEP).
    char16_t decimalSeparator() const;
    /// A three-point angular dimension's modelled groups, its block drawn afresh.
    DxfTags dimensionGroups(const AcDb3PointAngularDimension& dimension, const DxfKeptGroups& kept);
    /// The entities of a dimension's block.
    DxfRecords blockEntities(const DimensionGraphics& graphics, std::uint64_t owner,
                             const DimensionStyleSizes& sizes);

    const AcDbDatabase::Impl& m_impl;
    std::shared_ptr<const DxfForeignData> m_foreign;
    /// Texts of the groups the writer makes.
    mutable DxfTextStore m_texts;
    /// The file's sections but its entities: records shared with the foreign data until the
    /// writer changes them.
    DxfDocument m_document;
    /// The file's entities and their database handles (empty for a drawing not read).
    const DxfRecords* m_readEntities = nullptr;
    const std::pmr::vector<std::uint64_t>* m_modelHandles = nullptr;
    /// For each slot, 1 + the index of its changed record in m_slotEdits; 0 when unchanged.
    /// Empty until the first change: most saves change none.
    std::vector<std::uint32_t> m_slotEdit;
    DxfRecords m_slotEdits;
    std::vector<SlotPlan> m_plans;  ///< how each slot is written
    /// The records of the slots written anew, by slot, and of the new entities, in order.
    std::unordered_map<std::size_t, DxfRecord> m_anew;
    DxfRecords m_newEntities;
    std::unordered_set<std::uint64_t> m_dropped;
    const std::unordered_map<std::uint64_t, std::uint64_t>* m_moved = nullptr;
    std::string m_version;
    bool m_utf8 = false;
    /// A live model space entity and its handle.
    struct LiveEntity {
        std::uint64_t handle;
        const AcDbEntity* entity;
    };
    /// The live model space entities in drawing order.
    HugePageVector<LiveEntity> m_entities;
    /// The places in m_entities by handle order; empty when drawing order is handle order (as
    /// in nearly every drawing).
    HugePageVector<std::uint32_t> m_placesByHandle;
    /// The handles carried records claimed (the live entities' handles are theirs).
    DxfHandleSet m_used;
    /// Where in handle order the last claim's live entity search ended: claims come mostly in
    /// handle order.
    std::size_t m_claimHint = 0;
    std::unordered_map<std::u16string, std::string_view> m_layerValues;
    std::uint64_t m_next = 1;
    std::uint64_t m_modelSpace = 0;
    std::uint64_t m_paperSpace = 0;
    std::uint64_t m_placeholder = 0;
    std::unordered_set<std::u16string> m_blockNames;
    bool m_blockNamesKnown = false;
    std::string m_codePage = "ANSI_1252";
    unsigned m_lastDimensionBlock = 0;
};

}  // namespace cadhost
