#include "dxf/dxf_entity_reader.h"

#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_text.h"
#include "geometry/tolerance.h"
#include <algorithm>
#include <cmath>

namespace cadhost {

namespace {

/// Checked access to the groups of one entity record that its layout says the host models.
class EntityFields {
public:
    EntityFields(const DxfTags& tags, const double* numbers, std::uint32_t line,
                 const DxfRecordLayout& layout, std::vector<const DxfTag*>& groups,
                 std::vector<const DxfTag*>& vertexGroups, std::vector<const DxfTag*>& extendedData)
        : m_type(tags.front().value), m_line(line), m_tags(tags.data()), m_numbers(numbers),
          m_groups(groups), m_vertexGroups(vertexGroups), m_extendedData(extendedData)
    {
        m_groups.clear();
        m_vertexGroups.clear();
        m_extendedData.clear();
        std::size_t end = 1;
        bool markers = false;
        while (end < tags.size() && tags[end].code != 0 && tags[end].code != 1001) {
            markers = markers || tags[end].code == 100;
            ++end;
        }
        DxfGroupWalker walker(layout, markers);
        for (std::size_t i = 1; i < end; ++i) {
            const DxfGroupPlace place = walker.next(tags[i]);
            if (place.kind == DxfGroupPlace::Kind::Group && place.modelled)
                (place.vertex >= 0 ? m_vertexGroups : m_groups).push_back(&tags[i]);
        }
        // The extended data as the repair pass leaves it: without pointers that hold nothing.
        std::uint64_t handle = 0;
        for (std::size_t i = end; i < tags.size() && tags[i].code != 0; ++i)
            if (tags[i].code != 1005 || parseHandle(tags[i].value, handle))
                m_extendedData.push_back(&tags[i]);
    }

    std::string_view type() const { return m_type; }
    /// The modelled groups of the vertices, in order.
    const std::vector<const DxfTag*>& vertexGroups() const { return m_vertexGroups; }

    [[noreturn]] void fail(std::uint32_t line, const std::string& message) const
    {
        throw DxfNotModelled{line, message};
    }
    [[noreturn]] void fail(const std::string& message) const { fail(m_line, message); }

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
        if (m_numbers != nullptr && valueKindOf(tag.code) == DxfValueKind::Real)
            value = m_numbers[&tag - m_tags];
        else
            parseReal(tag.value, value);
        if (std::fabs(value) > kDxfCoordinateLimit)
            fail(tag.line + 1, "the value " + std::string(tag.value) + " of its group " +
                                   std::to_string(tag.code) + " is too large");
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
    std::string_view string(int code, std::string_view fallback) const
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
                 "its " + std::string(what) + " must be positive, not " + std::string(find(code)->value));
        return value;
    }
    AcGeVector3d extrusion() const
    {
        if (!has(210) && !has(220) && !has(230))
            return AcGeVector3d::kZAxis;
        AcGeVector3d normal(real(210, 0.0), real(220, 0.0), real(230, 1.0));
        const double length = normal.length();
        if (!(length > 1e-12) || !std::isfinite(length))
            fail("its extrusion direction (group 210) has no length");
        return normal / length;
    }
    /// The middle point of a wall from the host's extended data; false when there is none.
    bool wallMiddle(AcGePoint3d& middle) const
    {
        const std::vector<const DxfTag*>& tags = m_extendedData;
        bool inWall = false;
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (tags[i]->code == 1001)
                inWall = tags[i]->value == kWallApplication;
            else if (inWall && tags[i]->code == 1011) {
                double xyz[3] = {realOf(*tags[i]), 0.0, 0.0};
                if (i + 1 >= tags.size() || tags[i + 1]->code != 1021)
                    fail(tags[i]->line, "its wall middle point (group 1011) has no y (1021)");
                xyz[1] = realOf(*tags[i + 1]);
                if (i + 2 < tags.size() && tags[i + 2]->code == 1031)
                    xyz[2] = realOf(*tags[i + 2]);
                middle = AcGePoint3d(xyz[0], xyz[1], xyz[2]);
                return true;
            }
        }
        return false;
    }

private:
    std::string_view m_type;
    std::uint32_t m_line;
    const DxfTag* m_tags;     ///< the record's groups
    const double* m_numbers;  ///< their values as reals, or null
    std::vector<const DxfTag*>& m_groups;
    std::vector<const DxfTag*>& m_vertexGroups;
    std::vector<const DxfTag*>& m_extendedData;
};

