#include "dxf/dxf_reader.h"

#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_record_layouts.h"
#include "dxf/dxf_repair.h"
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

/// Why an entity of a modelled kind cannot be modelled: the line and the reason.
struct NotModelled {
    std::uint32_t line;
    std::string reason;
};

/// Checked access to the groups of one entity record that its layout says the host models.
class EntityFields {
public:
    EntityFields(const DxfRecord& record, const DxfRecordLayout& layout) : m_record(record)
    {
        const DxfTags& tags = record.tags;
        std::size_t end = 1;
        while (end < tags.size() && tags[end].code != 0 && tags[end].code != 1001)
            ++end;
        m_extendedData = end;
        DxfGroupWalker walker(layout, hasSubclassMarkers(tags, 0, end));
        for (std::size_t i = 1; i < end; ++i) {
            const DxfGroupPlace place = walker.next(tags[i]);
            if (place.kind == DxfGroupPlace::Kind::Group && place.modelled)
                (place.vertex >= 0 ? m_vertexGroups : m_groups).push_back(&tags[i]);
        }
    }

    const DxfRecord& record() const { return m_record; }
    /// The modelled groups of the vertices, in order.
    const std::vector<const DxfTag*>& vertexGroups() const { return m_vertexGroups; }

    [[noreturn]] void fail(std::uint32_t line, const std::string& message) const
    {
        throw NotModelled{line, message};
    }
    [[noreturn]] void fail(const std::string& message) const { fail(m_record.line(), message); }

    const DxfTag* find(int code) const
    {
        for (const DxfTag* tag : m_groups)
            if (tag->code == code)
                return tag;
        return nullptr;
    }

    double realOf(const DxfTag& tag) const
    {
        double value = 0.0;
        parseReal(tag.value, value);
        if (std::fabs(value) > kDxfCoordinateLimit)
            fail(tag.line + 1, "the value " + tag.value + " of its group " + std::to_string(tag.code) +
                                   " is too large");
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
            fail("it has no " + std::string(what) + " (group " + std::to_string(code) + ")");
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
            fail(find(code)->line + 1,
                 "its " + std::string(what) + " must be positive, not " + find(code)->value);
        return value;
    }
    AcGeVector3d extrusion() const
    {
        AcGeVector3d normal(real(210, 0.0), real(220, 0.0), real(230, 1.0));
        if (!has(210) && !has(220) && !has(230))
            return AcGeVector3d::kZAxis;
        const double length = normal.length();
        if (!(length > 1e-12) || !std::isfinite(length))
            fail("its extrusion direction (group 210) has no length");
        return normal / length;
    }
    /// The middle point of a wall from the host's extended data; false when there is none.
    bool wallMiddle(AcGePoint3d& middle) const
    {
        const DxfTags& tags = m_record.tags;
        bool inWall = false;
        for (std::size_t i = m_extendedData; i < tags.size() && tags[i].code != 0; ++i) {
            if (tags[i].code == 1001)
                inWall = tags[i].value == kWallApplication;
            else if (inWall && tags[i].code == 1011) {
                double xyz[3] = {realOf(tags[i]), 0.0, 0.0};
                if (i + 1 >= tags.size() || tags[i + 1].code != 1021)
                    fail(tags[i].line, "its wall middle point (group 1011) has no y (1021)");
                xyz[1] = realOf(tags[i + 1]);
                if (i + 2 < tags.size() && tags[i + 2].code == 1031)
                    xyz[2] = realOf(tags[i + 2]);
                middle = AcGePoint3d(xyz[0], xyz[1], xyz[2]);
                return true;
            }
        }
        return false;
    }

private:
    const DxfRecord& m_record;
    std::size_t m_extendedData = 0;
    std::vector<const DxfTag*> m_groups;
    std::vector<const DxfTag*> m_vertexGroups;
};

/// Builds the database of one document.
class DrawingImporter {
public:
    DrawingImporter(DxfDocument document, DxfMendLog& mends)
        : m_fileName(mends.fileName()), m_mends(mends), m_db(std::make_unique<AcDbDatabase>()),
          m_impl(m_db->impl()), m_foreign(std::make_shared<DxfForeignData>())
    {
        m_foreign->document = std::move(document);
        m_foreign->version = documentVersion(m_foreign->document);
        m_utf8 = isUtf8Version(m_foreign->version);
        if (const DxfTag* codePage = m_foreign->document.headerValue("$DWGCODEPAGE"))
            m_codePage = codePage->value;
    }

