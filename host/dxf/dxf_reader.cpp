#include "dxf/dxf_reader.h"

#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_text.h"
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace cadhost {

namespace {

constexpr double kPi = 3.141592653589793;
/// Handles above this leave too few for the objects a session and the writer add.
constexpr std::uint64_t kHighestFileHandle = 0xFFFFFFFFFFFFull;

/// The groups of a modelled entity the host does not model but keeps with it (43: a
/// polyline's constant width).
bool isKeptEntityCode(int code)
{
    switch (code) {
    case 6: case 39: case 43: case 48: case 60: case 62: case 284: case 347: case 370: case 390:
    case 420: case 430: case 440:
        return true;
    default:
        return false;
    }
}

/// Checked access to the groups of one entity record.
class EntityFields {
public:
    EntityFields(const DxfRecord& record, const std::string& fileName)
        : m_record(record), m_fileName(fileName)
    {
        const DxfTags& tags = record.tags;
        m_ownEnd = tags.size();
        for (std::size_t i = 1; i < tags.size(); ++i)
            if (tags[i].code == 1001 || tags[i].code == 0) {
                m_ownEnd = i;
                break;
            }
    }

    const DxfRecord& record() const { return m_record; }
    std::size_t ownEnd() const { return m_ownEnd; }

    [[noreturn]] void fail(std::uint32_t line, const std::string& message) const
    {
        throw DxfError(m_fileName, line, message);
    }
    [[noreturn]] void fail(const std::string& message) const { fail(m_record.line(), message); }

    const DxfTag* find(int code) const
    {
        for (std::size_t i = 1; i < m_ownEnd; ++i)
            if (m_record.tags[i].code == code)
                return &m_record.tags[i];
        return nullptr;
    }

    double realOf(const DxfTag& tag) const
    {
        double value = 0.0;
        parseReal(tag.value, value);
        if (std::fabs(value) > kDxfCoordinateLimit)
            fail(tag.line + 1, "the value " + tag.value + " of group " + std::to_string(tag.code) +
                               " of the " + m_record.type() + " is too large");
        return value;
    }
    double real(int code, double fallback) const
    {
        const DxfTag* tag = find(code);
        return tag == nullptr ? fallback : realOf(*tag);
    }
    double requiredReal(int code, const char* what) const
    {
        const DxfTag* tag = find(code);
        if (tag == nullptr)
            fail("the " + m_record.type() + " has no " + what + " (group " +
                 std::to_string(code) + ")");
        return realOf(*tag);
    }
    long long integer(int code, long long fallback) const
    {
        const DxfTag* tag = find(code);
        long long value = fallback;
        if (tag != nullptr)
            parseInteger(tag->value, value);
        return value;
    }
    std::string string(int code, const std::string& fallback) const
    {
        const DxfTag* tag = find(code);
        return tag == nullptr ? fallback : tag->value;
    }
    bool has(int code) const { return find(code) != nullptr; }
    AcGePoint3d point(int code, const char* what) const
    {
        return AcGePoint3d(requiredReal(code, what), requiredReal(code + 10, what),
                           real(code + 20, 0.0));
    }
    double positive(int code, const char* what) const
    {
        const double value = requiredReal(code, what);
        if (!(value > 0.0))
            fail(find(code)->line + 1, "the " + std::string(what) + " of the " + m_record.type() +
                                       " must be positive, not " + find(code)->value);
        return value;
    }
    AcGeVector3d extrusion() const
    {
        AcGeVector3d normal(real(210, 0.0), real(220, 0.0), real(230, 1.0));
        if (!has(210) && !has(220) && !has(230))
            return AcGeVector3d::kZAxis;
        const double length = normal.length();
        if (!(length > 1e-12) || !std::isfinite(length))
            fail("the extrusion direction (group 210) of the " + m_record.type() +
                 " has no length");
        return normal / length;
    }
    /// The middle point of a wall from the host's extended data; false when there is none.
    bool wallMiddle(AcGePoint3d& middle) const
    {
        const DxfTags& tags = m_record.tags;
        bool inWall = false;
        for (std::size_t i = m_ownEnd; i < tags.size() && tags[i].code != 0; ++i) {
            if (tags[i].code == 1001)
                inWall = tags[i].value == kWallApplication;
            else if (inWall && tags[i].code == 1011) {
                double xyz[3] = {realOf(tags[i]), 0.0, 0.0};
                if (i + 1 >= tags.size() || tags[i + 1].code != 1021)
                    fail(tags[i].line, "the wall's middle point (group 1011) has no y (1021)");
                xyz[1] = realOf(tags[i + 1]);
                if (i + 2 < tags.size() && tags[i + 2].code == 1031)
                    xyz[2] = realOf(tags[i + 2]);
                middle = AcGePoint3d(xyz[0], xyz[1], xyz[2]);
                return true;
            }
        }
        return false;
    }
    /// What the host keeps of a modelled entity besides its geometry.
    DxfRecord keptGroups() const
    {
        DxfRecord kept;
        const DxfTags& tags = m_record.tags;
        kept.tags.push_back(tags.front());
        for (std::size_t i = 1; i < m_ownEnd; ++i) {
            if (tags[i].code == 102 && !tags[i].value.empty() && tags[i].value[0] == '{') {
                for (; i < m_ownEnd; ++i) {
                    kept.tags.push_back(tags[i]);
                    if (tags[i].code == 102 && tags[i].value == "}")
                        break;
                }
            } else if (isKeptEntityCode(tags[i].code)) {
                kept.tags.push_back(tags[i]);
            }
        }
        bool inWall = false;
        for (std::size_t i = m_ownEnd; i < tags.size() && tags[i].code != 0; ++i) {
            if (tags[i].code == 1001)
                inWall = tags[i].value == kWallApplication;
            if (!inWall)
                kept.tags.push_back(tags[i]);
        }
        return kept;
    }

private:
    const DxfRecord& m_record;
    const std::string& m_fileName;
    std::size_t m_ownEnd;
};

/// Builds the database of one document.
class DrawingImporter {
public:
    DrawingImporter(DxfDocument document, const std::string& fileName)
        : m_fileName(fileName), m_db(std::make_unique<AcDbDatabase>()), m_impl(m_db->impl()),
          m_foreign(std::make_shared<DxfForeignData>())
    {
        m_foreign->document = std::move(document);
        m_foreign->version = documentVersion(m_foreign->document);
        if (const DxfHeaderVariable* codePage = m_foreign->document.headerVariable("$DWGCODEPAGE"))
            m_codePage = codePage->values.front().value;
    }

    std::unique_ptr<AcDbDatabase> run()
    {
        DxfDocument& document = m_foreign->document;
        m_impl.seedNextHandle(highestHandle(document) + 1);
        readTables(document);
        readHeader(document);
        std::vector<DxfRecord> entities = std::move(document.entities);
        document.entities.clear();
        for (DxfRecord& record : entities)
            readEntity(std::move(record));
        dropRedrawnBlocks(document);
        m_impl.foreignData = m_foreign;
        return std::move(m_db);
    }

private:
    /// The highest handle of the file; throws for one so high that new handles above it
    /// would run out.
    std::uint64_t highestHandle(const DxfDocument& document) const
    {
        std::uint64_t highest = 0;
        const auto noteTag = [this, &highest](const DxfTag& tag) {
            std::uint64_t value = 0;
            if (!parseHandle(tag.value, value))
                return;
            if (value > kHighestFileHandle)
                throw DxfError(m_fileName, tag.line + 1, "the handle " + tag.value + " is too large");
            highest = std::max(highest, value);
        };
        const auto note = [&noteTag](const DxfRecord& record) {
            const int handleCode = record.handleCode();
            for (const DxfTag& tag : record.tags)
                if (tag.code == handleCode)
                    noteTag(tag);
        };
        for (const DxfTable& table : document.tables) {
            note(table.head);
            for (const DxfRecord& entry : table.entries)
                note(entry);
        }
        for (const DxfBlock& block : document.blocks) {
            note(block.begin);
            note(block.end);
            for (const DxfRecord& entity : block.entities)
                note(entity);
        }
        for (const DxfRecord& record : document.entities)
            note(record);
        for (const DxfRecord& record : document.objects)
            note(record);
        if (const DxfHeaderVariable* seed = document.headerVariable("$HANDSEED"))
            noteTag(seed->values.front());
        return highest;
    }

    void readTables(const DxfDocument& document)
    {
        if (const DxfTable* layers = document.table("LAYER"))
            for (const DxfRecord& entry : layers->entries)
                if (const DxfTag* name = entry.find(2))
                    m_impl.layerIdCreating(decoded(name->value));
        if (const DxfTable* styles = document.table("DIMSTYLE"))
            for (const DxfRecord& entry : styles->entries)
                if (const DxfTag* name = entry.find(2))
                    m_impl.addDimStyle(decoded(name->value));
    }

    void readHeader(const DxfDocument& document)
    {
        static const char* const kModelled[] = {"LUPREC", "DIMZIN", "DIMLFAC", "DIMDSEP",
                                                "DIMDEC", "DIMRND", "INSUNITS"};
        SystemVariables& variables = m_impl.systemVariables();
        for (const DxfHeaderVariable& variable : document.header) {
            const DxfTag& value = variable.values.front();
            const std::string name = variable.name.substr(1);
            if (variable.name == "$CLAYER") {
                m_impl.setCurrentLayer(m_impl.layerIdCreating(decoded(value.value)));
                continue;
            }
            if (variable.name == "$DIMSTYLE") {
                const AcDbObjectId style = m_impl.dimStyleId(decoded(value.value));
                if (!style.isNull())
                    m_impl.setCurrentDimStyle(style);
                continue;
            }
            if (std::find(std::begin(kModelled), std::end(kModelled), name) ==
                    std::end(kModelled) ||
                !variables.isKnown(name))
                continue;
            std::string text = value.value;
            if (name == "DIMDSEP" && variables.typeOf(name) == SystemVariables::Type::String) {
                long long code = 0;
                parseInteger(value.value, code);
                if (code == 0)
                    continue;  // no separator chosen: the host's stays
                if (code < 0 || code > 126)
                    throw DxfError(m_fileName, value.line + 1,
                                   "$DIMDSEP is not the code of a character: " + value.value);
                text = std::string(1, static_cast<char>(code));
            }
            std::string error;
            if (!variables.setFromText(name, text, error))
                throw DxfError(m_fileName, value.line + 1,
                               "the value of " + variable.name + " is not accepted: " + error);
        }
    }

    std::u16string decoded(const std::string& value) const
    {
        return decodeDxfText(value, m_codePage);
    }

    AcDbObjectId layerOf(const EntityFields& fields)
    {
        return m_impl.layerIdCreating(decoded(fields.string(8, "0")));
    }

    void readEntity(DxfRecord record)
    {
        EntityFields fields(record, m_fileName);
        AcDbEntity* entity = fields.integer(67, 0) != 0 ? nullptr : makeEntity(fields);
        DxfEntitySlot slot;
        if (entity == nullptr) {
            slot.record = std::move(record);
            m_foreign->entities.push_back(std::move(slot));
            return;
        }
        entity->setLayer(layerOf(fields));
        slot.modelHandle = append(entity, record.handle());
        slot.record = fields.keptGroups();
        m_foreign->entities.push_back(std::move(slot));
    }

    std::uint64_t append(AcDbEntity* entity, std::uint64_t fileHandle)
    {
        AcDbObjectId id;
        Acad::ErrorStatus status = Acad::eInvalidInput;
        if (fileHandle != 0)
            status = m_impl.appendEntityWithHandle(entity, AcDbHandle(fileHandle), id);
        if (status != Acad::eOk) {
            status = m_impl.appendEntity(entity, id);
            if (status != Acad::eOk) {
                delete entity;
                throw DxfError(m_fileName, 0, "the drawing's database refused an entity");
            }
            if (fileHandle != 0)
                m_foreign->movedHandles[fileHandle] = id.handle().value();
        }
        entity->close();
        return id.handle().value();
    }

    /// The host entity for a record it models; null for one it carries as it is.
    AcDbEntity* makeEntity(const EntityFields& fields)
    {
        const std::string& type = fields.record().type();
        if (type == "POINT")
            return new AcDbPoint(fields.point(10, "location"));
        if (type == "LINE") {
            const AcGePoint3d start = fields.point(10, "start point");
            const AcGePoint3d end = fields.point(11, "end point");
            AcGePoint3d middle;
            if (fields.wallMiddle(middle))
                return makeWall(start, middle, end, AcGeLineSeg3d(start, end).closestPointTo(middle));
            const AcGeVector3d normal = fields.extrusion();
            auto* line = new AcDbLine(start, end);
            line->setNormal(normal);
            return line;
        }
        if (type == "CIRCLE" || type == "ARC") {
            const AcGeVector3d normal = fields.extrusion();
            AcGePoint3d center = fields.point(10, "centre");
            center.transformBy(AcGeMatrix3d::planeToWorld(normal));
            const double radius = fields.positive(40, "radius");
            if (type == "CIRCLE")
                return new AcDbCircle(center, normal, radius);
            const double start = fields.requiredReal(50, "start angle") * kPi / 180.0;
            const double end = fields.requiredReal(51, "end angle") * kPi / 180.0;
            auto arc = std::make_unique<AcDbArc>(center, normal, radius, start, end);
            AcGePoint3d middle;
            if (!fields.wallMiddle(middle))
                return arc.release();
            const AcGeCircArc3d baseline = arc->geArc();
            return makeWall(baseline.startPoint(), middle, baseline.endPoint(),
                            baseline.closestPointTo(middle));
        }
        if (type == "LWPOLYLINE")
            return makePolyline(fields);
        if (type == "DIMENSION" && (fields.integer(70, 0) & 0x0F) == 5)
            return makeAngularDimension(fields);
        return nullptr;
    }

    /// A wall along its baseline; the stored middle point when it lies on the baseline,
    /// otherwise the nearest baseline point to it (the baseline was edited elsewhere).
    static AcDbEntity* makeWall(const AcGePoint3d& start, const AcGePoint3d& middle,
                                const AcGePoint3d& end, const AcGePoint3d& onBaseline)
    {
        const double tolerance = 1e-9 * std::max(1.0, start.distanceTo(end));
        return new AecDbWall(start, middle.distanceTo(onBaseline) <= tolerance ? middle : onBaseline,
                             end);
    }

    AcDbEntity* makePolyline(const EntityFields& fields)
    {
        auto polyline = std::make_unique<AcDbPolyline>();
        const DxfTags& tags = fields.record().tags;
        unsigned count = 0;
        bool haveY = true;
        double x = 0.0;
        double y = 0.0;
        double bulge = 0.0;
        double startWidth = -1.0;
        double endWidth = -1.0;
        std::uint32_t vertexLine = 0;
        const auto flush = [&]() {
            if (count == 0)
                return;
            if (!haveY)
                fields.fail(vertexLine, "a vertex of the LWPOLYLINE has no y (group 20)");
            polyline->addVertexAt(count - 1, AcGePoint2d(x, y), bulge, startWidth, endWidth);
        };
        for (std::size_t i = 1; i < fields.ownEnd(); ++i) {
            const DxfTag& tag = tags[i];
            switch (tag.code) {
            case 10:
                flush();
                ++count;
                x = fields.realOf(tag);
                haveY = false;
                bulge = 0.0;
                startWidth = endWidth = -1.0;
                vertexLine = tag.line;
                break;
            case 20:
                y = fields.realOf(tag);
                haveY = true;
                break;
            case 40:
                startWidth = fields.realOf(tag);
                break;
            case 41:
                endWidth = fields.realOf(tag);
                break;
            case 42:
                bulge = fields.realOf(tag);
                break;
            default:
                break;
            }
        }
        flush();
        if (count == 0)
            fields.fail("the LWPOLYLINE has no vertices");
        polyline->setClosed((fields.integer(70, 0) & 1) != 0);
        polyline->setElevation(fields.real(38, 0.0));
        polyline->setNormal(fields.extrusion());
        return polyline.release();
    }

    AcDbEntity* makeAngularDimension(const EntityFields& fields)
    {
        const AcGePoint3d arcPoint = fields.point(10, "dimension arc location");
        const AcGePoint3d xLine1 = fields.point(13, "first extension line point");
        const AcGePoint3d xLine2 = fields.point(14, "second extension line point");
        const AcGePoint3d center = fields.point(15, "vertex");
        const std::u16string text = decoded(fields.string(1, ""));
        const std::u16string styleName = decoded(fields.string(3, "Standard"));
        AcDbObjectId style = m_impl.dimStyleId(styleName);
        if (style.isNull())
            style = m_impl.addDimStyle(styleName);
        auto dimension = std::make_unique<AcDb3PointAngularDimension>(
            center, xLine1, xLine2, arcPoint, text.c_str(), style);
        const AcGeVector3d normal = fields.extrusion();
        dimension->setNormal(normal);
        if (fields.has(11)) {
            AcGePoint3d textPosition = fields.point(11, "text position");
            dimension->setElevation(textPosition.z);
            if ((fields.integer(70, 0) & 128) != 0) {
                textPosition.transformBy(AcGeMatrix3d::planeToWorld(normal));
                dimension->setTextPosition(textPosition);
            }
        } else {
            AcGePoint3d inPlane = arcPoint;
            inPlane.transformBy(AcGeMatrix3d::worldToPlane(normal));
            dimension->setElevation(inPlane.z);
        }
        if (fields.has(2))
            m_redrawnBlocks.push_back(fields.string(2, ""));
        return dimension.release();
    }

    /// Removes the blocks (and their block records) of the dimensions the host redraws.
    void dropRedrawnBlocks(DxfDocument& document)
    {
        if (m_redrawnBlocks.empty())
            return;
        std::sort(m_redrawnBlocks.begin(), m_redrawnBlocks.end());
        const auto redrawn = [this](const std::string& name) {
            return std::binary_search(m_redrawnBlocks.begin(), m_redrawnBlocks.end(), name);
        };
        const auto drop = [this](const DxfRecord& record) {
            for (const DxfTag& tag : record.tags)
                if (tag.code == 5) {
                    std::uint64_t value = 0;
                    if (parseHandle(tag.value, value))
                        m_foreign->droppedHandles.insert(value);
                }
        };
        std::vector<DxfBlock> kept;
        for (DxfBlock& block : document.blocks) {
            if (!redrawn(block.name)) {
                kept.push_back(std::move(block));
                continue;
            }
            drop(block.begin);
            drop(block.end);
            for (const DxfRecord& entity : block.entities)
                drop(entity);
        }
        document.blocks = std::move(kept);
        if (DxfTable* records = document.table("BLOCK_RECORD")) {
            std::vector<DxfRecord> entries;
            for (DxfRecord& entry : records->entries) {
                const DxfTag* name = entry.find(2);
                if (name != nullptr && redrawn(name->value))
                    drop(entry);
                else
                    entries.push_back(std::move(entry));
            }
            records->entries = std::move(entries);
        }
    }

    const std::string& m_fileName;
    std::unique_ptr<AcDbDatabase> m_db;
    AcDbDatabase::Impl& m_impl;
    std::shared_ptr<DxfForeignData> m_foreign;
    std::string m_codePage = "ANSI_1252";
    std::vector<std::string> m_redrawnBlocks;
};

}  // namespace

std::unique_ptr<AcDbDatabase> importDxfDocument(DxfDocument document, const std::string& fileName)
{
    return DrawingImporter(std::move(document), fileName).run();
}

std::unique_ptr<AcDbDatabase> readDxf(const std::string& bytes, const std::string& fileName)
{
    return importDxfDocument(parseDxfDocument(readDxfTags(bytes, fileName), fileName), fileName);
}

std::unique_ptr<AcDbDatabase> readDxfFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw DxfError(path, 0, "cannot read the drawing: not a file");
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw DxfError(path, 0, "cannot open the drawing for reading");
    const std::streamoff size = in.tellg();
    if (size < 0)
        throw DxfError(path, 0, "cannot read the drawing");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        throw DxfError(path, 0, "cannot read the drawing");
    return readDxf(bytes, path);
}

}  // namespace cadhost
