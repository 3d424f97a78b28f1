#include "dxf/dxf_reader.h"

#include "database/database_impl.h"
#include "database/huge_pages.h"
#include "database/object_arena.h"
#include "database/object_state.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_file_chunks.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_repair.h"
#include "dxf/dxf_section_runs.h"
#include "dxf/dxf_text.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace cadhost {

namespace {

/// An entity of a modelled kind, made while the file is read and put in the database after
/// the repair pass, in file order: made (an entity), not modelled (a failure) or made later (a
/// dimension). A hundred thousand of them live at once, hence the small form.
struct PreparedEntity {
    static constexpr std::uint32_t kLater = ~std::uint32_t{0};
    /// Made: the preparer's until the database takes it; null for the others.
    AcDbEntity* entity = nullptr;
    std::uint32_t index = 0;  ///< of the record in the ENTITIES section
    /// Made: the layer's name among the preparer's layer names; not modelled: its index in the
    /// failures; made later: kLater.
    std::uint32_t detail = 0;
};

/// Makes the entities of the modelled kinds as the parser reads their records; a dimension,
/// whose style is looked up in the drawing, is made later.
class EntityPreparer : public DxfEntityListener {
public:
    /// Room for the entities of a file of this many bytes (typical ones take more than 100),
    /// made in an arena of their own; resident as it is used, or ahead (prepareAhead).
    explicit EntityPreparer(std::size_t fileSize)
        : m_fileSize(fileSize),
          m_arena(std::make_shared<ObjectArena>(fileSize + fileSize / 2)),
          m_reader(m_arena.get())
    {
        m_prepared.reserve(roomOnHugePages(fileSize / 100, sizeof(PreparedEntity)));
    }
    EntityPreparer(const EntityPreparer&) = delete;
    EntityPreparer& operator=(const EntityPreparer&) = delete;
    ~EntityPreparer() override
    {
        for (PreparedEntity& prepared : m_prepared)
            if (prepared.entity != nullptr)
                ObjectDeleter{m_arena.get()}(prepared.entity);
    }

    void entityRead(std::size_t index, const DxfRecord& record, const DxfTags& tags,
                    const std::vector<double>& numbers) override
    {
        const std::string_view type = tags.front().value;
        const DxfRecordLayout* layout = DxfEntityReader::layoutOf(type);
        if (layout == nullptr)
            return;
        long long space = 0;
        long long dimensionType = 0;
        bool spaceSeen = false;
        bool flagsSeen = false;
        for (std::size_t i = 1; i < tags.size(); ++i) {
            const DxfTag& tag = tags[i];
            if (tag.code == 67 && !spaceSeen) {
                parseInteger(tag.value, space);
                spaceSeen = true;
            } else if (tag.code == 70 && !flagsSeen) {
                parseInteger(tag.value, dimensionType);
                flagsSeen = true;
            }
        }
        const bool dimension = type == "DIMENSION";
        if (space != 0 || (dimension && (dimensionType & 0x0F) != 5))
            return;
        PreparedEntity prepared;
        prepared.index = static_cast<std::uint32_t>(index);
        if (dimension) {
            prepared.detail = PreparedEntity::kLater;
            m_prepared.push_back(prepared);
            return;
        }
        try {
            std::string_view layer;
            DxfReadEntity entity =
                m_reader.read(tags, numbers.data(), record.line(), *layout, nullptr, layer);
            if (entity == nullptr)
                return;
            prepared.detail = layerNumber(layer);
            prepared.entity = entity.get();
            m_prepared.push_back(prepared);
            entity.release();
        } catch (const DxfNotModelled& why) {
            prepared.detail = static_cast<std::uint32_t>(m_failures.size());
            m_failures.push_back(why);
            m_prepared.push_back(prepared);
        }
    }

    /// The tables of the record layouts made and the list of entities made resident while the
    /// file is read, then the room of the entities this preparer makes of its half of the
    /// section: modelled entities take about as many bytes as their records, and few drawings
    /// are only those.
    void prepareAhead(const std::function<bool()>& stop) override
    {
        DxfEntityReader::layoutOf("LINE");
        populatePages(m_prepared.data(), m_prepared.capacity() * sizeof(PreparedEntity));
        m_arena->prepareAhead(m_fileSize / 2, stop);
    }

