// The modelled entities of a drawing written: as read, or anew from the model with the groups
// the host keeps of them, and the block of graphics of each dimension written anew.
#include "dxf/dxf_drawing_writer.h"

#include "acedads.h"
#include "database/aec_wall.h"
#include "database/object_state.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dimension_graphics.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_record_layouts.h"
#include "dxf/dxf_text.h"
#include "geometry/tolerance.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace cadhost {

namespace {

double degrees(double radians)
{
    double value = std::fmod(radians * 180.0 / kPi, 360.0);
    return value < 0.0 ? value + 360.0 : value;
}

/// The sizes of a dimension style: from its table record, where it leaves one out from the
/// drawing's header variable ($DIMTXT and so on), as CAD programs take them.
DimensionStyleSizes sizesOf(const DxfRecord* style, const DxfDocument& document)
{
    DimensionStyleSizes sizes;
    const auto valueOf = [style, &document](int code, const char* variable) -> std::optional<DxfTag> {
        std::optional<DxfTag> tag = style == nullptr ? std::nullopt : style->find(code);
        if (tag)
            return tag;
        const DxfTag* header = document.headerValue(variable);
        return header == nullptr ? std::nullopt : std::optional<DxfTag>(*header);
    };
    const auto real = [&valueOf](int code, const char* variable, double& value) {
        if (const auto tag = valueOf(code, variable))
            parseReal(tag->value, value);
    };
    real(41, "$DIMASZ", sizes.arrowSize);
    real(140, "$DIMTXT", sizes.textHeight);
    real(42, "$DIMEXO", sizes.extensionOffset);
    real(44, "$DIMEXE", sizes.extensionBeyond);
    real(147, "$DIMGAP", sizes.textGap);
    real(40, "$DIMSCALE", sizes.scale);
    long long value = 0;
    if (const auto tag = valueOf(77, "$DIMTAD"); tag && parseInteger(tag->value, value))
        sizes.textAbove = value != 0;
    if (const auto tag = valueOf(179, "$DIMADEC"); tag && parseInteger(tag->value, value))
        sizes.angularDecimals = static_cast<int>(value);
    return sizes;
}

/// Throws unless every real of tags is a finite number: a drawing file holds no other, and
/// the host must not write one it cannot read.
void requireFinite(const DxfTags& tags, const AcDbEntity& entity)
{
    double value = 0.0;
    for (const DxfTag& tag : tags)
        if (valueKindOf(tag.code) == DxfValueKind::Real && !parseReal(tag.value, value))
            throw DxfError("entity " + formatHandle(entity.handle().value()), 0,
                           "its geometry is not finite (group " + std::to_string(tag.code) + ")");
}

}  // namespace

DimensionBlockStyle DrawingWriter::blockStyle(const std::u16string& styleName)
{
    ensureTables();
    addHostDimensionStyles();
    return {sizesOf(dimensionStyleRecord(styleName), m_document), decimalSeparator()};
}

std::string_view DrawingWriter::layerValue(const std::u16string& name)
{
    if (m_layerValues.empty())
        for (const DxfRecord& entry : table("LAYER").entries)
            if (const auto entryName = entry.find(2))
                m_layerValues.emplace(nameKey(entryName->value), entryName->value);
    const auto found = m_layerValues.find(upperCase(name));
    return found != m_layerValues.end() ? found->second : m_texts.keep(text(name));
}

RecordBuilder DrawingWriter::entityHead(const char* type, const AcDbEntity& entity)
{
    RecordBuilder record(m_texts, type);
    record.handle(5, entity.handle().value()).handle(330, m_modelSpace).add(100, "AcDbEntity")
        .add(8, layerValue(entity.layer()));
    return record;
}

AcGePoint3d DrawingWriter::inPlane(AcGePoint3d point, const AcGeVector3d& normal)
{
    return point.transformBy(AcGeMatrix3d::worldToPlane(normal));
}

const DxfRecord& DrawingWriter::newDimensionGroups()
{
    static DxfTextStore texts;
    static const DxfRecord groups = RecordBuilder(texts, "DIMENSION")
                                        .add(100, "AcDbEntity").add(100, "AcDbDimension")
                                        .integer(70, 32).integer(71, 5).integer(72, 1)
                                        .real(41, 1.0).build();
    return groups;
}

DxfRecord DrawingWriter::entityRecord(const AcDbEntity& entity, const DxfRecord* original)
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
    requireFinite(modelled, entity);
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

