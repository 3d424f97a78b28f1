// The writer of a drawing file, one class whose work is split by responsibility:
// dxf_writer.cpp runs it, plans the entity slots and writes the file; dxf_writer_handles.cpp
// claims handles and gives carried records their owners and subclass markers;
// dxf_writer_tables.cpp sees to the tables, blocks and objects a file needs;
// dxf_writer_entities.cpp writes modelled entities and the blocks of dimensions. Private to
// the drawing-file reader and writer.
#pragma once
#include "database/database_impl.h"
#include "dbmain.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_kept_groups.h"
#include "dxf/dxf_writer.h"
#include <charconv>
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

/// Builds one record group by group.
class RecordBuilder {
public:
    explicit RecordBuilder(const std::string& type)
    {
        m_record.tags.reserve(24);
        add(0, type);
    }
    RecordBuilder& add(int code, std::string value)
    {
        DxfTag tag;
        tag.code = code;
        tag.value = std::move(value);
        m_record.tags.push_back(std::move(tag));
        return *this;
    }
    RecordBuilder& real(int code, double value) { return add(code, formatReal(value)); }
    RecordBuilder& integer(int code, long long value) { return add(code, std::to_string(value)); }
    RecordBuilder& handle(int code, std::uint64_t value) { return add(code, formatHandle(value)); }
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
    DxfRecord build() { return std::move(m_record); }

private:
    DxfRecord m_record;
};

/// The text of records, group by group.
class TagOutput {
public:
    /// The code right-aligned in three columns, as CAD programs write it, then the value.
    void tag(int code, const std::string& value)
    {
        char digits[8];
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, code);
        const std::size_t length = error == std::errc() ? static_cast<std::size_t>(end - digits) : 0;
        if (length < 3)
            m_text.append(3 - length, ' ');
        m_text.append(digits, length);
        m_text += '\n';
        m_text += value;
        m_text += '\n';
    }
    void tags(const DxfTags& tags)
    {
        for (const DxfTag& t : tags)
            tag(t.code, t.value);
    }
    void records(const std::vector<DxfRecord>& records)
    {
        for (const DxfRecord& record : records)
            tags(record.tags);
    }
    void beginSection(const std::string& name)
    {
        tag(0, "SECTION");
        tag(2, name);
    }
    void endSection() { tag(0, "ENDSEC"); }
    std::string& text() { return m_text; }

private:
    std::string m_text;
};

/// How an entity slot of the file read is written.
enum class SlotPlan {
    Carried,  ///< an entity the host does not model: as read
    AsRead,   ///< a modelled entity the session left alone: as read, under its database handle
    Anew,     ///< a modelled entity the session changed: from the model, with what it keeps
    Gone,     ///< a modelled entity erased in the session: not at all
};

/// Writes one database with its foreign data.
class DrawingWriter {
public:
    explicit DrawingWriter(const AcDbDatabase& db);
    /// The drawing file's text.
    std::string run();
    /// The style settings a dimension of the named style is drawn with, the host's styles
    /// added as a save adds them.
    DimensionBlockStyle blockStyle(const std::u16string& styleName);

private:
    // --- the run and the entity slots (dxf_writer.cpp) ---

    /// A handle no record has.
    std::uint64_t fresh() { return m_next++; }
    /// Notes the live model space entities and their handles.
    void collectEntities();
    /// How each entity slot is written: a carried entity and a modelled one the session left
    /// alone as read (under its database handle), a modelled one it changed anew, an erased
    /// one not at all.
    void planModelledEntities();
    /// Sets record's own handle, giving it one where it has none.
    static void setOwnHandle(DxfRecord& record, std::uint64_t handle);
    /// Whether slot i is written as its record.
    bool writtenAsRecord(std::size_t i) const;
    /// The ENTITIES section's records, in drawing order, the session's new entities last.
    std::vector<DxfRecord> entityRecords();
    /// Writes the HEADER section: the file's variables with the host's own over them.
    void header(TagOutput& out);
    /// The file's text around the entity records.
    std::string assemble(const std::vector<DxfRecord>& entities);

    // --- handles, owners and subclass markers (dxf_writer_handles.cpp) ---