    std::unique_ptr<DxfEntityListener> split(std::size_t bytes) override
    {
        return std::make_unique<EntityPreparer>(bytes);
    }

    void join(std::unique_ptr<DxfEntityListener> part,
              const std::vector<DxfJoinedRun>& runs) override
    {
        EntityPreparer& other = static_cast<EntityPreparer&>(*part);
        m_arena->adopt(other.m_arena);
        std::vector<std::uint32_t> layers;
        layers.reserve(other.m_layerNames.size());
        for (const std::string_view name : other.m_layerNames)
            layers.push_back(layerNumber(name));
        HugePageVector<PreparedEntity>& theirs = other.m_prepared;
        m_prepared.reserve(m_prepared.size() + theirs.size());
        for (const DxfJoinedRun& run : runs) {
            // The part's entities come in the order it was told their records.
            auto told = std::lower_bound(theirs.begin(), theirs.end(), run.partFirst,
                                         [](const PreparedEntity& prepared, std::size_t index) {
                                             return prepared.index < index;
                                         });
            for (; told != theirs.end() && told->index < run.partFirst + run.count; ++told) {
                PreparedEntity prepared = *told;
                prepared.index = static_cast<std::uint32_t>(run.sectionFirst + told->index -
                                                            run.partFirst);
                if (prepared.entity != nullptr) {
                    prepared.detail = layers[prepared.detail];
                    told->entity = nullptr;  // this preparer's now
                } else if (prepared.detail != PreparedEntity::kLater) {
                    DxfNotModelled failure = std::move(other.m_failures[prepared.detail]);
                    failure.line += run.lineShift;
                    prepared.detail = static_cast<std::uint32_t>(m_failures.size());
                    m_failures.push_back(std::move(failure));
                }
                m_prepared.push_back(prepared);
            }
        }
    }

    /// The number of a layer name as written among those seen, given it when new.
    std::uint32_t layerNumber(std::string_view name)
    {
        const auto [found, added] =
            m_layerNumbers.try_emplace(name, static_cast<std::uint32_t>(m_layerNumbers.size()));
        if (added)
            m_layerNames.push_back(name);
        return found->second;
    }
    /// The layer names as written, by number.
    const std::vector<std::string_view>& layerNames() const { return m_layerNames; }

    HugePageVector<PreparedEntity>& prepared() { return m_prepared; }
    const DxfNotModelled& failure(const PreparedEntity& prepared) const
    {
        return m_failures[prepared.detail];
    }
    DxfEntityReader& reader() { return m_reader; }
    /// The arena the entities are made in, which the database keeps.
    const std::shared_ptr<ObjectArena>& arena() const { return m_arena; }

private:
    std::size_t m_fileSize;
    std::shared_ptr<ObjectArena> m_arena;
    DxfEntityReader m_reader;
    HugePageVector<PreparedEntity> m_prepared;
    std::vector<DxfNotModelled> m_failures;
    std::unordered_map<std::string_view, std::uint32_t> m_layerNumbers;
    std::vector<std::string_view> m_layerNames;
};

/// Builds the database of one document.
class DrawingImporter {
public:
    DrawingImporter(DxfDocument document, EntityPreparer& entities, DxfMendLog& mends)
        : m_fileName(mends.fileName()), m_entities(entities), m_mends(mends),
          m_db(std::make_unique<AcDbDatabase>()), m_impl(m_db->impl()),
          m_foreign(std::make_shared<DxfForeignData>(entities.arena()))
    {
        m_foreign->document = std::move(document);
        // In the room left in the arena's last huge page, before it goes back: small pages
        // would cost a first touch each.
        m_foreign->modelHandles.resize(m_foreign->document.entities.size());
        m_foreign->version = documentVersion(m_foreign->document);
        m_utf8 = isUtf8Version(m_foreign->version);
        if (const DxfTag* codePage = m_foreign->document.headerValue("$DWGCODEPAGE"))
            m_codePage = std::string(codePage->value);
    }

    std::unique_ptr<AcDbDatabase> run()
    {
        DxfDocument& document = m_foreign->document;
        m_impl.keepArena(m_entities.arena());
        m_impl.seedNextHandle(highestHandle(document) + 1);
        readTables(document);
        readHeader(document);
        readEntities(document);
        m_impl.foreignData = m_foreign;
        m_impl.forgetWrites();
        return std::move(m_db);
    }

private:
    /// Throws for a handle so high that new handles above it would run out.
    [[noreturn]] void tooLarge(const DxfTag& tag) const
    {
        throw DxfError(m_fileName, tag.line + 1,
                       "the handle " + std::string(tag.value) + " is too large");
    }

