#include "dxf/dxf_writer.h"

#include "database/aec_wall.h"
#include "acedads.h"
#include "database/database_impl.h"
#include "database/object_state.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dimension_graphics.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_kept_groups.h"
#include "dxf/dxf_record_layouts.h"
#include "dxf/dxf_text.h"
#include "mfc/utf_text.h"
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unistd.h>

namespace cadhost {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr const char* kLowestWrittenVersion = "AC1015";
const char* const kTableOrder[] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW",
                                   "UCS",   "APPID", "DIMSTYLE", "BLOCK_RECORD"};

/// A table entry name as names are compared: ASCII letters in upper case.
std::u16string upperCase(std::u16string name)
{
    for (char16_t& c : name)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return name;
}

double degrees(double radians)
{
    double value = std::fmod(radians * 180.0 / kPi, 360.0);
    return value < 0.0 ? value + 360.0 : value;
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

/// The sizes of a dimension style: from its table record, where it leaves one out from the
/// drawing's header variable ($DIMTXT and so on), as CAD programs take them.
DimensionStyleSizes sizesOf(const DxfRecord* style, const DxfDocument& document)
{
    DimensionStyleSizes sizes;
    const auto valueOf = [style, &document](int code, const char* variable) -> const DxfTag* {
        const DxfTag* tag = style == nullptr ? nullptr : style->find(code);
        return tag != nullptr ? tag : document.headerValue(variable);
    };
    const auto real = [&valueOf](int code, const char* variable, double& value) {
        if (const DxfTag* tag = valueOf(code, variable))
            parseReal(tag->value, value);
    };
    real(41, "$DIMASZ", sizes.arrowSize);
    real(140, "$DIMTXT", sizes.textHeight);
    real(42, "$DIMEXO", sizes.extensionOffset);
    real(44, "$DIMEXE", sizes.extensionBeyond);
    real(147, "$DIMGAP", sizes.textGap);
    real(40, "$DIMSCALE", sizes.scale);
    long long value = 0;
    if (const DxfTag* tag = valueOf(77, "$DIMTAD"); tag != nullptr && parseInteger(tag->value, value))
        sizes.textAbove = value != 0;
    if (const DxfTag* tag = valueOf(179, "$DIMADEC"); tag != nullptr && parseInteger(tag->value, value))
        sizes.angularDecimals = static_cast<int>(value);
    return sizes;
}

/// The block a dimension record draws with (its group 2); empty when it names none.
std::string dimensionBlockOf(const DxfRecord& record)
{
    if (record.type() != "DIMENSION")
        return std::string();
    const DxfTag* name = record.find(2);
    return name == nullptr ? std::string() : name->value;
}

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
    explicit DrawingWriter(const AcDbDatabase& db) : m_impl(db.impl())
    {
        auto foreign = std::static_pointer_cast<const DxfForeignData>(m_impl.foreignData);
        if (foreign != nullptr) {
            m_document = foreign->document;
            m_slots = foreign->entities;
            m_moved = foreign->movedHandles;
            m_version = foreign->version;
            if (const DxfTag* codePage = m_document.headerValue("$DWGCODEPAGE"))
                m_codePage = codePage->value;
        }
        if (m_version < kLowestWrittenVersion)
            m_version = kLowestWrittenVersion;
        m_utf8 = isUtf8Version(m_version);
    }

    std::string run()
    {
        collectEntities();
        planModelledEntities();
        dropRedrawnDimensionBlocks();
        claimHandles();
        rewriteReferences();
        // Records written without handles or owners (R12) get them, before the tables they
        // are in get new entries, and again once every block has its record; then the
        // subclass markers an R2000 reader requires.
        normalizeOwnership();
        ensureTables();
        ensureBlocks();
        ensureObjects();
        normalizeOwnership();
        addSubclassMarkers();
        addHostLayers();
        addHostDimensionStyles();
        std::vector<DxfRecord> entities = entityRecords();
        return assemble(entities);
    }

private:
    // --- handles ---

    std::uint64_t fresh() { return m_next++; }

    /// Calls visit(record) for every record written or kept (the tables, blocks, objects and
    /// entity slots; a modelled entity's slot holds the groups the host keeps of it).
    template <class Visit>
    void forEachRecord(Visit visit)
    {
        cadhost::forEachRecord(m_document, visit);
        for (DxfEntitySlot& slot : m_slots)
            visit(slot.record);
    }

    void collectEntities()
    {
        for (const AcDbObjectId& id : m_impl.modelSpaceIds()) {
            const AcDbEntity* entity = AcDbEntity::cast(m_impl.objectAt(id));
            if (entity == nullptr || entity->isErased())
                continue;
            m_entities.push_back(entity);
            m_live.emplace(id.handle().value(), entity);
            m_used.insert(id.handle().value());
        }
    }

    /// How each entity slot is written: a carried entity and a modelled one the session left
    /// alone as read (under its database handle), a modelled one it changed anew, an erased
    /// one not at all.
    void planModelledEntities()
    {
        m_plans.reserve(m_slots.size());
        for (DxfEntitySlot& slot : m_slots) {
            if (slot.modelHandle == 0) {
                m_plans.push_back(SlotPlan::Carried);
            } else if (m_live.count(slot.modelHandle) == 0) {
                m_plans.push_back(SlotPlan::Gone);
            } else if (m_impl.wasOpenedForWrite(slot.modelHandle)) {
                m_plans.push_back(SlotPlan::Anew);
            } else {
                m_plans.push_back(SlotPlan::AsRead);
                setOwnHandle(slot.record, slot.modelHandle);
            }
        }
    }

    static void setOwnHandle(DxfRecord& record, std::uint64_t handle)
    {
        DxfHandleScanner scanner;
        for (std::size_t i = 0; i < record.tags.size() && (i == 0 || record.tags[i].code != 0); ++i)
            if (scanner.next(record.tags[i]) == DxfHandleRole::Own) {
                record.tags[i].value = formatHandle(handle);
                return;
            }
        DxfTag own;
        own.code = 5;
        own.value = formatHandle(handle);
        record.tags.insert(record.tags.begin() + 1, std::move(own));
    }

    /// Whether slot i is written as its record.
    bool writtenAsRecord(std::size_t i) const
    {
        return m_plans[i] == SlotPlan::Carried || m_plans[i] == SlotPlan::AsRead;
    }

    /// Leaves out the blocks (and block records) of the dimensions the host draws anew or
    /// that were erased, unless a dimension written as read still draws with them; nothing
    /// may point to what they held.
    void dropRedrawnDimensionBlocks()
    {
        std::unordered_set<std::u16string> redrawn;
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            if (!writtenAsRecord(i))
                if (const std::string name = dimensionBlockOf(m_slots[i].record); !name.empty())
                    redrawn.insert(nameKey(name));
        if (redrawn.empty())
            return;
        const auto stillDrawn = [&](const DxfRecord& record) {
            if (const std::string name = dimensionBlockOf(record); !name.empty())
                redrawn.erase(nameKey(name));
        };
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            if (writtenAsRecord(i))
                stillDrawn(m_slots[i].record);
        for (const DxfBlock& block : m_document.blocks)
            for (const DxfRecord& entity : block.entities)
                stillDrawn(entity);
        const auto drop = [this](const DxfRecord& record) {
            forEachHandle(record.tags, [this](const DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                    m_dropped.insert(value);
            });
        };
        std::vector<DxfBlock> kept;
        for (DxfBlock& block : m_document.blocks) {
            if (redrawn.count(nameKey(block.name)) == 0) {
                kept.push_back(std::move(block));
                continue;
            }
            drop(block.begin);
            drop(block.end);
            for (const DxfRecord& entity : block.entities)
                drop(entity);
        }
        m_document.blocks = std::move(kept);
        if (DxfTable* records = m_document.table("BLOCK_RECORD")) {
            std::vector<DxfRecord> entries;
            for (DxfRecord& entry : records->entries) {
                const DxfTag* name = entry.find(2);
                if (name != nullptr && redrawn.count(nameKey(name->value)) != 0)
                    drop(entry);
                else
                    entries.push_back(std::move(entry));
            }
            records->entries = std::move(entries);
        }
    }

    /// Keeps every carried record's own handle unless it is taken (a duplicate), in which
    /// case it gets a new one, counted from above every handle in use; the record's own
    /// sub-records follow it. Pointers elsewhere keep naming the handle's first holder, and
    /// sort handles and pointers are never taken for own handles.
    void claimHandles()
    {
        std::uint64_t highest = m_impl.nextHandle();
        for (std::uint64_t used : m_used)
            highest = std::max(highest, used);
        forEachRecord([&highest](DxfRecord& record) {
            forEachHandle(record.tags, [&highest](const DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                    highest = std::max(highest, value);
            });
        });
        m_next = highest + 1;
        const auto claim = [this](DxfRecord& record) {
            std::unordered_map<std::uint64_t, std::uint64_t> renamed;
            forEachHandle(record.tags, [&](DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                parseHandle(tag.value, value);
                if (role == DxfHandleRole::Reference) {
                    if (const auto own = renamed.find(value); own != renamed.end())
                        tag.value = formatHandle(own->second);
                    return;
                }
                if (role != DxfHandleRole::Own || (value != 0 && m_used.insert(value).second))
                    return;
                const std::uint64_t replacement = fresh();
                if (value != 0)
                    renamed.emplace(value, replacement);
                m_used.insert(replacement);
                tag.value = formatHandle(replacement);
            });
        };
        cadhost::forEachRecord(m_document, claim);
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            if (m_plans[i] == SlotPlan::Carried)
                claim(m_slots[i].record);
    }

    /// Pointers to a modelled entity that moved follow it; pointers to what was left out go.
    void rewriteReferences()
    {
        if (m_dropped.empty() && m_moved.empty())
            return;
        forEachRecord([this](DxfRecord& record) {
            bool dropsAny = false;
            forEachHandle(record.tags, [&](DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                if (role != DxfHandleRole::Reference || !parseHandle(tag.value, value))
                    return;
                if (m_dropped.count(value) != 0) {
                    dropsAny = true;
                    tag.code = -1;  // taken out below
                } else if (const auto moved = m_moved.find(value); moved != m_moved.end()) {
                    tag.value = formatHandle(moved->second);
                }
            });
            if (dropsAny)
                record.tags.erase(std::remove_if(record.tags.begin(), record.tags.end(),
                                                 [](const DxfTag& tag) { return tag.code == -1; }),
                                  record.tags.end());
        });
    }

    // --- tables ---

    DxfTable& table(const std::string& name)
    {
        if (DxfTable* existing = m_document.table(name))
            return *existing;
        DxfTable created;
        created.name = name;
        RecordBuilder head("TABLE");
        head.add(2, name).handle(5, fresh()).add(330, "0").add(100, "AcDbSymbolTable").integer(70, 0);
        if (name == "DIMSTYLE")
            head.add(100, "AcDbDimStyleTable");
        created.head = head.build();
        m_document.tables.push_back(std::move(created));
        return m_document.tables.back();
    }

    /// The key a name is known by in its table: its text in upper case (names are
    /// case-insensitive).
    std::u16string nameKey(const std::string& value) const
    {
        return upperCase(decodeDxfText(value, m_codePage));
    }

    const DxfRecord* entryNamed(const DxfTable& table, const std::string& name) const
    {
        const std::u16string wanted = nameKey(name);
        for (const DxfRecord& entry : table.entries)
            if (const DxfTag* tag = entry.find(2); tag != nullptr && nameKey(tag->value) == wanted)
                return &entry;
        return nullptr;
    }

    /// The handles of a table's entries by name key.
    std::unordered_map<std::u16string, std::uint64_t> entryHandles(const DxfTable& table) const
    {
        std::unordered_map<std::u16string, std::uint64_t> handles;
        for (const DxfRecord& entry : table.entries)
            if (const DxfTag* tag = entry.find(2))
                handles.emplace(nameKey(tag->value), entry.handle());
        return handles;
    }

    RecordBuilder entry(DxfTable& owner, const std::string& type, const std::string& subclass,
                        const std::string& name)
    {
        RecordBuilder record(type);
        record.handle(type == "DIMSTYLE" ? 105 : 5, fresh())
            .handle(330, owner.head.handle())
            .add(100, "AcDbSymbolTableRecord")
            .add(100, subclass)
            .add(2, name);
        if (type != "BLOCK_RECORD")
            record.integer(70, 0);
        return record;
    }

    void ensureEntry(const std::string& tableName, const std::string& name,
                     const std::function<DxfRecord(DxfTable&)>& make)
    {
        DxfTable& owner = table(tableName);
        if (entryNamed(owner, name) == nullptr)
            owner.entries.push_back(make(owner));
    }

    void ensureTables()
    {
        for (const char* name : kTableOrder)
            table(name);
        // The standard tables first, in their order, then any others.
        std::stable_sort(m_document.tables.begin(), m_document.tables.end(),
                         [](const DxfTable& a, const DxfTable& b) {
                             const auto rank = [](const std::string& name) {
                                 const auto at = std::find(std::begin(kTableOrder),
                                                           std::end(kTableOrder), name);
                                 return at - std::begin(kTableOrder);
                             };
                             return rank(a.name) < rank(b.name);
                         });
        ensureEntry("VPORT", "*Active", [this](DxfTable& t) {
            return entry(t, "VPORT", "AcDbViewportTableRecord", "*Active")
                .real(10, 0.0).real(20, 0.0).real(11, 1.0).real(21, 1.0)
                .real(12, 0.0).real(22, 0.0).real(13, 0.0).real(23, 0.0)
                .real(14, 0.5).real(24, 0.5).real(15, 0.5).real(25, 0.5)
                .real(16, 0.0).real(26, 0.0).real(36, 1.0).real(17, 0.0).real(27, 0.0)
                .real(37, 0.0).real(40, 1000.0).real(41, 1.34).real(42, 50.0).real(43, 0.0)
                .real(44, 0.0).real(50, 0.0).real(51, 0.0).integer(71, 0).integer(72, 1000)
                .integer(73, 1).integer(74, 3).integer(75, 0).integer(76, 0).integer(77, 0)
                .integer(78, 0).build();
        });
        for (const char* linetype : {"ByBlock", "ByLayer", "Continuous"})
            ensureEntry("LTYPE", linetype, [this, linetype](DxfTable& t) {
                return entry(t, "LTYPE", "AcDbLinetypeTableRecord", linetype)
                    .add(3, std::string(linetype) == "Continuous" ? "Solid line" : "")
                    .integer(72, 65).integer(73, 0).real(40, 0.0).build();
            });
        ensureEntry("STYLE", "Standard", [this](DxfTable& t) {
            return entry(t, "STYLE", "AcDbTextStyleTableRecord", "Standard")
                .real(40, 0.0).real(41, 1.0).real(50, 0.0).integer(71, 0).real(42, 2.5)
                .add(3, "txt").add(4, "").build();
        });
        for (const char* application : {"ACAD", kWallApplication})
            ensureEntry("APPID", application, [this, application](DxfTable& t) {
                return entry(t, "APPID", "AcDbRegAppTableRecord", application).build();
            });
        for (const char* space : {"*Model_Space", "*Paper_Space"})
            ensureEntry("BLOCK_RECORD", space, [this, space](DxfTable& t) {
                return entry(t, "BLOCK_RECORD", "AcDbBlockTableRecord", space).build();
            });
        // Every carried block has a record.
        DxfTable& records = table("BLOCK_RECORD");
        const auto existing = entryHandles(records);
        for (const DxfBlock& block : m_document.blocks)
            if (existing.count(nameKey(block.name)) == 0)
                records.entries.push_back(
                    entry(records, "BLOCK_RECORD", "AcDbBlockTableRecord", block.name).build());
        m_modelSpace = entryNamed(table("BLOCK_RECORD"), "*Model_Space")->handle();
        m_paperSpace = entryNamed(table("BLOCK_RECORD"), "*Paper_Space")->handle();
    }

    std::uint64_t blockRecordOf(const std::string& name)
    {
        const DxfRecord* record = entryNamed(table("BLOCK_RECORD"), name);
        return record == nullptr ? 0 : record->handle();
    }

    void ensureBlocks()
    {
        for (const char* space : {"*Model_Space", "*Paper_Space"}) {
            const std::u16string wanted = nameKey(space);
            const bool present = std::any_of(m_document.blocks.begin(), m_document.blocks.end(),
                                             [&](const DxfBlock& b) { return nameKey(b.name) == wanted; });
            if (!present)
                m_document.blocks.insert(m_document.blocks.begin(),
                                         makeBlock(space, blockRecordOf(space), false, {}));
        }
    }

    DxfBlock makeBlock(const std::string& name, std::uint64_t record, bool anonymous,
                       std::vector<DxfRecord> entities)
    {
        DxfBlock block;
        block.name = name;
        block.begin = RecordBuilder("BLOCK")
                          .handle(5, fresh()).handle(330, record).add(100, "AcDbEntity").add(8, "0")
                          .add(100, "AcDbBlockBegin").add(2, name).integer(70, anonymous ? 1 : 0)
                          .point(10, AcGePoint3d::kOrigin).add(3, name).add(1, "").build();
        block.entities = std::move(entities);
        block.end = RecordBuilder("ENDBLK")
                        .handle(5, fresh()).handle(330, record).add(100, "AcDbEntity").add(8, "0")
                        .add(100, "AcDbBlockEnd").build();
        return block;
    }

    // --- objects ---

    /// The named object dictionary, with the dictionaries, layouts and plot style an R2000
    /// reader requires, unless the drawing's has its layouts already.
    void ensureObjects()
    {
        std::vector<DxfRecord>& objects = m_document.objects;
        if (objects.empty() || objects.front().type() != "DICTIONARY")
            objects.insert(objects.begin(), RecordBuilder("DICTIONARY")
                                                .handle(5, fresh()).add(330, "0")
                                                .add(100, "AcDbDictionary").integer(281, 1).build());
        std::unordered_set<std::string> names;
        for (const DxfTag& tag : objects.front().tags)
            if (tag.code == 3)
                names.insert(tag.value);
        if (names.count("ACAD_LAYOUT") != 0) {
            findPlaceholder();
            return;
        }
        const std::uint64_t root = objects.front().handle();
        std::vector<DxfRecord> added;
        const auto entry = [&](const char* name, std::uint64_t handle) {
            if (names.count(name) != 0)
                return false;
            DxfTags& tags = objects.front().tags;
            const auto end = std::find_if(tags.begin(), tags.end(),
                                          [](const DxfTag& t) { return t.code == 1001; });
            DxfTag key;
            key.code = 3;
            key.value = name;
            DxfTag pointer;
            pointer.code = 350;
            pointer.value = formatHandle(handle);
            tags.insert(tags.insert(end, key) + 1, pointer);
            return true;
        };
        const auto dictionary = [&](std::uint64_t handle) {
            return RecordBuilder("DICTIONARY").handle(5, handle).handle(330, root)
                .add(100, "AcDbDictionary").integer(281, 1);
        };
        if (const std::uint64_t groups = fresh(); entry("ACAD_GROUP", groups))
            added.push_back(dictionary(groups).build());
        const std::uint64_t layouts = fresh(), modelLayout = fresh(), paperLayout = fresh();
        entry("ACAD_LAYOUT", layouts);
        added.push_back(dictionary(layouts).add(3, "Model").handle(350, modelLayout)
                            .add(3, "Layout1").handle(350, paperLayout).build());
        added.push_back(layout(modelLayout, layouts, "Model", 0, m_modelSpace, 1024));
        added.push_back(layout(paperLayout, layouts, "Layout1", 1, m_paperSpace, 0));
        if (const std::uint64_t mlineStyles = fresh(); entry("ACAD_MLINESTYLE", mlineStyles)) {
            const std::uint64_t standard = fresh();
            added.push_back(dictionary(mlineStyles).add(3, "Standard").handle(350, standard).build());
            added.push_back(RecordBuilder("MLINESTYLE")
                                .handle(5, standard).handle(330, mlineStyles)
                                .add(100, "AcDbMlineStyle").add(2, "Standard").integer(70, 0).add(3, "")
                                .integer(62, 256).real(51, 90.0).real(52, 90.0).integer(71, 2)
                                .real(49, 0.5).integer(62, 256).add(6, "BYLAYER")
                                .real(49, -0.5).integer(62, 256).add(6, "BYLAYER").build());
        }
        if (const std::uint64_t plotStyles = fresh(); entry("ACAD_PLOTSTYLENAME", plotStyles)) {
            m_placeholder = fresh();
            added.push_back(RecordBuilder("ACDBDICTIONARYWDFLT")
                                .handle(5, plotStyles).handle(330, root).add(100, "AcDbDictionary")
                                .integer(281, 1).add(3, "Normal").handle(350, m_placeholder)
                                .add(100, "AcDbDictionaryWithDefault").handle(340, m_placeholder).build());
            added.push_back(RecordBuilder("ACDBPLACEHOLDER")
                                .handle(5, m_placeholder).handle(330, plotStyles).build());
        } else {
            findPlaceholder();
        }
        objects.insert(objects.begin() + 1, std::make_move_iterator(added.begin()),
                       std::make_move_iterator(added.end()));
        linkLayout("*Model_Space", modelLayout);
        linkLayout("*Paper_Space", paperLayout);
        ensureClasses();
    }

    static DxfRecord layout(std::uint64_t handle, std::uint64_t owner, const char* name,
                            int tabOrder, std::uint64_t blockRecord, int plotFlags)
    {
        return RecordBuilder("LAYOUT")
            .handle(5, handle).handle(330, owner).add(100, "AcDbPlotSettings").add(1, "")
            .add(2, "none_device").add(4, "").add(6, "").real(40, 0.0).real(41, 0.0)
            .real(42, 0.0).real(43, 0.0).real(44, 0.0).real(45, 0.0).real(46, 0.0)
            .real(47, 0.0).real(48, 0.0).real(49, 0.0).real(140, 0.0).real(141, 0.0)
            .real(142, 1.0).real(143, 1.0).integer(70, plotFlags).integer(72, 1).integer(73, 0)
            .integer(74, 5).add(7, "").integer(75, 16).integer(76, 0).integer(77, 2)
            .integer(78, 300).real(147, 1.0).real(148, 0.0).real(149, 0.0)
            .add(100, "AcDbLayout").add(1, name).integer(70, 1).integer(71, tabOrder)
            .real(10, 0.0).real(20, 0.0).real(11, 420.0).real(21, 297.0)
            .point(12, AcGePoint3d::kOrigin).point(14, AcGePoint3d(1e20, 1e20, 1e20))
            .point(15, AcGePoint3d(-1e20, -1e20, -1e20)).real(146, 0.0)
            .point(13, AcGePoint3d::kOrigin).point(16, AcGePoint3d(1.0, 0.0, 0.0))
            .point(17, AcGePoint3d(0.0, 1.0, 0.0)).integer(76, 0).handle(330, blockRecord)
            .build();
    }

    void linkLayout(const std::string& space, std::uint64_t layoutHandle)
    {
        for (DxfRecord& record : table("BLOCK_RECORD").entries) {
            const DxfTag* name = record.find(2);
            if (name == nullptr || nameKey(name->value) != nameKey(space))
                continue;
            DxfTags& tags = record.tags;
            tags.erase(std::remove_if(tags.begin(), tags.end(),
                                      [](const DxfTag& t) { return t.code == 340; }),
                       tags.end());
            const auto at = std::find_if(tags.begin(), tags.end(),
                                         [](const DxfTag& t) { return t.code == 2; });
            DxfTag link;
            link.code = 340;
            link.value = formatHandle(layoutHandle);
            tags.insert(at + 1, link);
        }
    }

    void ensureClasses()
    {
        static const char* const kClasses[][3] = {
            {"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", "ObjectDBX Classes"},
            {"ACDBPLACEHOLDER", "AcDbPlaceHolder", "ObjectDBX Classes"},
            {"LAYOUT", "AcDbLayout", "ObjectDBX Classes"}};
        for (const auto& cls : kClasses) {
            const bool present = std::any_of(
                m_document.classes.begin(), m_document.classes.end(), [&cls](const DxfRecord& r) {
                    const DxfTag* name = r.find(1);
                    return name != nullptr && name->value == cls[0];
                });
            if (!present)
                m_document.classes.push_back(RecordBuilder("CLASS")
                                                 .add(1, cls[0]).add(2, cls[1]).add(3, cls[2])
                                                 .integer(90, 0).integer(280, 0).integer(281, 0)
                                                 .build());
        }
    }

    void findPlaceholder()
    {
        if (const DxfRecord* layer0 = entryNamed(table("LAYER"), "0"))
            if (const DxfTag* plotStyle = layer0->find(390))
                parseHandle(plotStyle->value, m_placeholder);
    }

    // --- the structure of carried records written without handles, owners or subclass
    // markers (R12) ---

    /// Gives each sub-record of record that has no own handle a new one, and each that has no
    /// owner an owner (owner for the first, the first's handle for the others), in one pass.
    void giveOwnership(DxfRecord& record, std::uint64_t owner)
    {
        DxfTags& tags = record.tags;
        DxfTags out;
        bool changed = false;
        std::uint64_t mainHandle = 0;
        for (std::size_t start = 0; start < tags.size();) {
            // The sub-record [start, end): where its own handle is, whether it has an owner.
            std::size_t end = start + 1;
            std::size_t ownAt = 0;
            bool hasOwner = false;
            DxfHandleScanner scanner;
            scanner.next(tags[start]);
            for (; end < tags.size() && tags[end].code != 0; ++end) {
                if (ownAt == 0 && scanner.next(tags[end]) == DxfHandleRole::Own)
                    ownAt = end;
                hasOwner = hasOwner || tags[end].code == 330;
            }
            std::uint64_t own = 0;
            if (ownAt != 0)
                parseHandle(tags[ownAt].value, own);
            const std::uint64_t ownerOfThis = start == 0 ? owner : mainHandle;
            const bool addOwner = !hasOwner && ownerOfThis != 0;
            if (!changed && (ownAt == 0 || addOwner)) {
                changed = true;
                out.reserve(tags.size() + 8);
                out.insert(out.end(), tags.begin(), tags.begin() + static_cast<long>(start));
            }
            if (changed) {
                const std::size_t headEnd = ownAt == 0 ? start + 1 : ownAt + 1;
                out.insert(out.end(), tags.begin() + static_cast<long>(start),
                           tags.begin() + static_cast<long>(headEnd));
                if (ownAt == 0) {
                    own = fresh();
                    DxfTag handle;
                    handle.code = tags[start].value == "DIMSTYLE" ? 105 : 5;
                    handle.value = formatHandle(own);
                    out.push_back(std::move(handle));
                }
                if (addOwner) {
                    DxfTag ownerTag;
                    ownerTag.code = 330;
                    ownerTag.value = formatHandle(ownerOfThis);
                    out.push_back(std::move(ownerTag));
                }
                out.insert(out.end(), tags.begin() + static_cast<long>(headEnd),
                           tags.begin() + static_cast<long>(end));
            }
            if (start == 0)
                mainHandle = own;
            start = end;
        }
        if (changed)
            tags = std::move(out);
    }

    /// A table's head as an R2000 reader requires it: name, handle, owner, then its subclass.
    void normalizeTableHead(DxfTable& t)
    {
        DxfTags& tags = t.head.tags;
        if (hasSubclassMarkers(tags, 0, tags.size()))
            return giveOwnership(t.head, 0);
        DxfTags out;
        out.push_back(tags.front());
        DxfTag name;
        name.code = 2;
        name.value = t.name;
        out.push_back(name);
        std::uint64_t handle = t.head.handle();
        DxfTag own;
        own.code = 5;
        own.value = formatHandle(handle != 0 ? handle : fresh());
        out.push_back(own);
        DxfTag owner;
        owner.code = 330;
        owner.value = "0";
        out.push_back(owner);
        DxfTag marker;
        marker.code = 100;
        marker.value = "AcDbSymbolTable";
        out.push_back(marker);
        DxfHandleScanner scanner;
        for (std::size_t i = 1; i < tags.size(); ++i)
            if (scanner.next(tags[i]) != DxfHandleRole::Own && tags[i].code != 2 &&
                tags[i].code != 330)
                out.push_back(tags[i]);
        if (t.name == "DIMSTYLE") {
            marker.value = "AcDbDimStyleTable";
            out.push_back(marker);
        }
        tags = std::move(out);
    }

    void normalizeOwnership()
    {
        for (DxfTable& t : m_document.tables) {
            normalizeTableHead(t);
            for (DxfRecord& e : t.entries)
                giveOwnership(e, t.head.handle());
        }
        const auto records = entryHandles(table("BLOCK_RECORD"));
        for (DxfBlock& block : m_document.blocks) {
            const auto found = records.find(nameKey(block.name));
            const std::uint64_t record = found == records.end() ? 0 : found->second;
            giveOwnership(block.begin, record);
            for (DxfRecord& e : block.entities)
                giveOwnership(e, record);
            giveOwnership(block.end, record);
        }
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            if (!writtenAsRecord(i))
                continue;
            const DxfTag* space = m_slots[i].record.find(67);
            giveOwnership(m_slots[i].record,
                          space != nullptr && space->value != "0" ? m_paperSpace : m_modelSpace);
        }
        for (DxfRecord& object : m_document.objects)
            giveOwnership(object, 0);
    }

    /// Gives the records written without subclass markers (R12) the markers of their kind.
    void addSubclassMarkers()
    {
        const auto upgrade = [](DxfRecord& record) {
            DxfTags& tags = record.tags;
            bool needed = false;
            for (std::size_t start = 0; start < tags.size() && !needed;) {
                std::size_t end = start + 1;
                while (end < tags.size() && tags[end].code != 0)
                    ++end;
                needed = !hasSubclassMarkers(tags, start, end) &&
                         recordLayoutOf(tags, start, end) != nullptr;
                start = end;
            }
            if (!needed)
                return;
            DxfTags out;
            out.reserve(tags.size() + 8);
            for (std::size_t start = 0; start < tags.size();) {
                std::size_t end = start + 1;
                while (end < tags.size() && tags[end].code != 0)
                    ++end;
                const DxfRecordLayout* layout = recordLayoutOf(tags, start, end);
                if (layout != nullptr && !hasSubclassMarkers(tags, start, end))
                    appendWithSubclassMarkers(tags, start, end, *layout, out);
                else
                    out.insert(out.end(), tags.begin() + static_cast<long>(start),
                               tags.begin() + static_cast<long>(end));
                start = end;
            }
            tags = std::move(out);
        };
        for (DxfTable& t : m_document.tables)
            for (DxfRecord& e : t.entries)
                upgrade(e);
        for (DxfBlock& block : m_document.blocks) {
            upgrade(block.begin);
            for (DxfRecord& e : block.entities)
                upgrade(e);
            upgrade(block.end);
        }
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            if (writtenAsRecord(i))
                upgrade(m_slots[i].record);
        for (DxfRecord& object : m_document.objects)
            upgrade(object);
    }

    // --- the host's layers and dimension styles ---

    std::string text(const std::u16string& value) const
    {
        return encodeDxfText(value, m_utf8, m_codePage);
    }

    void addHostLayers()
    {
        DxfTable& layers = table("LAYER");
        std::vector<std::u16string> names;
        for (const AcDbObjectId& id : m_impl.layerIds())
            names.push_back(m_impl.layerName(id));
        names.push_back(u"Defpoints");
        for (const std::u16string& name : names) {
            const std::string encoded = text(name);
            if (entryNamed(layers, encoded) != nullptr)
                continue;
            RecordBuilder layer = entry(layers, "LAYER", "AcDbLayerTableRecord", encoded);
            layer.integer(62, 7).add(6, "Continuous");
            if (name == u"Defpoints")
                layer.integer(290, 0);
            layer.integer(370, -3);
            if (m_placeholder != 0)
                layer.handle(390, m_placeholder);
            layers.entries.push_back(layer.build());
        }
    }

    void addHostDimensionStyles()
    {
        DxfTable& styles = table("DIMSTYLE");
        const std::uint64_t textStyle = entryNamed(table("STYLE"), "Standard")->handle();
        for (const AcDbObjectId& id : m_impl.dimStyleIds()) {
            const std::string name = text(m_impl.dimStyleName(id));
            if (entryNamed(styles, name) != nullptr)
                continue;
            // A new style starts from its parent's settings ("NAME$n" from "NAME").
            const std::size_t dollar = name.rfind('$');
            const DxfRecord* parent =
                dollar == std::string::npos ? nullptr : entryNamed(styles, name.substr(0, dollar));
            if (parent != nullptr) {
                RecordBuilder child = entry(styles, "DIMSTYLE", "AcDbDimStyleTableRecord", name);
                DxfRecord copy = child.build();
                for (const DxfTag& tag : parent->tags)
                    if (tag.code != 0 && tag.code != 2 && tag.code != 5 && tag.code != 105 &&
                        tag.code != 330 && tag.code != 100 && tag.code != 70 &&
                        tag.code != 102)
                        copy.tags.push_back(tag);
                styles.entries.push_back(std::move(copy));
                continue;
            }
            styles.entries.push_back(
                entry(styles, "DIMSTYLE", "AcDbDimStyleTableRecord", name)
                    .add(3, "").add(4, "").real(40, 1.0).real(41, 2.5).real(42, 0.625)
                    .real(43, 3.75).real(44, 1.25).real(140, 2.5).real(141, 2.5)
                    .real(147, 0.625).integer(71, 0).integer(72, 0).integer(73, 0)
                    .integer(74, 0).integer(77, 1).integer(78, 8).integer(172, 1)
                    .integer(179, 0).integer(271, 2).integer(272, 2).integer(277, 2)
                    .integer(278, 44).integer(279, 0).handle(340, textStyle).build());
        }
    }

    const DxfRecord* dimensionStyleRecord(const std::u16string& name)
    {
        DxfTable& styles = table("DIMSTYLE");
        if (const DxfRecord* own = entryNamed(styles, text(name)))
            return own;
        return entryNamed(styles, "ISO-25");
    }

    // --- entities ---

    std::vector<DxfRecord> entityRecords()
    {
        for (const DxfBlock& block : m_document.blocks)
            m_blockNames.insert(nameKey(block.name));
        std::vector<DxfRecord> records;
        records.reserve(m_slots.size() + m_entities.size());
        std::unordered_set<std::uint64_t> written;
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            DxfEntitySlot& slot = m_slots[i];
            switch (m_plans[i]) {
            case SlotPlan::Carried:
                records.push_back(std::move(slot.record));
                break;
            case SlotPlan::AsRead:
                records.push_back(std::move(slot.record));
                written.insert(slot.modelHandle);
                break;
            case SlotPlan::Anew:
                records.push_back(entityRecord(*m_live.at(slot.modelHandle), &slot.record));
                written.insert(slot.modelHandle);
                break;
            case SlotPlan::Gone:
                break;
            }
        }
        for (const AcDbEntity* entity : m_entities)
            if (written.count(entity->handle().value()) == 0)
                records.push_back(entityRecord(*entity, nullptr));
        return records;
    }

    /// The layer name as the LAYER table has it (the same bytes), or encoded for the file.
    std::string layerValue(const std::u16string& name)
    {
        if (m_layerValues.empty())
            for (const DxfRecord& entry : table("LAYER").entries)
                if (const DxfTag* entryName = entry.find(2))
                    m_layerValues.emplace(nameKey(entryName->value), entryName->value);
        const auto found = m_layerValues.find(upperCase(name));
        return found != m_layerValues.end() ? found->second : text(name);
    }

    RecordBuilder entityHead(const char* type, const AcDbEntity& entity)
    {
        RecordBuilder record(type);
        record.handle(5, entity.handle().value()).handle(330, m_modelSpace).add(100, "AcDbEntity")
            .add(8, layerValue(entity.layer()));
        return record;
    }

    static AcGePoint3d inPlane(AcGePoint3d point, const AcGeVector3d& normal)
    {
        return point.transformBy(AcGeMatrix3d::worldToPlane(normal));
    }

    /// The groups a new dimension keeps that the host does not model: text attachment in the
    /// middle, line spacing as the style has it.
    static const DxfRecord& newDimensionGroups()
    {
        static const DxfRecord groups = RecordBuilder("DIMENSION")
                                            .add(100, "AcDbEntity").add(100, "AcDbDimension")
                                            .integer(70, 32).integer(71, 5).integer(72, 1)
                                            .real(41, 1.0).build();
        return groups;
    }

    /// The record of a modelled entity written anew: the host's groups of it, with those of
    /// original (the record read, null for a new entity) that the host keeps.
    DxfRecord entityRecord(const AcDbEntity& entity, const DxfRecord* original)
    {
        const InternalReadScope reading(entity);
        const bool dimension = AcDb3PointAngularDimension::cast(&entity) != nullptr;
        if (original == nullptr && dimension)
            original = &newDimensionGroups();
        DxfKeptGroups kept;
        if (original != nullptr)
            if (const DxfRecordLayout* layout = modelledLayoutOf(original->type()))
                kept = keptGroupsOf(*original, *layout);
        const DxfTags modelled = modelledGroups(entity, kept, original);
        const DxfRecordLayout& layout = *modelledLayoutOf(modelled.front().value);
        if (original != nullptr && original->type() != modelled.front().value) {
            // Written as another kind than read: only what all entities share is kept.
            kept.groups.erase(std::remove_if(kept.groups.begin(), kept.groups.end(),
                                             [](const DxfKeptGroup& group) {
                                                 return group.subclass != 0 &&
                                                        group.subclass != DxfGroupPlace::kHead;
                                             }),
                              kept.groups.end());
        }
        return withKeptGroups(modelled, kept, layout);
    }

    /// The groups of entity the host writes: group 0, handle, owner, and the markers and
    /// modelled groups of each subclass.
    DxfTags modelledGroups(const AcDbEntity& entity, const DxfKeptGroups& kept,
                           const DxfRecord* original)
    {
        if (const AcDbPoint* point = AcDbPoint::cast(&entity))
            return entityHead("POINT", entity).add(100, "AcDbPoint").point(10, point->position()).build().tags;
        if (const AcDbLine* line = AcDbLine::cast(&entity))
            return entityHead("LINE", entity).add(100, "AcDbLine").point(10, line->startPoint())
                .point(11, line->endPoint()).extrusion(line->normal(), kept.had(210)).build().tags;
        if (const AcDbArc* arc = AcDbArc::cast(&entity)) {
            RecordBuilder record = entityHead("ARC", entity);
            circleBody(record, arc->center(), arc->normal(), arc->radius(), kept.had(210));
            record.add(100, "AcDbArc").real(50, degrees(arc->startAngle())).real(51, degrees(arc->endAngle()));
            return record.build().tags;
        }
        if (const AcDbCircle* circle = AcDbCircle::cast(&entity)) {
            RecordBuilder record = entityHead("CIRCLE", entity);
            circleBody(record, circle->center(), circle->normal(), circle->radius(), kept.had(210));
            return record.build().tags;
        }
        if (const AcDbPolyline* polyline = AcDbPolyline::cast(&entity))
            return polylineGroups(*polyline, kept, original);
        if (const AecDbWall* wall = AecDbWall::cast(&entity))
            return wallGroups(*wall, kept);
        if (const AcDb3PointAngularDimension* dimension = AcDb3PointAngularDimension::cast(&entity))
            return dimensionGroups(*dimension, kept);
        throw DxfError("entity " + formatHandle(entity.handle().value()), 0,
                       "of a kind the drawing file cannot hold");
    }

    DxfTags polylineGroups(const AcDbPolyline& polyline, const DxfKeptGroups& kept,
                           const DxfRecord* original)
    {
        // The flags the host does not model (128: linetype pattern along the whole polyline)
        // stay as read.
        long long flags = 0;
        if (const DxfTag* read = original == nullptr ? nullptr : original->find(70))
            parseInteger(read->value, flags);
        RecordBuilder record = entityHead("LWPOLYLINE", polyline);
        record.add(100, "AcDbPolyline").integer(90, polyline.numVerts())
            .integer(70, (flags & ~1LL) | (polyline.isClosed() ? 1 : 0));
        if (polyline.elevation() != 0.0 || kept.had(38))
            record.real(38, polyline.elevation());
        for (unsigned i = 0; i < polyline.numVerts(); ++i) {
            AcGePoint2d vertex;
            double bulge = 0.0;
            polyline.getPointAt(i, vertex);
            polyline.getBulgeAt(i, bulge);
            record.real(10, vertex.x).real(20, vertex.y);
            if (bulge != 0.0 || kept.had(42, static_cast<int>(i)))
                record.real(42, bulge);
        }
        record.extrusion(polyline.normal(), kept.had(210));
        return record.build().tags;
    }

    void circleBody(RecordBuilder& record, const AcGePoint3d& center, const AcGeVector3d& normal,
                    double radius, bool extrusionRead)
    {
        record.add(100, "AcDbCircle").point(10, inPlane(center, normal)).real(40, radius)
            .extrusion(normal, extrusionRead);
    }

    DxfTags wallGroups(const AecDbWall& wall, const DxfKeptGroups& kept)
    {
        RecordBuilder record = wall.isStraight() ? entityHead("LINE", wall) : entityHead("ARC", wall);
        if (wall.isStraight()) {
            record.add(100, "AcDbLine").point(10, wall.startPoint()).point(11, wall.endPoint());
        } else {
            const AcGeCircArc3d arc = wall.baselineArc();
            // Counterclockwise about the arc's normal from the wall's start to its end.
            const AcGeVector3d normal = arc.normal().normal();
            const AcGePoint3d center = inPlane(arc.center(), normal);
            const AcGePoint3d start = inPlane(wall.startPoint(), normal);
            const AcGePoint3d end = inPlane(wall.endPoint(), normal);
            circleBody(record, arc.center(), normal, arc.radius(), kept.had(210));
            record.add(100, "AcDbArc")
                .real(50, degrees(std::atan2(start.y - center.y, start.x - center.x)))
                .real(51, degrees(std::atan2(end.y - center.y, end.x - center.x)));
        }
        record.add(1001, kWallApplication).add(1000, "baseline").point(1011, wall.midPoint());
        return record.build().tags;
    }

    std::string nextDimensionBlockName()
    {
        for (;;) {
            const std::string name = "*D" + std::to_string(++m_lastDimensionBlock);
            if (m_blockNames.insert(nameKey(name)).second)
                return name;
        }
    }

    char16_t decimalSeparator() const
    {
        const SystemVariables& variables = m_impl.systemVariables();
        if (!variables.isKnown("DIMDSEP"))
            return u',';
        if (variables.typeOf("DIMDSEP") == SystemVariables::Type::String) {
            const std::u16string value = variables.getString("DIMDSEP");
            return value.empty() ? u'.' : value.front();
        }
        return static_cast<char16_t>(variables.getShort("DIMDSEP"));
    }

    DxfTags dimensionGroups(const AcDb3PointAngularDimension& dimension, const DxfKeptGroups& kept)
    {
        AngularDimensionPoints points;
        points.center = dimension.centerPoint();
        points.xLine1 = dimension.xLine1Point();
        points.xLine2 = dimension.xLine2Point();
        points.arcPoint = dimension.arcPoint();
        points.normal = dimension.normal().normal();
        if (points.normal.isZeroLength())
            points.normal = AcGeVector3d::kZAxis;
        ACHAR* rawText = dimension.dimensionText();
        const std::u16string textOverride = rawText == nullptr ? u"" : rawText;
        acutDelString(rawText);
        const std::u16string styleName = m_impl.dimStyleName(dimension.dimensionStyle());
        const DimensionStyleSizes sizes = sizesOf(dimensionStyleRecord(styleName), m_document);
        const bool userText = !dimension.isUsingDefaultTextPosition();
        const AcGePoint3d textPosition = dimension.textPosition();
        DimensionGraphics graphics = angularDimensionGraphics(points, u"", nullptr, sizes);
        graphics = angularDimensionGraphics(
            points,
            angularDimensionText(textOverride, graphics.measurement, sizes.angularDecimals,
                                 decimalSeparator()),
            userText ? &textPosition : nullptr, sizes);

        const std::string blockName = nextDimensionBlockName();
        const std::uint64_t blockRecord = fresh();
        DxfTable& records = table("BLOCK_RECORD");
        records.entries.push_back(RecordBuilder("BLOCK_RECORD")
                                      .handle(5, blockRecord).handle(330, records.head.handle())
                                      .add(100, "AcDbSymbolTableRecord")
                                      .add(100, "AcDbBlockTableRecord").add(2, blockName).build());
        m_document.blocks.push_back(
            makeBlock(blockName, blockRecord, true, blockEntities(graphics, blockRecord, sizes)));

        AcGePoint3d textMiddle = inPlane(graphics.text.middle, points.normal);
        textMiddle.z = dimension.elevation();
        RecordBuilder record = entityHead("DIMENSION", dimension);
        record.add(100, "AcDbDimension").add(2, blockName).point(10, points.arcPoint)
            .point(11, textMiddle).integer(70, 5 | 32 | (userText ? 128 : 0))
            .real(42, graphics.measurement);
        if (!textOverride.empty() || kept.had(1))
            record.add(1, text(textOverride));
        record.extrusion(points.normal, kept.had(210)).add(3, text(styleName))
            .add(100, "AcDb3PointAngularDimension").point(13, points.xLine1)
            .point(14, points.xLine2).point(15, points.center);
        return record.build().tags;
    }

    std::vector<DxfRecord> blockEntities(const DimensionGraphics& graphics, std::uint64_t owner,
                                         const DimensionStyleSizes& sizes)
    {
        const AcGeVector3d& normal = graphics.normal;
        const auto head = [&](const char* type, const char* layer) {
            RecordBuilder record(type);
            record.handle(5, fresh()).handle(330, owner).add(100, "AcDbEntity").add(8, layer);
            if (std::strcmp(layer, "0") == 0)
                record.integer(62, 0);  // by block: the dimension's colour
            return record;
        };
        std::vector<DxfRecord> entities;
        for (const DimensionGraphics::Line& line : graphics.extensionLines)
            entities.push_back(head("LINE", "0").add(100, "AcDbLine").point(10, line.start)
                                   .point(11, line.end).build());
        for (const DimensionGraphics::Arc& arc : graphics.dimensionArcs)
            entities.push_back(head("ARC", "0").add(100, "AcDbCircle")
                                   .point(10, inPlane(arc.center, normal)).real(40, arc.radius)
                                   .extrusion(normal).add(100, "AcDbArc")
                                   .real(50, degrees(arc.startAngle)).real(51, degrees(arc.endAngle))
                                   .build());
        for (const DimensionGraphics::Arrow& arrow : graphics.arrows) {
            RecordBuilder solid = head("SOLID", "0");
            solid.add(100, "AcDbTrace");
            const int codes[4] = {10, 11, 12, 13};
            const AcGePoint3d corners[4] = {arrow.corners[0], arrow.corners[1], arrow.corners[2],
                                            arrow.corners[2]};
            for (int k = 0; k < 4; ++k)
                solid.point(codes[k], inPlane(corners[k], normal));
            entities.push_back(solid.extrusion(normal).build());
        }
        const DimensionGraphics::Text& label = graphics.text;
        entities.push_back(head("MTEXT", "0").add(100, "AcDbMText").point(10, label.middle)
                               .real(40, label.height).real(41, 0.0).integer(71, 5).integer(72, 1)
                               .add(1, text(label.contents)).add(7, sizes.textStyle)
                               .extrusion(normal).point(11, AcGePoint3d::kOrigin + label.direction)
                               .build());
        for (const AcGePoint3d& point : graphics.definitionPoints)
            entities.push_back(head("POINT", "Defpoints").add(100, "AcDbPoint").point(10, point).build());
        return entities;
    }

    // --- the file ---

    void header(TagOutput& out)
    {
        const SystemVariables& variables = m_impl.systemVariables();
        std::vector<DxfHeaderVariable> written;
        const auto put = [&written](const DxfHeaderVariable& given) {
            for (DxfHeaderVariable& variable : written)
                if (variable.name == given.name) {
                    variable.values = given.values;
                    return;
                }
            written.push_back(given);
        };
        const auto set = [&put](const std::string& name, int code, std::string value) {
            DxfTag tag;
            tag.code = code;
            tag.value = std::move(value);
            put({name, {tag}});
        };
        set("$ACADVER", 1, m_version);
        set("$DWGCODEPAGE", 3, m_codePage);
        for (const DxfHeaderVariable& variable : m_document.header)
            if (variable.name != "$ACADVER")
                put(variable);
        for (const char* name : {"LUPREC", "DIMZIN", "DIMDEC", "INSUNITS"})
            if (variables.isKnown(name) && variables.typeOf(name) == SystemVariables::Type::Short)
                set(std::string("$") + name, 70, std::to_string(variables.getShort(name)));
        for (const char* name : {"DIMLFAC", "DIMRND"})
            if (variables.isKnown(name) && variables.typeOf(name) == SystemVariables::Type::Real)
                set(std::string("$") + name, 40, formatReal(variables.getReal(name)));
        set("$DIMDSEP", 70, std::to_string(codeOfCharacter(decimalSeparator(), m_utf8, m_codePage)));
        set("$DIMSTYLE", 2, text(m_impl.dimStyleName(m_impl.currentDimStyleId())));
        set("$CLAYER", 8, text(m_impl.layerName(m_impl.currentLayerId())));
        set("$HANDSEED", 5, formatHandle(m_next));
        out.beginSection("HEADER");
        for (const DxfHeaderVariable& variable : written) {
            out.tag(9, variable.name);
            out.tags(variable.values);
        }
        out.endSection();
    }

    std::string assemble(const std::vector<DxfRecord>& entities)
    {
        TagOutput body;
        body.beginSection("CLASSES");
        body.records(m_document.classes);
        body.endSection();
        body.beginSection("TABLES");
        for (DxfTable& t : m_document.tables) {
            for (DxfTag& tag : t.head.tags)
                if (tag.code == 70) {
                    tag.value = std::to_string(t.entries.size());
                    break;
                }
            body.tags(t.head.tags);
            body.records(t.entries);
            body.tag(0, "ENDTAB");
        }
        body.endSection();
        body.beginSection("BLOCKS");
        for (const DxfBlock& block : m_document.blocks) {
            body.tags(block.begin.tags);
            body.records(block.entities);
            body.tags(block.end.tags);
        }
        body.endSection();
        body.beginSection("ENTITIES");
        body.records(entities);
        body.endSection();
        body.beginSection("OBJECTS");
        body.records(m_document.objects);
        body.endSection();
        for (const DxfRawSection& section : m_document.otherSections) {
            body.beginSection(section.name);
            body.tags(section.tags);
            body.endSection();
        }
        body.tag(0, "EOF");
        TagOutput out;
        header(out);
        out.text() += body.text();
        return std::move(out.text());
    }

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

}  // namespace

std::string writeDxf(const AcDbDatabase& db)
{
    return DrawingWriter(db).run();
}

void writeDxfFile(const AcDbDatabase& db, const std::string& path)
{
    std::string contents;
    try {
        contents = writeDxf(db);
    } catch (const DxfError& error) {
        throw DxfError(path, 0, std::string("cannot write the drawing: ") + error.what());
    }
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
        throw DxfError(path, 0, std::string("cannot write the drawing: ") + std::strerror(errno));
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        throw DxfError(path, 0, "cannot write the drawing: the disk refused it");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        throw DxfError(path, 0, std::string("cannot write the drawing: ") + std::strerror(error));
    }
}

}  // namespace cadhost
