// The tables, blocks and objects a drawing written needs: the standard tables and entries, a
// block for each block record, the named object dictionary with layouts, and the layers and
// dimension styles of the host.
#include "dxf/dxf_drawing_writer.h"

#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_text.h"
#include <algorithm>

namespace cadhost {

namespace {

const char* const kTableOrder[] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW",
                                   "UCS",   "APPID", "DIMSTYLE", "BLOCK_RECORD"};

}  // namespace

DxfTable& DrawingWriter::table(std::string_view name)
{
    if (DxfTable* existing = m_document.table(name))
        return *existing;
    DxfTable created;
    created.name = m_texts.keep(std::string(name));
    RecordBuilder head(m_texts, "TABLE");
    head.add(2, created.name).handle(5, fresh()).add(330, "0").add(100, "AcDbSymbolTable").integer(70, 0);
    if (name == "DIMSTYLE")
        head.add(100, "AcDbDimStyleTable");
    created.head = head.build();
    m_document.tables.push_back(std::move(created));
    return m_document.tables.back();
}

std::u16string DrawingWriter::nameKey(std::string_view value) const
{
    return upperCase(decodeDxfText(value, m_codePage));
}

const DxfRecord* DrawingWriter::entryNamed(const DxfTable& table, std::string_view name) const
{
    const std::u16string wanted = nameKey(name);
    for (const DxfRecord& entry : table.entries)
        if (const auto tag = entry.find(2); tag && nameKey(tag->value) == wanted)
            return &entry;
    return nullptr;
}

std::unordered_map<std::u16string, std::uint64_t> DrawingWriter::entryHandles(const DxfTable& table) const
{
    std::unordered_map<std::u16string, std::uint64_t> handles;
    for (const DxfRecord& entry : table.entries)
        if (const auto tag = entry.find(2))
            handles.emplace(nameKey(tag->value), entry.handle());
    return handles;
}

RecordBuilder DrawingWriter::entry(DxfTable& owner, std::string_view type, std::string_view subclass,
                                   std::string_view name)
{
    RecordBuilder record(m_texts, type);
    record.handle(type == "DIMSTYLE" ? 105 : 5, fresh())
        .handle(330, owner.head.handle())
        .add(100, "AcDbSymbolTableRecord")
        .add(100, subclass)
        .add(2, name);
    if (type != "BLOCK_RECORD")
        record.integer(70, 0);
    return record;
}

void DrawingWriter::ensureEntry(std::string_view tableName, std::string_view name,
                                const std::function<DxfRecord(DxfTable&)>& make)
{
    DxfTable& owner = table(tableName);
    if (entryNamed(owner, name) == nullptr)
        owner.entries.push_back(make(owner));
}