/// A wall along its baseline; the stored middle point when it lies on the baseline,
/// otherwise the nearest baseline point to it (the baseline was edited elsewhere).
DxfReadEntity makeWall(ObjectArena* arena, const AcGePoint3d& start, const AcGePoint3d& middle,
                       const AcGePoint3d& end, const AcGePoint3d& onBaseline)
{
    const double tolerance = 1e-9 * std::max(1.0, start.distanceTo(end));
    return makeObject<AecDbWall>(
        arena, start, middle.distanceTo(onBaseline) <= tolerance ? middle : onBaseline, end);
}

DxfReadEntity makePolyline(ObjectArena* arena, const EntityFields& fields)
{
    const auto vertices = std::count_if(fields.vertexGroups().begin(), fields.vertexGroups().end(),
                                        [](const DxfTag* tag) { return tag->code == 10; });
    // A drawing's polylines keep their vertices beside them in the arena, not each in a heap
    // block of its own.
    std::pmr::memory_resource* const vertexMemory =
        arena != nullptr ? arena : std::pmr::get_default_resource();
    auto polyline = makeObject<AcDbPolyline>(arena, static_cast<unsigned>(vertices), vertexMemory);
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
    return polyline;
}

DxfReadEntity makeAngularDimension(ObjectArena* arena, const EntityFields& fields,
                                   const DxfEntityReader::DimensionContext& context)
{
    const AcGePoint3d arcPoint = fields.point(10, "dimension arc location");
    const AcGePoint3d xLine1 = fields.point(13, "first extension line point");
    const AcGePoint3d xLine2 = fields.point(14, "second extension line point");
    const AcGePoint3d center = fields.point(15, "vertex");
    const std::u16string text = decodeDxfText(fields.string(1, ""), context.codePage);
    const std::u16string styleName = decodeDxfText(fields.string(3, "Standard"), context.codePage);
    AcDbObjectId style = context.impl->dimStyleId(styleName);
    if (style.isNull())
        style = context.impl->addDimStyle(styleName);
    auto dimension = makeObject<AcDb3PointAngularDimension>(arena, center, xLine1, xLine2,
                                                            arcPoint, text.c_str(), style);
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
    return dimension;
}

}  // namespace

DxfReadEntity DxfEntityReader::read(const DxfTags& tags, const double* numbers,
                                    std::uint32_t line, const DxfRecordLayout& layout,
                                    const DimensionContext* dimensions, std::string_view& layer)
{
    const EntityFields fields(tags, numbers, line, layout, m_groups, m_vertexGroups,
                              m_extendedData);
    const std::string_view type = fields.type();
    layer = fields.string(8, "0");
    if (type == "POINT")
        return makeObject<AcDbPoint>(m_arena, fields.point(10, "location"));
    if (type == "LINE") {
        const AcGePoint3d start = fields.point(10, "start point");
        const AcGePoint3d end = fields.point(11, "end point");
        AcGePoint3d middle;
        if (fields.wallMiddle(middle))
            return makeWall(m_arena, start, middle, end, AcGeLineSeg3d(start, end).closestPointTo(middle));
        const AcGeVector3d normal = fields.extrusion();
        auto line = makeObject<AcDbLine>(m_arena, start, end);
        line->setNormal(normal);
        return line;
    }
    if (type == "CIRCLE" || type == "ARC") {
        const AcGeVector3d normal = fields.extrusion();
        AcGePoint3d center = fields.point(10, "centre");
        center.transformBy(AcGeMatrix3d::planeToWorld(normal));
        const double radius = fields.positive(40, "radius");
        if (type == "CIRCLE")
            return makeObject<AcDbCircle>(m_arena, center, normal, radius);
        const double start = fields.requiredReal(50, "start angle") * kPi / 180.0;
        const double end = fields.requiredReal(51, "end angle") * kPi / 180.0;
        auto arc = makeObject<AcDbArc>(m_arena, center, normal, radius, start, end);
        AcGePoint3d middle;
        if (!fields.wallMiddle(middle))
            return arc;
        const AcGeCircArc3d baseline = arc->geArc();
        return makeWall(m_arena, baseline.startPoint(), middle, baseline.endPoint(),
                        baseline.closestPointTo(middle));
    }
    if (type == "LWPOLYLINE")
        return makePolyline(m_arena, fields);
    if (type == "DIMENSION" && dimensions != nullptr && (fields.integer(70, 0) & 0x0F) == 5)
        return makeAngularDimension(m_arena, fields, *dimensions);
    return nullptr;
}

}  // namespace cadhost
