#include "dxf/dxf_writer.h"

#include "database/object_state.h"
#include "dbents.h"
#include "dxf/dxf_drawing_writer.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_sink.h"
#include "dxf/dxf_text.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace cadhost {

DrawingWriter::DrawingWriter(const AcDbDatabase& db)
    : m_impl(db.impl()),
      m_foreign(std::static_pointer_cast<const DxfForeignData>(m_impl.foreignData))
{
    if (m_foreign != nullptr) {
        const DxfDocument& read = m_foreign->document;
        // The records share the file's text; a changed record's groups are copied.
        m_document.bytes = read.bytes;
        m_document.texts = read.texts;
        m_document.header = read.header;
        m_document.classes = read.classes;
        m_document.tables = read.tables;
        m_document.blocks = read.blocks;
        m_document.objects = read.objects;
        m_document.otherSections = read.otherSections;
        m_document.hasObjectsSection = read.hasObjectsSection;
        m_readEntities = &read.entities;
        m_modelHandles = &m_foreign->modelHandles;
        m_moved = &m_foreign->movedHandles;
        m_version = m_foreign->version;
        if (const DxfTag* codePage = m_document.headerValue("$DWGCODEPAGE"))
            m_codePage = std::string(codePage->value);
    }
    if (m_version < kLowestWrittenVersion)
        m_version = kLowestWrittenVersion;
    m_utf8 = isUtf8Version(m_version);
}

std::size_t DrawingWriter::expectedSize() const
{
    const std::size_t read = m_document.bytes == nullptr ? 0 : m_document.bytes->size();
    return read + read / 16 + 64 * 1024 + 512 * m_entities.size();
}

void DrawingWriter::run(DxfSink& sink)
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
    makeEntityRecords();

    sink.reserve(expectedSize());
    header(sink);
    sink.tag(0, "SECTION");
    sink.tag(2, "CLASSES");
    write(sink, m_document.classes);
    sink.tag(0, "ENDSEC");
    sink.tag(0, "SECTION");
    sink.tag(2, "TABLES");
    for (const DxfTable& t : m_document.tables) {
        // The head's count of entries is the count written.
        const std::string count = std::to_string(t.entries.size());
        bool counted = false;
        for (const DxfTag& tag : t.head.tags()) {
            const bool isCount = tag.code == 70 && !counted;
            counted = counted || isCount;
            sink.tag(tag.code, isCount ? std::string_view(count) : tag.value);
        }
        write(sink, t.entries);
        sink.tag(0, "ENDTAB");
    }
    sink.tag(0, "ENDSEC");
    sink.tag(0, "SECTION");
    sink.tag(2, "BLOCKS");
    for (const DxfBlock& block : m_document.blocks) {
        write(sink, block.begin);
        write(sink, block.entities);
        write(sink, block.end);
    }
    sink.tag(0, "ENDSEC");
    sink.tag(0, "SECTION");
    sink.tag(2, "ENTITIES");
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        switch (m_plans[i]) {
        case SlotPlan::Carried:
        case SlotPlan::AsRead:
            write(sink, slotRecord(i));
            break;
        case SlotPlan::Anew:
            write(sink, m_anew.at(i));
            break;
        case SlotPlan::Gone:
            break;
        }
    }
    write(sink, m_newEntities);
    sink.tag(0, "ENDSEC");
    sink.tag(0, "SECTION");
    sink.tag(2, "OBJECTS");
    write(sink, m_document.objects);
    sink.tag(0, "ENDSEC");
    for (const DxfRawSection& section : m_document.otherSections) {
        sink.tag(0, "SECTION");
        sink.tag(2, section.name);
        for (const DxfTag& tag : section.tags)
            sink.tag(tag.code, tag.value);
        sink.tag(0, "ENDSEC");
    }
    sink.tag(0, "EOF");
}

void DrawingWriter::write(DxfSink& out, const DxfRecord& record)
{
    if (const std::string_view text = record.verbatimText(); !text.empty()) {
        out.verbatim(text);
        return;
    }
    for (const DxfTag& tag : record.tags())
        out.tag(tag.code, tag.value);
}

void DrawingWriter::write(DxfSink& out, const DxfRecords& records)
{
    for (const DxfRecord& record : records)
        write(out, record);
}