void DrawingWriter::ensureTables()
{
    for (const char* name : kTableOrder)
        table(name);
    // The standard tables first, in their order, then any others.
    std::stable_sort(m_document.tables.begin(), m_document.tables.end(),
                     [](const DxfTable& a, const DxfTable& b) {
                         const auto rank = [](std::string_view name) {
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
                .add(3, std::string_view(linetype) == "Continuous" ? "Solid line" : "")
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

std::uint64_t DrawingWriter::blockRecordOf(std::string_view name)
{
    const DxfRecord* record = entryNamed(table("BLOCK_RECORD"), name);
    return record == nullptr ? 0 : record->handle();
}

void DrawingWriter::ensureBlocks()
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

DxfBlock DrawingWriter::makeBlock(std::string_view name, std::uint64_t record, bool anonymous,
                                  DxfRecords entities)
{
    DxfBlock block;
    block.name = m_texts.keep(std::string(name));
    block.begin = RecordBuilder(m_texts, "BLOCK")
                      .handle(5, fresh()).handle(330, record).add(100, "AcDbEntity").add(8, "0")
                      .add(100, "AcDbBlockBegin").add(2, block.name).integer(70, anonymous ? 1 : 0)
                      .point(10, AcGePoint3d::kOrigin).add(3, block.name).add(1, "").build();
    block.entities = std::move(entities);
    block.end = RecordBuilder(m_texts, "ENDBLK")
                    .handle(5, fresh()).handle(330, record).add(100, "AcDbEntity").add(8, "0")
                    .add(100, "AcDbBlockEnd").build();
    return block;
}

void DrawingWriter::ensureObjects()
{
    DxfRecords& objects = m_document.objects;
    if (objects.empty() || objects.front().type() != "DICTIONARY")
        objects.insert(objects.begin(), RecordBuilder(m_texts, "DICTIONARY")
                                            .handle(5, fresh()).add(330, "0")
                                            .add(100, "AcDbDictionary").integer(281, 1).build());
    std::unordered_set<std::string_view> names;
    for (const DxfTag& tag : objects.front().tags())
        if (tag.code == 3)
            names.insert(tag.value);
    if (names.count("ACAD_LAYOUT") != 0) {
        findPlaceholder();
        return;
    }
    const std::uint64_t root = objects.front().handle();
    DxfRecords added;
    const auto entry = [&](const char* name, std::uint64_t handle) {
        if (names.count(name) != 0)
            return false;
        DxfTags tags = objects.front().tagList();
        const auto end = std::find_if(tags.begin(), tags.end(),
                                      [](const DxfTag& t) { return t.code == 1001; });
        tags.insert(tags.insert(end, DxfTag{3, name, 0}) + 1, m_texts.tag(350, formatHandle(handle)));
        objects.front().setTags(std::move(tags));
        return true;
    };
    const auto dictionary = [&](std::uint64_t handle) {
        return RecordBuilder(m_texts, "DICTIONARY").handle(5, handle).handle(330, root)
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
        added.push_back(RecordBuilder(m_texts, "MLINESTYLE")
                            .handle(5, standard).handle(330, mlineStyles)
                            .add(100, "AcDbMlineStyle").add(2, "Standard").integer(70, 0).add(3, "")
                            .integer(62, 256).real(51, 90.0).real(52, 90.0).integer(71, 2)
                            .real(49, 0.5).integer(62, 256).add(6, "BYLAYER")
                            .real(49, -0.5).integer(62, 256).add(6, "BYLAYER").build());
    }
    if (const std::uint64_t plotStyles = fresh(); entry("ACAD_PLOTSTYLENAME", plotStyles)) {
        m_placeholder = fresh();
        added.push_back(RecordBuilder(m_texts, "ACDBDICTIONARYWDFLT")
                            .handle(5, plotStyles).handle(330, root).add(100, "AcDbDictionary")
                            .integer(281, 1).add(3, "Normal").handle(350, m_placeholder)
                            .add(100, "AcDbDictionaryWithDefault").handle(340, m_placeholder).build());
        added.push_back(RecordBuilder(m_texts, "ACDBPLACEHOLDER")
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

DxfRecord DrawingWriter::layout(std::uint64_t handle, std::uint64_t owner, const char* name,
                                       int tabOrder, std::uint64_t blockRecord, int plotFlags)
{
    return RecordBuilder(m_texts, "LAYOUT")
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

void DrawingWriter::linkLayout(std::string_view space, std::uint64_t layoutHandle)
{
    for (DxfRecord& record : table("BLOCK_RECORD").entries) {
        const auto name = record.find(2);
        if (!name || nameKey(name->value) != nameKey(space))
            continue;
        DxfTags tags = record.tagList();
        tags.erase(std::remove_if(tags.begin(), tags.end(),
                                  [](const DxfTag& t) { return t.code == 340; }),
                   tags.end());
        const auto at = std::find_if(tags.begin(), tags.end(),
                                     [](const DxfTag& t) { return t.code == 2; });
        tags.insert(at + 1, m_texts.tag(340, formatHandle(layoutHandle)));
        record.setTags(std::move(tags));
    }
}

void DrawingWriter::ensureClasses()
{
    static const char* const kClasses[][3] = {
        {"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", "ObjectDBX Classes"},
        {"ACDBPLACEHOLDER", "AcDbPlaceHolder", "ObjectDBX Classes"},
        {"LAYOUT", "AcDbLayout", "ObjectDBX Classes"}};
    for (const auto& cls : kClasses) {
        const bool present = std::any_of(
            m_document.classes.begin(), m_document.classes.end(), [&cls](const DxfRecord& r) {
                const auto name = r.find(1);
                return name && name->value == cls[0];
            });
        if (!present)
            m_document.classes.push_back(RecordBuilder(m_texts, "CLASS")
                                             .add(1, cls[0]).add(2, cls[1]).add(3, cls[2])
                                             .integer(90, 0).integer(280, 0).integer(281, 0)
                                             .build());
    }
}

void DrawingWriter::findPlaceholder()
{
    if (const DxfRecord* layer0 = entryNamed(table("LAYER"), "0"))
        if (const auto plotStyle = layer0->find(390))
            parseHandle(plotStyle->value, m_placeholder);
}

std::string DrawingWriter::text(const std::u16string& value) const
{
    return encodeDxfText(value, m_utf8, m_codePage);
}

void DrawingWriter::addHostLayers()
{
    DxfTable& layers = table("LAYER");
    std::unordered_set<std::u16string> present;
    for (const DxfRecord& layer : layers.entries)
        if (const auto name = layer.find(2))
            present.insert(nameKey(name->value));
    std::vector<std::u16string> names;
    for (const AcDbObjectId& id : m_impl.layerIds())
        names.push_back(m_impl.layerName(id));
    names.push_back(u"Defpoints");
    for (const std::u16string& name : names) {
        if (!present.insert(upperCase(name)).second)
            continue;
        const std::string_view encoded = m_texts.keep(text(name));
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

void DrawingWriter::addHostDimensionStyles()
{
    DxfTable& styles = table("DIMSTYLE");
    const std::uint64_t textStyle = entryNamed(table("STYLE"), "Standard")->handle();
    std::unordered_set<std::u16string> present;
    for (const DxfRecord& style : styles.entries)
        if (const auto name = style.find(2))
            present.insert(nameKey(name->value));
    for (const AcDbObjectId& id : m_impl.dimStyleIds()) {
        if (!present.insert(upperCase(m_impl.dimStyleName(id))).second)
            continue;
        const std::string_view name = m_texts.keep(text(m_impl.dimStyleName(id)));
        // A new style starts from its parent's settings ("NAME$n" from "NAME").
        const std::size_t dollar = name.rfind('$');
        const DxfRecord* parent =
            dollar == std::string::npos ? nullptr : entryNamed(styles, name.substr(0, dollar));
        if (parent != nullptr) {
            DxfTags copy = entry(styles, "DIMSTYLE", "AcDbDimStyleTableRecord", name).tags();
            for (const DxfTag& tag : parent->tags())
                if (tag.code != 0 && tag.code != 2 && tag.code != 5 && tag.code != 105 &&
                    tag.code != 330 && tag.code != 100 && tag.code != 70 &&
                    tag.code != 102)
                    copy.push_back(tag);
            styles.entries.push_back(DxfRecord(std::move(copy)));
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

const DxfRecord* DrawingWriter::dimensionStyleRecord(const std::u16string& name)
{
    DxfTable& styles = table("DIMSTYLE");
    if (const DxfRecord* own = entryNamed(styles, text(name)))
        return own;
    return entryNamed(styles, "ISO-25");
}

}  // namespace cadhost