    /// Calls visit(record) for every record written or kept (the tables, blocks, objects and
    /// entity slots; a modelled entity's slot holds the groups the host keeps of it).
    template <class Visit>
    void forEachRecord(Visit visit);
    /// Leaves out the blocks (and block records) of the dimensions the host draws anew or
    /// that were erased, unless a dimension written as read still draws with them; nothing
    /// may point to what they held.
    void dropRedrawnDimensionBlocks();
    /// Keeps every carried record's own handle unless it is taken (a duplicate), in which
    /// case it gets a new one, counted from above every handle in use; the record's own
    /// sub-records follow it. Pointers elsewhere keep naming the handle's first holder, and
    /// sort handles and pointers are never taken for own handles.
    void claimHandles();
    /// Pointers to a modelled entity that moved follow it; pointers to what was left out go.
    void rewriteReferences();
    /// Gives each sub-record of record that has no own handle a new one, and each that has no
    /// owner an owner (owner for the first, the first's handle for the others), in one pass.
    void giveOwnership(DxfRecord& record, std::uint64_t owner);
    /// A table's head as an R2000 reader requires it: name, handle, owner, then its subclass.
    void normalizeTableHead(DxfTable& t);
    /// Gives every record written a handle and an owner.
    void normalizeOwnership();
    /// Gives the records written without subclass markers (R12) the markers of their kind.
    void addSubclassMarkers();

    // --- tables, blocks and objects (dxf_writer_tables.cpp) ---

    /// The table with this name, made (empty) when the file has none.
    DxfTable& table(const std::string& name);
    /// The key a name is known by in its table: its text in upper case (names are
    /// case-insensitive).
    std::u16string nameKey(const std::string& value) const;
    /// The entry of table with this name; null when there is none.
    const DxfRecord* entryNamed(const DxfTable& table, const std::string& name) const;
    /// The handles of a table's entries by name key.
    std::unordered_map<std::u16string, std::uint64_t> entryHandles(const DxfTable& table) const;
    /// A new entry of owner's table, up to its name (and flags).
    RecordBuilder entry(DxfTable& owner, const std::string& type, const std::string& subclass,
                        const std::string& name);
    /// Adds the entry make gives to the table unless it has one of this name.
    void ensureEntry(const std::string& tableName, const std::string& name,
                     const std::function<DxfRecord(DxfTable&)>& make);
    /// The standard tables, in their order, with the entries an R2000 reader requires.
    void ensureTables();
    /// The handle of the block record with this name; 0 when there is none.
    std::uint64_t blockRecordOf(const std::string& name);
    /// The blocks of model and paper space.
    void ensureBlocks();
    /// A new block of its block record, with entities.
    DxfBlock makeBlock(const std::string& name, std::uint64_t record, bool anonymous,
                       std::vector<DxfRecord> entities);
    /// The named object dictionary, with the dictionaries, layouts and plot style an R2000
    /// reader requires, unless the drawing's has its layouts already.
    void ensureObjects();
    /// A layout of a block record.
    static DxfRecord layout(std::uint64_t handle, std::uint64_t owner, const char* name,
                            int tabOrder, std::uint64_t blockRecord, int plotFlags);
    /// Points the block record of space to its layout.
    void linkLayout(const std::string& space, std::uint64_t layoutHandle);
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
    std::string layerValue(const std::u16string& name);
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
    std::vector<DxfRecord> blockEntities(const DimensionGraphics& graphics, std::uint64_t owner,
                                         const DimensionStyleSizes& sizes);

    const AcDbDatabase::Impl& m_impl;
    DxfDocument m_document;
    std::vector<DxfEntitySlot> m_slots;
    std::unordered_set<std::uint64_t> m_dropped;
    std::unordered_map<std::uint64_t, std::uint64_t> m_moved;
    std::string m_version;
    bool m_utf8 = false;
    std::vector<const AcDbEntity*> m_entities;
    std::unordered_map<std::uint64_t, const AcDbEntity*> m_live;
    std::vector<SlotPlan> m_plans;  ///< how each of m_slots is written
    std::unordered_set<std::uint64_t> m_used;
    std::unordered_map<std::u16string, std::string> m_layerValues;
    std::uint64_t m_next = 1;
    std::uint64_t m_modelSpace = 0;
    std::uint64_t m_paperSpace = 0;
    std::uint64_t m_placeholder = 0;
    std::unordered_set<std::u16string> m_blockNames;
    std::string m_codePage = "ANSI_1252";
    unsigned m_lastDimensionBlock = 0;
};

}  // namespace cadhost
