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
    RecordBuilder& extrusion(const AcGeVector3d& normal)
    {
        if (normal == AcGeVector3d::kZAxis)
            return *this;
        return real(210, normal.x).real(220, normal.y).real(230, normal.z);
    }
    RecordBuilder& append(const DxfTags& tags, std::size_t from, std::size_t to)
    {
        m_record.tags.insert(m_record.tags.end(), tags.begin() + static_cast<long>(from),
                             tags.begin() + static_cast<long>(to));
        return *this;
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

/// The parts of a modelled entity's record that the host keeps: groups before and after
/// the geometry.
struct KeptGroups {
    DxfTags entityGroups;  ///< 102 groups and common entity groups
    DxfTags thickness;     ///< thickness (39) and a polyline's constant width (43)
    DxfTags extendedData;
};

KeptGroups splitKept(const DxfRecord* kept)
{
    KeptGroups groups;
    if (kept == nullptr)
        return groups;
    bool inExtendedData = false;
    for (std::size_t i = 1; i < kept->tags.size(); ++i) {
        const DxfTag& tag = kept->tags[i];
        inExtendedData = inExtendedData || tag.code == 1001;
        if (inExtendedData)
            groups.extendedData.push_back(tag);
        else if (tag.code == 39 || tag.code == 43)
            groups.thickness.push_back(tag);
        else
            groups.entityGroups.push_back(tag);
    }
    return groups;
}

/// The sizes of a dimension style from its table record.
DimensionStyleSizes sizesOf(const DxfRecord* style)
{
    DimensionStyleSizes sizes;
    if (style == nullptr)
        return sizes;
    const auto real = [style](int code, double& value) {
        if (const DxfTag* tag = style->find(code))
            parseReal(tag->value, value);
    };
    real(41, sizes.arrowSize);
    real(140, sizes.textHeight);
    real(42, sizes.extensionOffset);
    real(44, sizes.extensionBeyond);
    real(147, sizes.textGap);
    real(40, sizes.scale);
    long long value = 0;
    if (const DxfTag* tag = style->find(77); tag != nullptr && parseInteger(tag->value, value))
        sizes.textAbove = value != 0;
    if (const DxfTag* tag = style->find(179); tag != nullptr && parseInteger(tag->value, value))
        sizes.angularDecimals = static_cast<int>(value);
    return sizes;
}

/// Writes one database with its foreign data.
class DrawingWriter {
public:
    explicit DrawingWriter(const AcDbDatabase& db) : m_impl(db.impl())
    {
        auto foreign = std::static_pointer_cast<const DxfForeignData>(m_impl.foreignData);
        if (foreign != nullptr) {
            m_document = foreign->document;
            m_slots = foreign->entities;
            m_dropped = foreign->droppedHandles;
            m_moved = foreign->movedHandles;
            m_version = foreign->version;
            if (const DxfHeaderVariable* codePage = m_document.headerVariable("$DWGCODEPAGE"))
                m_codePage = codePage->values.front().value;
        }
        if (m_version < kLowestWrittenVersion)
            m_version = kLowestWrittenVersion;
        m_utf8 = isUtf8Version(m_version);
    }

    /// The style settings a dimension of the named style is drawn with, the host's styles
    /// added as a save adds them.
    DimensionBlockStyle blockStyle(const std::u16string& styleName)
    {
        ensureTables();
        addHostDimensionStyles();
        return {sizesOf(dimensionStyleRecord(styleName)), decimalSeparator()};
    }

    std::string run()
    {
        collectEntities();
        claimHandles();
        rewriteReferences();
        // Records written without handles or owners (R12) get them, before the tables they
        // are in get new entries, and again once every block has its record.
        normalizeOwnership();
        ensureTables();
        ensureBlocks();
        ensureObjects();
        normalizeOwnership();
        addHostLayers();
        addHostDimensionStyles();
        std::vector<DxfRecord> entities = entityRecords();
        return assemble(entities);
    }

private:
    // --- handles ---

    std::uint64_t fresh() { return m_next++; }

    template <class Visit>
    void forEachRecord(Visit visit)
    {
        for (DxfTable& table : m_document.tables) {
            visit(table.head);
            for (DxfRecord& entry : table.entries)
                visit(entry);
        }
        for (DxfBlock& block : m_document.blocks) {
            visit(block.begin);
            for (DxfRecord& entity : block.entities)
                visit(entity);
            visit(block.end);
        }
        // Carried entities, and the kept groups of modelled ones (their 102 groups and data
        // hold references too).
        for (DxfEntitySlot& slot : m_slots)
            visit(slot.record);
        for (DxfRecord& object : m_document.objects)
            visit(object);
    }

    void collectEntities()
    {
        for (const AcDbObjectId& id : m_impl.modelSpaceIds()) {
            const AcDbEntity* entity = AcDbEntity::cast(m_impl.objectAt(id));
            if (entity == nullptr || entity->isErased())
                continue;
            m_entities.push_back(entity);
            m_used.insert(id.handle().value());
        }
    }

    /// Keeps every carried record's handle unless it is taken, in which case it gets a new
    /// one; counts from above every handle in use.
    void claimHandles()
    {
        std::uint64_t highest = m_impl.nextHandle();
        for (std::uint64_t used : m_used)
            highest = std::max(highest, used);
        forEachRecord([&highest](DxfRecord& record) {
            const int handleCode = record.handleCode();
            for (const DxfTag& tag : record.tags)
                if (tag.code == handleCode) {
                    std::uint64_t value = 0;
                    if (parseHandle(tag.value, value))
                        highest = std::max(highest, value);
                }
        });
        m_next = highest + 1;
        forEachRecord([this](DxfRecord& record) {
            const int handleCode = record.handleCode();
            for (DxfTag& tag : record.tags) {
                if (tag.code != handleCode)
                    continue;
                std::uint64_t value = 0;
                parseHandle(tag.value, value);
                if (value != 0 && m_used.insert(value).second)
                    continue;
                const std::uint64_t replacement = fresh();
                if (value != 0)
                    m_renamed.emplace(value, replacement);
                m_used.insert(replacement);
                tag.value = formatHandle(replacement);
            }
        });
    }

    void rewriteReferences()
    {
        forEachRecord([this](DxfRecord& record) {
            DxfTags& tags = record.tags;
            tags.erase(std::remove_if(tags.begin(), tags.end(),
                                      [this](DxfTag& tag) {
                                          if (!isReferenceCode(tag.code))
                                              return false;
                                          std::uint64_t value = 0;
                                          if (!parseHandle(tag.value, value) || value == 0)
                                              return false;
                                          if (m_dropped.count(value) != 0)
                                              return true;
                                          if (auto moved = m_moved.find(value); moved != m_moved.end())
                                              tag.value = formatHandle(moved->second);
                                          else if (auto renamed = m_renamed.find(value);
                                                   renamed != m_renamed.end())
                                              tag.value = formatHandle(renamed->second);
                                          return false;
                                      }),
                       tags.end());
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
        std::u16string key = decodeDxfText(value, m_codePage);
        for (char16_t& c : key)
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - u'a' + u'A');
        return key;
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

    void ensureObjects()
    {
        const bool hasRoot = !m_document.objects.empty() &&
                             m_document.objects.front().type() == "DICTIONARY";
        if (hasRoot) {
            findPlaceholder();
            return;
        }
        const std::uint64_t root = fresh(), groups = fresh(), layouts = fresh(),
                            modelLayout = fresh(), paperLayout = fresh(), mlineStyles = fresh(),
                            mlineStandard = fresh(), plotStyles = fresh();
        m_placeholder = fresh();
        std::vector<DxfRecord> objects;
        objects.push_back(RecordBuilder("DICTIONARY")
                              .handle(5, root).add(330, "0").add(100, "AcDbDictionary").integer(281, 1)
                              .add(3, "ACAD_GROUP").handle(350, groups)
                              .add(3, "ACAD_LAYOUT").handle(350, layouts)
                              .add(3, "ACAD_MLINESTYLE").handle(350, mlineStyles)
                              .add(3, "ACAD_PLOTSTYLENAME").handle(350, plotStyles).build());
        objects.push_back(RecordBuilder("DICTIONARY")
                              .handle(5, groups).handle(330, root).add(100, "AcDbDictionary")
                              .integer(281, 1).build());
        objects.push_back(RecordBuilder("DICTIONARY")
                              .handle(5, layouts).handle(330, root).add(100, "AcDbDictionary")
                              .integer(281, 1).add(3, "Model").handle(350, modelLayout)
                              .add(3, "Layout1").handle(350, paperLayout).build());
        objects.push_back(RecordBuilder("DICTIONARY")
                              .handle(5, mlineStyles).handle(330, root).add(100, "AcDbDictionary")
                              .integer(281, 1).add(3, "Standard").handle(350, mlineStandard).build());
        objects.push_back(RecordBuilder("MLINESTYLE")
                              .handle(5, mlineStandard).handle(330, mlineStyles)
                              .add(100, "AcDbMlineStyle").add(2, "Standard").integer(70, 0).add(3, "")
                              .integer(62, 256).real(51, 90.0).real(52, 90.0).integer(71, 2)
                              .real(49, 0.5).integer(62, 256).add(6, "BYLAYER")
                              .real(49, -0.5).integer(62, 256).add(6, "BYLAYER").build());
        objects.push_back(RecordBuilder("ACDBDICTIONARYWDFLT")
                              .handle(5, plotStyles).handle(330, root).add(100, "AcDbDictionary")
                              .integer(281, 1).add(3, "Normal").handle(350, m_placeholder)
                              .add(100, "AcDbDictionaryWithDefault").handle(340, m_placeholder).build());
        objects.push_back(RecordBuilder("ACDBPLACEHOLDER")
                              .handle(5, m_placeholder).handle(330, plotStyles).build());
        objects.push_back(layout(modelLayout, layouts, "Model", 0, m_modelSpace, 1024));
        objects.push_back(layout(paperLayout, layouts, "Layout1", 1, m_paperSpace, 0));
        m_document.objects.insert(m_document.objects.begin(),
                                  std::make_move_iterator(objects.begin()),
                                  std::make_move_iterator(objects.end()));
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

    // --- ownership of carried records written without handles or owners (R12) ---

    void giveOwnership(DxfRecord& record, std::uint64_t owner, bool dimensionStyle)
    {
        DxfTags& tags = record.tags;
        std::uint64_t mainHandle = 0;
        for (std::size_t start = 0; start < tags.size();) {
            std::size_t end = start + 1;
            while (end < tags.size() && tags[end].code != 0)
                ++end;
            int handleAt = -1;
            bool hasOwner = false;
            const int handleCode = dimensionStyle ? 105 : 5;
            for (std::size_t i = start + 1; i < end; ++i) {
                if (tags[i].code == handleCode)
                    handleAt = static_cast<int>(i);
                hasOwner = hasOwner || tags[i].code == 330;
            }
            std::size_t insertAt = start + 1;
            if (handleAt < 0) {
                DxfTag handle;
                handle.code = dimensionStyle ? 105 : 5;
                handle.value = formatHandle(fresh());
                tags.insert(tags.begin() + static_cast<long>(insertAt), handle);
                handleAt = static_cast<int>(insertAt);
                ++end;
            }
            std::uint64_t own = 0;
            parseHandle(tags[static_cast<std::size_t>(handleAt)].value, own);
            if (start == 0)
                mainHandle = own;
            if (!hasOwner && owner != 0) {
                DxfTag ownerTag;
                ownerTag.code = 330;
                ownerTag.value = formatHandle(start == 0 ? owner : mainHandle);
                tags.insert(tags.begin() + handleAt + 1, ownerTag);
                ++end;
            }
            start = end;
        }
    }

    void normalizeOwnership()
    {
        for (DxfTable& t : m_document.tables) {
            giveOwnership(t.head, 0, false);
            for (DxfRecord& e : t.entries)
                giveOwnership(e, t.head.handle(), t.name == "DIMSTYLE");
        }
        const auto records = entryHandles(table("BLOCK_RECORD"));
        for (DxfBlock& block : m_document.blocks) {
            const auto found = records.find(nameKey(block.name));
            const std::uint64_t record = found == records.end() ? 0 : found->second;
            giveOwnership(block.begin, record, false);
            for (DxfRecord& e : block.entities)
                giveOwnership(e, record, false);
            giveOwnership(block.end, record, false);
        }
        for (DxfEntitySlot& slot : m_slots) {
            if (slot.modelHandle != 0)
                continue;
            const DxfTag* space = slot.record.find(67);
            giveOwnership(slot.record,
                          space != nullptr && space->value != "0" ? m_paperSpace : m_modelSpace,
                          false);
        }
        for (DxfRecord& object : m_document.objects)
            giveOwnership(object, 0, false);
    }

    // --- the host's layers and dimension styles ---

    std::string text(const std::u16string& value) const { return encodeDxfText(value, m_utf8); }

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
        std::unordered_map<std::uint64_t, const DxfRecord*> kept;
        for (const DxfEntitySlot& slot : m_slots)
            if (slot.modelHandle != 0)
                kept.emplace(slot.modelHandle, &slot.record);
        std::unordered_map<std::uint64_t, const AcDbEntity*> live;
        for (const AcDbEntity* entity : m_entities)
            live.emplace(entity->handle().value(), entity);

        for (const DxfBlock& block : m_document.blocks)
            m_blockNames.insert(nameKey(block.name));

        std::vector<DxfRecord> records;
        records.reserve(m_slots.size() + m_entities.size());
        std::unordered_set<std::uint64_t> written;
        for (DxfEntitySlot& slot : m_slots) {
            if (slot.modelHandle == 0) {
                records.push_back(std::move(slot.record));
                continue;
            }
            const auto entity = live.find(slot.modelHandle);
            if (entity == live.end())
                continue;  // erased in the session
            records.push_back(entityRecord(*entity->second, &slot.record));
            written.insert(slot.modelHandle);
        }
        for (const AcDbEntity* entity : m_entities)
            if (written.count(entity->handle().value()) == 0)
                records.push_back(entityRecord(*entity, nullptr));
        return records;
    }

    RecordBuilder entityHead(const char* type, const AcDbEntity& entity, const KeptGroups& kept)
    {
        RecordBuilder record(type);
        record.handle(5, entity.handle().value());
        std::size_t i = 0;
        const DxfTags& groups = kept.entityGroups;
        // The 102 groups come before the owner.
        for (; i < groups.size() && groups[i].code == 102;) {
            const std::size_t from = i;
            while (i < groups.size() && !(groups[i].code == 102 && groups[i].value == "}"))
                ++i;
            i = std::min(i + 1, groups.size());
            record.append(groups, from, i);
        }
        record.handle(330, m_modelSpace).add(100, "AcDbEntity").add(8, text(entity.layer()));
        record.append(groups, i, groups.size());
        return record;
    }

    static AcGePoint3d inPlane(AcGePoint3d point, const AcGeVector3d& normal)
    {
        return point.transformBy(AcGeMatrix3d::worldToPlane(normal));
    }

    DxfRecord entityRecord(const AcDbEntity& entity, const DxfRecord* keptRecord)
    {
        const InternalReadScope reading(entity);
        const KeptGroups kept = splitKept(keptRecord);
        const DxfTags& thickness = kept.thickness;
        if (const AcDbPoint* point = AcDbPoint::cast(&entity)) {
            RecordBuilder record = entityHead("POINT", entity, kept);
            record.add(100, "AcDbPoint").point(10, point->position()).append(thickness, 0, thickness.size());
            return finish(record, kept);
        }
        if (const AcDbLine* line = AcDbLine::cast(&entity)) {
            RecordBuilder record = entityHead("LINE", entity, kept);
            record.add(100, "AcDbLine").append(thickness, 0, thickness.size())
                .point(10, line->startPoint()).point(11, line->endPoint()).extrusion(line->normal());
            return finish(record, kept);
        }
        if (const AcDbArc* arc = AcDbArc::cast(&entity)) {
            RecordBuilder record = entityHead("ARC", entity, kept);
            circleBody(record, arc->center(), arc->normal(), arc->radius(), thickness);
            record.add(100, "AcDbArc").real(50, degrees(arc->startAngle())).real(51, degrees(arc->endAngle()));
            return finish(record, kept);
        }
        if (const AcDbCircle* circle = AcDbCircle::cast(&entity)) {
            RecordBuilder record = entityHead("CIRCLE", entity, kept);
            circleBody(record, circle->center(), circle->normal(), circle->radius(), thickness);
            return finish(record, kept);
        }
        if (const AcDbPolyline* polyline = AcDbPolyline::cast(&entity)) {
            RecordBuilder record = entityHead("LWPOLYLINE", entity, kept);
            record.add(100, "AcDbPolyline").integer(90, polyline->numVerts())
                .integer(70, polyline->isClosed() ? 1 : 0);
            if (polyline->elevation() != 0.0)
                record.real(38, polyline->elevation());
            record.append(thickness, 0, thickness.size());
            for (unsigned i = 0; i < polyline->numVerts(); ++i) {
                AcGePoint2d vertex;
                double bulge = 0.0;
                polyline->getPointAt(i, vertex);
                polyline->getBulgeAt(i, bulge);
                record.real(10, vertex.x).real(20, vertex.y);
                if (bulge != 0.0)
                    record.real(42, bulge);
            }
            record.extrusion(polyline->normal());
            return finish(record, kept);
        }
        if (const AecDbWall* wall = AecDbWall::cast(&entity))
            return wallRecord(*wall, kept);
        if (const AcDb3PointAngularDimension* dimension = AcDb3PointAngularDimension::cast(&entity))
            return dimensionRecord(*dimension, kept);
        throw DxfError("entity " + formatHandle(entity.handle().value()), 0,
                       "of a kind the drawing file cannot hold");
    }

    void circleBody(RecordBuilder& record, const AcGePoint3d& center, const AcGeVector3d& normal,
                    double radius, const DxfTags& thickness)
    {
        record.add(100, "AcDbCircle").append(thickness, 0, thickness.size())
            .point(10, inPlane(center, normal)).real(40, radius).extrusion(normal);
    }

    DxfRecord finish(RecordBuilder& record, const KeptGroups& kept)
    {
        record.append(kept.extendedData, 0, kept.extendedData.size());
        return record.build();
    }

    DxfRecord wallRecord(const AecDbWall& wall, const KeptGroups& kept)
    {
        RecordBuilder record = wall.isStraight() ? entityHead("LINE", wall, kept)
                                                 : entityHead("ARC", wall, kept);
        if (wall.isStraight()) {
            record.add(100, "AcDbLine").append(kept.thickness, 0, kept.thickness.size())
                .point(10, wall.startPoint()).point(11, wall.endPoint());
        } else {
            const AcGeCircArc3d arc = wall.baselineArc();
            // Counterclockwise about the arc's normal from the wall's start to its end.
            const AcGeVector3d normal = arc.normal().normal();
            const AcGePoint3d center = inPlane(arc.center(), normal);
            const AcGePoint3d start = inPlane(wall.startPoint(), normal);
            const AcGePoint3d end = inPlane(wall.endPoint(), normal);
            circleBody(record, arc.center(), normal, arc.radius(), kept.thickness);
            record.add(100, "AcDbArc")
                .real(50, degrees(std::atan2(start.y - center.y, start.x - center.x)))
                .real(51, degrees(std::atan2(end.y - center.y, end.x - center.x)));
        }
        record.add(1001, kWallApplication).add(1000, "baseline").point(1011, wall.midPoint());
        return finish(record, kept);
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

    DxfRecord dimensionRecord(const AcDb3PointAngularDimension& dimension, const KeptGroups& kept)
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
        const DimensionStyleSizes sizes = sizesOf(dimensionStyleRecord(styleName));
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
        RecordBuilder record = entityHead("DIMENSION", dimension, kept);
        record.add(100, "AcDbDimension").add(2, blockName).point(10, points.arcPoint)
            .point(11, textMiddle).integer(70, 5 | 32 | (userText ? 128 : 0));
        if (!textOverride.empty())
            record.add(1, text(textOverride));
        record.integer(71, 5).integer(72, 1).real(41, 1.0).real(42, graphics.measurement)
            .extrusion(points.normal).add(3, text(styleName))
            .add(100, "AcDb3PointAngularDimension").point(13, points.xLine1)
            .point(14, points.xLine2).point(15, points.center);
        return finish(record, kept);
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
        set("$DIMDSEP", 70, std::to_string(static_cast<int>(decimalSeparator())));
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
    std::unordered_set<std::uint64_t> m_used;
    std::unordered_map<std::uint64_t, std::uint64_t> m_renamed;
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

DimensionBlockStyle dimensionBlockStyle(const AcDbDatabase& db, const std::u16string& styleName)
{
    return DrawingWriter(db).blockStyle(styleName);
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