    /// The highest own handle of the file (the records, the ones the repair pass gave, and
    /// $HANDSEED); throws for one so high that new handles above it would run out.
    std::uint64_t highestHandle(const DxfDocument& document) const
    {
        std::uint64_t highest = document.highestHandle;
        forEachRecord(document, [this, &highest](const DxfRecord& record) {
            if (!record.changed() && (record.flags() & kDxfHandleTooLarge) == 0)
                return;
            forEachHandle(record.tags(), [this, &highest](const DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                if (role != DxfHandleRole::Own || !parseHandle(tag.value, value))
                    return;
                if (value > kHighestFileHandle)
                    tooLarge(tag);
                highest = std::max(highest, value);
            });
        });
        if (const DxfTag* seed = document.headerValue("$HANDSEED")) {
            std::uint64_t value = 0;
            if (parseHandle(seed->value, value)) {
                if (value > kHighestFileHandle)
                    tooLarge(*seed);
                highest = std::max(highest, value);
            }
        }
        return highest;
    }

    void readTables(const DxfDocument& document)
    {
        if (const DxfTable* layers = document.table("LAYER"))
            for (const DxfRecord& entry : layers->entries)
                if (const auto name = entry.find(2))
                    m_impl.layerIdCreating(decoded(name->value));
        if (const DxfTable* styles = document.table("DIMSTYLE"))
            for (const DxfRecord& entry : styles->entries)
                if (const auto name = entry.find(2))
                    m_impl.addDimStyle(decoded(name->value));
    }

    void readHeader(const DxfDocument& document)
    {
        static const char* const kModelled[] = {"LUPREC", "DIMZIN", "DIMLFAC", "DIMDSEP",
                                                "DIMDEC", "DIMRND", "INSUNITS"};
        const SystemVariables& variables = m_impl.systemVariables();
        for (const DxfHeaderVariable& variable : document.header) {
            if (variable.values.empty() || variable.name.size() < 2 || variable.name[0] != '$')
                continue;
            const DxfTag& value = variable.values.front();
            const std::string name(variable.name.substr(1));
            if (name == "CLAYER") {
                m_impl.setCurrentLayer(m_impl.layerIdCreating(decoded(value.value)));
            } else if (name == "DIMSTYLE") {
                const AcDbObjectId style = m_impl.dimStyleId(decoded(value.value));
                if (!style.isNull())
                    m_impl.setCurrentDimStyle(style);
            } else if (std::find(std::begin(kModelled), std::end(kModelled), name) !=
                           std::end(kModelled) &&
                       variables.isKnown(name)) {
                if (name == "DIMDSEP")
                    readDecimalSeparator(value);
                else
                    readNumber(name, value);
            }
        }
    }

    /// A numeric header variable; a value out of range is brought into it, one the host
    /// cannot take otherwise leaves the host's value.
    void readNumber(const std::string& name, const DxfTag& value)
    {
        SystemVariables& variables = m_impl.systemVariables();
        const std::string text(value.value);
        std::string error;
        if (variables.setFromText(name, text, error))
            return;
        double number = 0.0;
        double minimum = 0.0;
        double maximum = 0.0;
        if (parseReal(value.value, number) && variables.rangeOf(name, minimum, maximum)) {
            const double clamped = std::min(std::max(number, minimum), maximum);
            const std::string clampedText = variables.typeOf(name) == SystemVariables::Type::Short
                                                ? std::to_string(static_cast<long long>(clamped))
                                                : formatReal(clamped);
            std::string ignored;
            if (clamped != number && variables.setFromText(name, clampedText, ignored)) {
                m_mends.record(DxfMendKind::ValueClamped, value.line + 1,
                               "$" + name + " " + text + " is out of range; " + clampedText +
                                   " is used");
                return;
            }
        }
        m_mends.record(DxfMendKind::ValueIgnored, value.line + 1,
                       "$" + name + " is not taken (" + error + "); the host's value stays");
    }