    std::unique_ptr<AcDbDatabase> run()
    {
        DxfDocument& document = m_foreign->document;
        m_impl.seedNextHandle(highestHandle(document) + 1);
        readTables(document);
        readHeader(document);
        std::vector<DxfRecord> entities = std::move(document.entities);
        document.entities.clear();
        m_foreign->entities.reserve(entities.size());
        for (DxfRecord& record : entities)
            readEntity(std::move(record));
        m_impl.foreignData = m_foreign;
        m_impl.forgetWrites();
        return std::move(m_db);
    }

private:
    /// The highest own handle of the file; throws for one so high that new handles above it
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
        forEachRecord(document, [&noteTag](const DxfRecord& record) {
            forEachHandle(record.tags, [&noteTag](const DxfTag& tag, DxfHandleRole role) {
                if (role == DxfHandleRole::Own)
                    noteTag(tag);
            });
        });
        if (const DxfTag* seed = document.headerValue("$HANDSEED"))
            noteTag(*seed);
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
        const SystemVariables& variables = m_impl.systemVariables();
        for (const DxfHeaderVariable& variable : document.header) {
            if (variable.values.empty() || variable.name.size() < 2 || variable.name[0] != '$')
                continue;
            const DxfTag& value = variable.values.front();
            const std::string name = variable.name.substr(1);
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
        std::string error;
        if (variables.setFromText(name, value.value, error))
            return;
        double number = 0.0;
        double minimum = 0.0;
        double maximum = 0.0;
        if (parseReal(value.value, number) && variables.rangeOf(name, minimum, maximum)) {
            const double clamped = std::min(std::max(number, minimum), maximum);
            const std::string text = variables.typeOf(name) == SystemVariables::Type::Short
                                         ? std::to_string(static_cast<long long>(clamped))
                                         : formatReal(clamped);
            std::string ignored;
            if (clamped != number && variables.setFromText(name, text, ignored)) {
                m_mends.record(DxfMendKind::ValueClamped, value.line + 1,
                               "$" + name + " " + value.value + " is out of range; " + text +
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
                           "$DIMDSEP " + value.value +
                               " is not the code of a character; the host's separator stays");
    }

    std::u16string decoded(const std::string& value) const
    {
        return decodeDxfText(value, m_codePage);
    }

    void readEntity(DxfRecord record)
    {
        DxfEntitySlot slot;
        const std::string& type = record.type();
        const DxfRecordLayout* layout = modelledLayoutOf(type);
        long long space = 0;
        if (const DxfTag* paper = record.find(67))
            parseInteger(paper->value, space);
        long long dimensionType = 0;
        if (const DxfTag* flags = record.find(70); flags != nullptr && type == "DIMENSION")
            parseInteger(flags->value, dimensionType);
        const bool modelledKind = layout != nullptr && space == 0 &&
                                  (type != "DIMENSION" || (dimensionType & 0x0F) == 5);
        if (modelledKind) {
            try {
                const EntityFields fields(record, *layout);
                // A dimension whose type is in a subclass of another name is carried.
                if (AcDbEntity* entity = makeEntity(fields)) {
                    entity->setLayer(m_impl.layerIdCreating(decoded(fields.string(8, "0"))));
                    slot.modelHandle = append(entity, record.handle());
                }
            } catch (const NotModelled& why) {
                m_mends.record(DxfMendKind::EntityCarried, why.line,
                               "the " + type + " is kept as it is but not modelled: " + why.reason);
            }
        }
        slot.record = std::move(record);
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
        unsigned count = 0;
        bool haveY = true;
        double x = 0.0;
        double y = 0.0;
        double bulge = 0.0;
        std::uint32_t vertexLine = 0;
        const auto flush = [&]() {
            if (count == 0)
                return;
            if (!haveY)
                fields.fail(vertexLine, "a vertex has no y (group 20)");
            polyline->addVertexAt(count - 1, AcGePoint2d(x, y), bulge);
        };
        for (const DxfTag* tag : fields.vertexGroups()) {
            switch (tag->code) {
            case 10:
                flush();
                ++count;
                x = fields.realOf(*tag);
                haveY = false;
                bulge = 0.0;
                vertexLine = tag->line;
                break;
            case 20:
                y = fields.realOf(*tag);
                haveY = true;
                break;
            case 42:
                bulge = fields.realOf(*tag);
                break;
            default:
                break;
            }
        }
        flush();
        if (count == 0)
            fields.fail("it has no vertices");
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
        return dimension.release();
    }

    const std::string& m_fileName;
    DxfMendLog& m_mends;
    std::unique_ptr<AcDbDatabase> m_db;
    AcDbDatabase::Impl& m_impl;
    std::shared_ptr<DxfForeignData> m_foreign;
    std::string m_codePage = "ANSI_1252";
    bool m_utf8 = false;
};

}  // namespace

std::unique_ptr<AcDbDatabase> readDxf(const std::string& bytes, const std::string& fileName,
                                      std::vector<DxfMend>* mends)
{
    DxfMendLog log(fileName);
    DxfDocument document = parseDxfDocument(readDxfTags(bytes, fileName, &log), fileName);
    repairDxfDocument(document, log);
    std::unique_ptr<AcDbDatabase> db = DrawingImporter(std::move(document), log).run();
    if (mends != nullptr)
        *mends = log.take();
    return db;
}

std::unique_ptr<AcDbDatabase> readDxfFile(const std::string& path, std::vector<DxfMend>* mends)
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
    return readDxf(bytes, path, mends);
}

}  // namespace cadhost
