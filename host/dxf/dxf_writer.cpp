#include "dxf/dxf_writer.h"

#include "dxf/dxf_drawing_writer.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_text.h"
#include "database/object_state.h"
#include "dbents.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace cadhost {

DrawingWriter::DrawingWriter(const AcDbDatabase& db) : m_impl(db.impl())
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

std::string DrawingWriter::run()
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

void DrawingWriter::collectEntities()
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

void DrawingWriter::planModelledEntities()
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

void DrawingWriter::setOwnHandle(DxfRecord& record, std::uint64_t handle)
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

bool DrawingWriter::writtenAsRecord(std::size_t i) const
{
    return m_plans[i] == SlotPlan::Carried || m_plans[i] == SlotPlan::AsRead;
}

std::vector<DxfRecord> DrawingWriter::entityRecords()
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

void DrawingWriter::header(TagOutput& out)
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

std::string DrawingWriter::assemble(const std::vector<DxfRecord>& entities)
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