    /// $DIMDSEP: the code of the decimal separator; 0 leaves the host's.
    void readDecimalSeparator(const DxfTag& value)
    {
        SystemVariables& variables = m_impl.systemVariables();
        long long code = 0;
        parseInteger(value.value, code);
        if (code == 0)
            return;  // no separator chosen: the host's stays
        const char16_t character =
            code > 0 && code <= 0xFFFF ? characterOfCode(static_cast<int>(code), m_utf8, m_codePage)
                                       : u'\0';
        const bool printable = character >= 0x20 && character != 0x7F && character != 0xFFFD &&
                               (character < 0xD800 || character >= 0xE000);
        const bool taken =
            printable && (variables.typeOf("DIMDSEP") == SystemVariables::Type::String
                              ? variables.setString("DIMDSEP", std::u16string(1, character))
                              : variables.setShort("DIMDSEP", static_cast<short>(code)));
        if (!taken)
            m_mends.record(DxfMendKind::ValueIgnored, value.line + 1,
                           "$DIMDSEP " + std::string(value.value) +
                               " is not the code of a character; the host's separator stays");
    }

    std::u16string decoded(std::string_view value) const
    {
        return decodeDxfText(value, m_codePage);
    }

    /// The layer of a name as read, by its number in the preparer, each name looked up (and
    /// made when missing) at its first entity.
    AcDbObjectId layerOf(std::uint32_t number)
    {
        if (number >= m_layerIds.size())
            m_layerIds.resize(number + 1);
        AcDbObjectId& id = m_layerIds[number];
        if (id.isNull())
            id = m_impl.layerIdCreating(decoded(m_entities.layerNames()[number]));
        return id;
    }

    /// Puts a new entity on the layer of a name as read, by its number in the preparer; one
    /// without a layer gets the drawing's current layer when it is added.
    void placeOnLayer(AcDbEntity& entity, std::uint32_t number)
    {
        const AcDbObjectId layer = layerOf(number);
        if (!layer.isNull())
            AcDbImpObject::setKnownLayer(entity, layer);
    }

    void readEntities(DxfDocument& document)
    {
        std::pmr::vector<std::uint64_t>& modelHandles = m_foreign->modelHandles;
        m_impl.reserveEntities(m_entities.prepared().size());
        const DxfEntityReader::DimensionContext dimensions{&m_impl, m_codePage};
        for (PreparedEntity& prepared : m_entities.prepared()) {
            const DxfRecord& record = document.entities[prepared.index];
            if (prepared.entity == nullptr && prepared.detail == PreparedEntity::kLater) {
                const DxfTags tags =
                    DxfRecord(record.textAsRead(), record.line(), 0, 0).tagList();
                try {
                    std::string_view layer;
                    DxfReadEntity entity = m_entities.reader().read(
                        tags, nullptr, record.line(),
                        *DxfEntityReader::layoutOf(tags.front().value),
                        &dimensions, layer);
                    if (entity == nullptr)
                        continue;
                    placeOnLayer(*entity, m_entities.layerNumber(layer));
                    AcDbEntity* const made = entity.release();
                    const auto adopt = [this, made](AcDbHandle handle, AcDbObjectId& id) {
                        return m_impl.adoptEntity(made, handle, id);
                    };
                    modelHandles[prepared.index] = append(made, record.handle(), adopt);
                } catch (const DxfNotModelled& why) {
                    carried(record, why);
                }
                continue;
            }
            if (prepared.entity == nullptr) {
                carried(record, m_entities.failure(prepared));
                continue;
            }
            const AcDbObjectId layer = layerOf(prepared.detail);
            AcDbEntity* const entity = prepared.entity;
            prepared.entity = nullptr;  // append's until the database takes it
            const auto adopt = [this, entity, layer](AcDbHandle handle, AcDbObjectId& id) {
                return m_impl.adoptReadEntity(entity, handle, layer, id);
            };
            modelHandles[prepared.index] = append(entity, record.handle(), adopt);
        }
    }

    void carried(const DxfRecord& record, const DxfNotModelled& why)
    {
        m_mends.record(DxfMendKind::EntityCarried, why.line,
                       "the " + std::string(record.type()) + " is kept as it is but not modelled: " +
                           why.reason);
    }