void DrawingWriter::collectEntities()
{
    reserveResident(m_entities, roomOnWholeHugePages(m_impl.modelSpaceIds().size(),
                                                     sizeof(LiveEntity)));
    m_impl.forEachModelSpaceEntity([this](std::uint64_t handle, const AcDbEntity& entity) {
        if (!entity.isErased())
            m_entities.push_back(LiveEntity{handle, &entity});
    });
    const auto inHandleOrder = [](const LiveEntity& a, const LiveEntity& b) {
        return a.handle < b.handle;
    };
    if (std::is_sorted(m_entities.begin(), m_entities.end(), inHandleOrder))
        return;
    m_placesByHandle.resize(m_entities.size());
    for (std::size_t place = 0; place < m_entities.size(); ++place)
        m_placesByHandle[place] = static_cast<std::uint32_t>(place);
    std::sort(m_placesByHandle.begin(), m_placesByHandle.end(),
              [this](std::uint32_t a, std::uint32_t b) {
                  return m_entities[a].handle < m_entities[b].handle;
              });
}

std::uint64_t DrawingWriter::highestLiveHandle() const
{
    return m_entities.empty() ? 0 : m_entities[placeInHandleOrder(m_entities.size() - 1)].handle;
}

std::size_t DrawingWriter::livePlace(std::uint64_t handle) const
{
    std::size_t next = m_entities.size();
    return livePlace(handle, next);
}

std::size_t DrawingWriter::livePlace(std::uint64_t handle, std::size_t& next) const
{
    const std::size_t count = m_entities.size();
    const auto handleAt = [this](std::size_t position) {
        return m_entities[placeInHandleOrder(position)].handle;
    };
    // A handle between the one found last and the next in handle order is not live.
    if (next <= count && (next == count || handleAt(next) > handle) &&
        (next == 0 || handleAt(next - 1) < handle))
        return kNotLive;
    if (next >= count || handleAt(next) != handle) {
        // The first position in handle order whose handle is not below handle.
        std::size_t low = 0;
        std::size_t high = count;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (handleAt(middle) < handle)
                low = middle + 1;
            else
                high = middle;
        }
        next = low;
        if (low == count || handleAt(low) != handle)
            return kNotLive;
    }
    return placeInHandleOrder(next++);
}

DxfRecord& DrawingWriter::editableSlot(std::size_t i)
{
    if (m_slotEdit.empty())
        m_slotEdit.assign(m_readEntities->size(), 0);
    if (m_slotEdit[i] == 0) {
        m_slotEdits.push_back((*m_readEntities)[i]);
        m_slotEdit[i] = static_cast<std::uint32_t>(m_slotEdits.size());
    }
    return m_slotEdits[m_slotEdit[i] - 1];
}

void DrawingWriter::planModelledEntities()
{
    const std::size_t slots = m_readEntities == nullptr ? 0 : m_readEntities->size();
    m_plans.reserve(slots);
    std::size_t next = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::uint64_t modelHandle = (*m_modelHandles)[i];
        if (modelHandle == 0) {
            m_plans.push_back(SlotPlan::Carried);
        } else if (livePlace(modelHandle, next) == kNotLive) {
            m_plans.push_back(SlotPlan::Gone);
        } else if (m_impl.wasOpenedForWrite(modelHandle)) {
            m_plans.push_back(SlotPlan::Anew);
        } else {
            m_plans.push_back(SlotPlan::AsRead);
            // Written under its database handle.
            const DxfRecord& record = slotRecord(i);
            if (!record.changed() && record.handle() == modelHandle &&
                (record.flags() & kDxfPlainHandle) != 0)
                continue;  // the handle as read is that text already
            char digits[16];
            const std::string_view handle(digits, static_cast<std::size_t>(
                                                      writeHandle(modelHandle, digits) - digits));
            DxfHandleScanner scanner;
            bool first = true;
            bool same = false;
            for (const DxfTag& tag : record.tags()) {
                if (!first && tag.code == 0)
                    break;
                first = false;
                if (scanner.next(tag) == DxfHandleRole::Own) {
                    same = tag.value == handle;
                    break;
                }
            }
            if (!same)
                editableSlot(i).setTags(withOwnHandle(record, m_texts.keep(std::string(handle))));
        }
    }
}