DxfTags DrawingWriter::modelledGroups(const AcDbEntity& entity, const DxfKeptGroups& kept,
                                      const DxfRecord* original)
{
    if (const AcDbPoint* point = AcDbPoint::cast(&entity))
        return entityHead("POINT", entity).add(100, "AcDbPoint").point(10, point->position()).tags();
    if (const AcDbLine* line = AcDbLine::cast(&entity))
        return entityHead("LINE", entity).add(100, "AcDbLine").point(10, line->startPoint())
            .point(11, line->endPoint()).extrusion(line->normal(), kept.had(210)).tags();
    if (const AcDbArc* arc = AcDbArc::cast(&entity)) {
        RecordBuilder record = entityHead("ARC", entity);
        circleBody(record, arc->center(), arc->normal(), arc->radius(), kept.had(210));
        record.add(100, "AcDbArc").real(50, degrees(arc->startAngle())).real(51, degrees(arc->endAngle()));
        return record.tags();
    }
    if (const AcDbCircle* circle = AcDbCircle::cast(&entity)) {
        RecordBuilder record = entityHead("CIRCLE", entity);
        circleBody(record, circle->center(), circle->normal(), circle->radius(), kept.had(210));
        return record.tags();
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

DxfTags DrawingWriter::polylineGroups(const AcDbPolyline& polyline, const DxfKeptGroups& kept,
                                      const DxfRecord* original)
{
    // The flags the host does not model (128: linetype pattern along the whole polyline)
    // stay as read.
    long long flags = 0;
    if (const auto read = original == nullptr ? std::nullopt : original->find(70))
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
    return record.tags();
}

void DrawingWriter::circleBody(RecordBuilder& record, const AcGePoint3d& center, const AcGeVector3d& normal,
                               double radius, bool extrusionRead)
{
    record.add(100, "AcDbCircle").point(10, inPlane(center, normal)).real(40, radius)
        .extrusion(normal, extrusionRead);
}

DxfTags DrawingWriter::wallGroups(const AecDbWall& wall, const DxfKeptGroups& kept)
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
    return record.tags();
}

std::string DrawingWriter::nextDimensionBlockName()
{
    if (!m_blockNamesKnown) {
        for (const DxfBlock& block : m_document.blocks)
            m_blockNames.insert(nameKey(block.name));
        m_blockNamesKnown = true;
    }
    for (;;) {
        const std::string name = "*D" + std::to_string(++m_lastDimensionBlock);
        if (m_blockNames.insert(nameKey(name)).second)
            return name;
    }
}

char16_t DrawingWriter::decimalSeparator() const
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

DxfTags DrawingWriter::dimensionGroups(const AcDb3PointAngularDimension& dimension, const DxfKeptGroups& kept)
{
    const AngularDimensionPoints points = angularDimensionPointsOf(dimension);
    const std::u16string textOverride = angularDimensionTextOverride(dimension);
    const std::u16string styleName = m_impl.dimStyleName(dimension.dimensionStyle());
    const DimensionStyleSizes sizes = sizesOf(dimensionStyleRecord(styleName), m_document);
    const bool userText = !dimension.isUsingDefaultTextPosition();
    const AcGePoint3d textPosition = dimension.textPosition();
    const DimensionGraphics graphics = angularDimensionGraphics(
        points,
        angularDimensionText(textOverride, angularDimensionMeasurement(points),
                             sizes.angularDecimals, decimalSeparator()),
        userText ? &textPosition : nullptr, sizes);

    const std::string_view blockName = m_texts.keep(nextDimensionBlockName());
    const std::uint64_t blockRecord = fresh();
    DxfTable& records = table("BLOCK_RECORD");
    records.entries.push_back(RecordBuilder(m_texts, "BLOCK_RECORD")
                                  .handle(5, blockRecord).handle(330, records.head.handle())
                                  .add(100, "AcDbSymbolTableRecord")
                                  .add(100, "AcDbBlockTableRecord").add(2, blockName).build());
    DxfRecords graphicsRecords = blockEntities(graphics, blockRecord, sizes);
    for (const DxfRecord& record : graphicsRecords)
        requireFinite(record.tagList(), dimension);
    m_document.blocks.push_back(makeBlock(blockName, blockRecord, true, std::move(graphicsRecords)));

    AcGePoint3d textMiddle = inPlane(graphics.text.middle, points.normal);
    textMiddle.z = dimension.elevation();
    RecordBuilder record = entityHead("DIMENSION", dimension);
    record.add(100, "AcDbDimension").add(2, blockName).point(10, points.arcPoint)
        .point(11, textMiddle).integer(70, 5 | 32 | (userText ? 128 : 0))
        .real(42, graphics.measurement);
    if (!textOverride.empty() || kept.had(1))
        record.text(1, text(textOverride));
    record.extrusion(points.normal, kept.had(210)).text(3, text(styleName))
        .add(100, "AcDb3PointAngularDimension").point(13, points.xLine1)
        .point(14, points.xLine2).point(15, points.center);
    return record.tags();
}

DxfRecords DrawingWriter::blockEntities(const DimensionGraphics& graphics, std::uint64_t owner,
                                         const DimensionStyleSizes& sizes)
{
    const AcGeVector3d& normal = graphics.normal;
    const auto head = [&](const char* type, const char* layer) {
        RecordBuilder record(m_texts, type);
        record.handle(5, fresh()).handle(330, owner).add(100, "AcDbEntity").add(8, layer);
        if (std::strcmp(layer, "0") == 0)
            record.integer(62, 0);  // by block: the dimension's colour
        return record;
    };
    DxfRecords entities;
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
                           .text(1, text(label.contents)).text(7, sizes.textStyle)
                           .extrusion(normal).point(11, AcGePoint3d::kOrigin + label.direction)
                           .build());
    for (const AcGePoint3d& point : graphics.definitionPoints)
        entities.push_back(head("POINT", "Defpoints").add(100, "AcDbPoint").point(10, point).build());
    return entities;
}

}  // namespace cadhost