    /// The handle entity gets when adopt puts it in the database: its handle in the file, or
    /// a new one when that is taken or it has none.
    template <class Adopt>
    std::uint64_t append(AcDbEntity* entity, std::uint64_t fileHandle, Adopt adopt)
    {
        AcDbObjectId id;
        Acad::ErrorStatus status = Acad::eInvalidInput;
        if (fileHandle != 0)
            status = adopt(AcDbHandle(fileHandle), id);
        if (status != Acad::eOk) {
            status = adopt(AcDbHandle(m_impl.nextHandle()), id);
            if (status != Acad::eOk) {
                ObjectDeleter{m_entities.arena().get()}(entity);
                throw DxfError(m_fileName, 0, "the drawing's database refused an entity");
            }
            if (fileHandle != 0)
                m_foreign->movedHandles[fileHandle] = id.handle().value();
        }
        return id.handle().value();
    }

    const std::string& m_fileName;
    EntityPreparer& m_entities;
    DxfMendLog& m_mends;
    std::unique_ptr<AcDbDatabase> m_db;
    AcDbDatabase::Impl& m_impl;
    std::shared_ptr<DxfForeignData> m_foreign;
    std::string m_codePage = "ANSI_1252";
    bool m_utf8 = false;
    std::vector<AcDbObjectId> m_layerIds;  ///< by the preparer's layer numbers
};

/// The drawing in bytes, read from the file named fileName, its entities made by entities
/// (for a file of that size) and, when given, a second thread made before the file was read.
std::unique_ptr<AcDbDatabase> readBytes(std::shared_ptr<const DxfFileBytes> bytes,
                                        const std::string& fileName, std::vector<DxfMend>* mends,
                                        std::size_t splitFrom, EntityPreparer& entities,
                                        DxfSectionHelper* helper)
{
    DxfMendLog log(fileName);
    DxfDocument document =
        parseDxfDocument(std::move(bytes), fileName, &log, &entities, splitFrom, helper);
    repairDxfDocument(document, log);
    DrawingImporter importer(std::move(document), entities, log);
    // The room left in the arena goes back before the database grows: few entities (the
    // dimensions) are made in it later.
    entities.arena()->releaseUnused();
    std::unique_ptr<AcDbDatabase> db = importer.run();
    if (mends != nullptr)
        *mends = log.take();
    return db;
}

/// A drawing file open for reading, and its size.
struct OpenedFile {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    std::size_t size = 0;
};

/// The file at path, open. Throws DxfError when it cannot be read.
OpenedFile openFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw DxfError(path, 0, "cannot read the drawing: not a file");
    OpenedFile opened;
    opened.file.reset(std::fopen(path.c_str(), "rb"));
    if (opened.file == nullptr)
        throw DxfError(path, 0, "cannot open the drawing for reading");
    std::FILE* const file = opened.file.get();
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        throw DxfError(path, 0, "cannot read the drawing");
    opened.size = static_cast<std::size_t>(size);
    return opened;
}


}  // namespace

std::unique_ptr<AcDbDatabase> readDxf(std::string bytes, const std::string& fileName,
                                      std::vector<DxfMend>* mends, std::size_t splitFrom)
{
    EntityPreparer entities(bytes.size());
    return readBytes(std::make_shared<const DxfFileBytes>(std::move(bytes)), fileName, mends,
                     splitFrom, entities, nullptr);
}

std::unique_ptr<AcDbDatabase> readDxfFile(const std::string& path, std::vector<DxfMend>* mends)
{
    // On one processor a second thread would only wait for the first.
    const std::size_t splitFrom = std::thread::hardware_concurrency() > 1
                                      ? kDxfSplitSectionBytes
                                      : std::string_view::npos;
    const OpenedFile opened = openFile(path);
    EntityPreparer entities(opened.size);
    auto bytes = std::make_shared<DxfFileBytes>(opened.size);
    DxfFileChunks file(fileno(opened.file.get()), bytes->room(), opened.size);
    // The second thread of a file long enough to hold a section that is split is made before
    // the file is read: it reads chunks from the back while the front is read here, then makes
    // its room.
    std::unique_ptr<DxfSectionHelper> helper;
    if (opened.size >= splitFrom) {
        try {
            helper = std::make_unique<DxfSectionHelper>(entities, opened.size, &file);
        } catch (const std::system_error&) {
            // no thread to be had: the parser reads alone
        }
    }
    file.readFromFront();
    if (!file.whole())
        throw DxfError(path, 0, "cannot read the drawing");
    return readBytes(std::move(bytes), path, mends, splitFrom, entities, helper.get());
}

}  // namespace cadhost