DxfTags DrawingWriter::withOwnHandle(const DxfRecord& record, std::string_view value)
{
    DxfTags tags = record.tagList();
    DxfHandleScanner scanner;
    for (std::size_t i = 0; i < tags.size() && (i == 0 || tags[i].code != 0); ++i)
        if (scanner.next(tags[i]) == DxfHandleRole::Own) {
            tags[i].value = value;
            return tags;
        }
    tags.insert(tags.begin() + 1, DxfTag{5, value, 0});
    return tags;
}

bool DrawingWriter::writtenAsRecord(std::size_t i) const
{
    return m_plans[i] == SlotPlan::Carried || m_plans[i] == SlotPlan::AsRead;
}

void DrawingWriter::makeEntityRecords()
{
    std::vector<bool> writtenInSlot(m_entities.size(), false);
    std::size_t next = 0;
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        if (m_plans[i] != SlotPlan::Anew && m_plans[i] != SlotPlan::AsRead)
            continue;
        const std::size_t place = livePlace((*m_modelHandles)[i], next);
        writtenInSlot[place] = true;
        if (m_plans[i] == SlotPlan::Anew)
            m_anew.emplace(i, entityRecord(*m_entities[place].entity, &slotRecord(i)));
    }
    for (std::size_t place = 0; place < m_entities.size(); ++place)
        if (!writtenInSlot[place])
            m_newEntities.push_back(entityRecord(*m_entities[place].entity, nullptr));
}

void DrawingWriter::header(DxfSink& out)
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
    const auto set = [this, &put](std::string_view name, int code, std::string value) {
        DxfHeaderVariable variable;
        variable.name = m_texts.keep(std::string(name));
        variable.values.push_back(m_texts.tag(code, std::move(value)));
        put(variable);
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
    out.tag(0, "SECTION");
    out.tag(2, "HEADER");
    for (const DxfHeaderVariable& variable : written) {
        out.tag(9, variable.name);
        for (const DxfTag& tag : variable.values)
            out.tag(tag.code, tag.value);
    }
    out.tag(0, "ENDSEC");
}

std::string writeDxf(const AcDbDatabase& db)
{
    DxfSink sink;
    DrawingWriter(db).run(sink);
    return std::move(sink.text());
}

DimensionBlockStyle dimensionBlockStyle(const AcDbDatabase& db, const std::u16string& styleName)
{
    return DrawingWriter(db).blockStyle(styleName);
}

namespace {

/// The error of a save of path that failed for why.
DxfError cannotWrite(const std::string& path, const std::string& why)
{
    return DxfError(path, 0, "cannot write the drawing: " + why);
}

/// The error of a save of path that failed for the system's error number error.
DxfError cannotWrite(const std::string& path, int error)
{
    return cannotWrite(path, std::strerror(error));
}

/// A file written under a temporary name beside its path, which takes the path's place only
/// when all of it is written; removed otherwise, so that a failed save leaves the drawing on
/// disk as it was.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path)
        : m_path(path), m_temporary(path + ".tmp-" + std::to_string(::getpid())),
          m_file(std::fopen(m_temporary.c_str(), "wb"))
    {
        if (m_file == nullptr)
            throw cannotWrite(path, errno);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (m_file != nullptr)
            std::fclose(m_file);
        if (!m_committed)
            std::remove(m_temporary.c_str());
    }

    std::FILE* file() const { return m_file; }

    /// Closes the file and puts it in the path's place; written tells whether all of its text
    /// reached the file.
    void commit(bool written)
    {
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!written || !closed)
            throw cannotWrite(m_path, "the disk refused it");
        if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
            throw cannotWrite(m_path, errno);
        m_committed = true;
    }

private:
    std::string m_path;
    std::string m_temporary;
    std::FILE* m_file;
    bool m_committed = false;
};

}  // namespace

void writeDxfFile(const AcDbDatabase& db, const std::string& path)
{
    TemporaryFile file(path);
    DxfSink sink(file.file());
    try {
        DrawingWriter(db).run(sink);
    } catch (const DxfError& error) {
        throw cannotWrite(path, error.what());
    }
    file.commit(sink.finish());
}

}  // namespace cadhost
