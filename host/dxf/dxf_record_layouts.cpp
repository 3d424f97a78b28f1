#include "dxf/dxf_record_layouts.h"

#include "dxf/dxf_handles.h"
#include <initializer_list>

namespace cadhost {

namespace {

constexpr int kLastLayoutCode = 1071;

/// Groups of a subclass whose values the host carries.
std::vector<DxfGroupSpec> carried(std::initializer_list<int> codes)
{
    std::vector<DxfGroupSpec> specs;
    for (int code : codes)
        specs.push_back({code, false});
    return specs;
}

/// Groups of a subclass whose values the host models.
std::vector<DxfGroupSpec> modelled(std::initializer_list<int> codes)
{
    std::vector<DxfGroupSpec> specs;
    for (int code : codes)
        specs.push_back({code, true});
    return specs;
}

std::vector<DxfGroupSpec> operator+(std::vector<DxfGroupSpec> a, const std::vector<DxfGroupSpec>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// The groups every entity has (AcDbEntity); the host models the layer.
DxfSubclassLayout entityCommon()
{
    return {"AcDbEntity",
            carried({67}) + modelled({8}) +
                carried({6, 62, 370, 48, 60, 420, 430, 440, 284, 347, 348, 390}),
            {}};
}

/// An entity whose groups all go in one subclass after AcDbEntity.
DxfRecordLayout simpleEntity(std::string_view type, std::string_view marker)
{
    return {type, {entityCommon(), {marker, {}, {}}}, 1};
}

DxfRecordLayout tableRecord(std::string_view type, std::string_view marker)
{
    return {type, {{"AcDbSymbolTableRecord", {}, {}}, {marker, {}, {}}}, 1};
}

const std::vector<DxfGroupSpec>& textGroups()
{
    static const std::vector<DxfGroupSpec> groups =
        carried({39, 10, 20, 30, 40, 1, 50, 41, 51, 7, 71, 72, 11, 21, 31, 210, 220, 230});
    return groups;
}

/// The groups all dimensions share (AcDbDimension); the host models those of a
/// three-point angular dimension.
DxfSubclassLayout dimensionCommon()
{
    return {"AcDbDimension",
            carried({280}) + modelled({2, 10, 20, 30, 11, 21, 31, 70}) +
                carried({71, 72, 41}) + modelled({42}) + carried({73, 74, 75}) + modelled({1}) +
                carried({53, 51}) + modelled({210, 220, 230, 3}),
            {}};
}

DxfRecordLayout dimension(std::vector<DxfSubclassLayout> own)
{
    DxfRecordLayout layout{"DIMENSION", {entityCommon(), dimensionCommon()}, 1};
    layout.subclasses.insert(layout.subclasses.end(), own.begin(), own.end());
    return layout;
}

struct Layouts {
    DxfRecordLayout line{"LINE",
                         {entityCommon(),
                          {"AcDbLine",
                           carried({39}) + modelled({10, 20, 30, 11, 21, 31, 210, 220, 230}),
                           {}}},
                         1};
    DxfRecordLayout point{"POINT",
                          {entityCommon(),
                           {"AcDbPoint", modelled({10, 20, 30}) + carried({39, 210, 220, 230, 50}),
                            {}}},
                          1};
    DxfSubclassLayout circleGroups{
        "AcDbCircle", carried({39}) + modelled({10, 20, 30, 40, 210, 220, 230}), {}};
    DxfRecordLayout circle{"CIRCLE", {entityCommon(), circleGroups}, 1};
    DxfRecordLayout arc{"ARC", {entityCommon(), circleGroups, {"AcDbArc", modelled({50, 51}), {}}}, 1};
    DxfRecordLayout lightPolyline{
        "LWPOLYLINE",
        {entityCommon(),
         {"AcDbPolyline", modelled({90, 70}) + carried({43}) + modelled({38}) + carried({39}) +
                              modelled({210, 220, 230}),
          modelled({10, 20}) + carried({91, 40, 41}) + modelled({42})}},
        1};
    DxfRecordLayout angularDimension = dimension(
        {{"AcDb3PointAngularDimension",
          modelled({13, 23, 33, 14, 24, 34, 15, 25, 35}) + carried({16, 26, 36}), {}}});
    std::vector<DxfGroupSpec> linearPoints =
        carried({12, 22, 32, 13, 23, 33, 14, 24, 34, 50, 52});
    DxfRecordLayout dimensions[7] = {
        dimension({{"AcDbAlignedDimension", linearPoints, {}}, {"AcDbRotatedDimension", {}, {}}}),
        dimension({{"AcDbAlignedDimension", linearPoints, {}}}),
        dimension({{"AcDb2LineAngularDimension",
                    carried({13, 23, 33, 14, 24, 34, 15, 25, 35, 16, 26, 36}), {}}}),
        dimension({{"AcDbDiametricDimension", carried({15, 25, 35, 40}), {}}}),
        dimension({{"AcDbRadialDimension", carried({15, 25, 35, 40}), {}}}),
        angularDimension,
        dimension({{"AcDbOrdinateDimension", carried({13, 23, 33, 14, 24, 34}), {}}}),
    };
    DxfRecordLayout text{"TEXT",
                         {entityCommon(), {"AcDbText", textGroups(), {}},
                          {"AcDbText", carried({73}), {}}},
                         1};
    DxfRecordLayout attributeDefinition{
        "ATTDEF",
        {entityCommon(), {"AcDbText", textGroups(), {}},
         {"AcDbAttributeDefinition", carried({280, 3, 2, 70, 73, 74}), {}}},
        1};
    DxfRecordLayout attribute{"ATTRIB",
                              {entityCommon(), {"AcDbText", textGroups(), {}},
                               {"AcDbAttribute", carried({280, 2, 70, 73, 74}), {}}},
                              1};
    DxfRecordLayout shape = simpleEntity("SHAPE", "AcDbShape");
    DxfRecordLayout solid = simpleEntity("SOLID", "AcDbTrace");
    DxfRecordLayout trace = simpleEntity("TRACE", "AcDbTrace");
    DxfRecordLayout face = simpleEntity("3DFACE", "AcDbFace");
    DxfRecordLayout viewport = simpleEntity("VIEWPORT", "AcDbViewport");
    DxfRecordLayout insert = simpleEntity("INSERT", "AcDbBlockReference");
    DxfRecordLayout multipleInsert = simpleEntity("INSERT", "AcDbMInsertBlock");
    DxfRecordLayout polyline2d = simpleEntity("POLYLINE", "AcDb2dPolyline");
    DxfRecordLayout polyline3d = simpleEntity("POLYLINE", "AcDb3dPolyline");
    DxfRecordLayout polygonMesh = simpleEntity("POLYLINE", "AcDbPolygonMesh");
    DxfRecordLayout polyfaceMesh = simpleEntity("POLYLINE", "AcDbPolyFaceMesh");
    DxfRecordLayout vertex2d{"VERTEX", {entityCommon(), {"AcDbVertex", {}, {}}, {"AcDb2dVertex", {}, {}}}, 2};
    DxfRecordLayout vertex3d{"VERTEX", {entityCommon(), {"AcDbVertex", {}, {}}, {"AcDb3dPolylineVertex", {}, {}}}, 2};
    DxfRecordLayout meshVertex{"VERTEX", {entityCommon(), {"AcDbVertex", {}, {}}, {"AcDbPolygonMeshVertex", {}, {}}}, 2};
    DxfRecordLayout faceVertex{"VERTEX", {entityCommon(), {"AcDbVertex", {}, {}}, {"AcDbPolyFaceMeshVertex", {}, {}}}, 2};
    DxfRecordLayout faceRecord = simpleEntity("VERTEX", "AcDbFaceRecord");
    DxfRecordLayout sequenceEnd{"SEQEND", {entityCommon()}, 0};
    DxfRecordLayout blockBegin = simpleEntity("BLOCK", "AcDbBlockBegin");
    DxfRecordLayout blockEnd = simpleEntity("ENDBLK", "AcDbBlockEnd");
    DxfRecordLayout dictionary{"DICTIONARY", {{"AcDbDictionary", {}, {}}}, 0};
    DxfRecordLayout tableRecords[9] = {
        tableRecord("LAYER", "AcDbLayerTableRecord"),
        tableRecord("LTYPE", "AcDbLinetypeTableRecord"),
        tableRecord("STYLE", "AcDbTextStyleTableRecord"),
        tableRecord("VIEW", "AcDbViewTableRecord"),
        tableRecord("UCS", "AcDbUCSTableRecord"),
        tableRecord("VPORT", "AcDbViewportTableRecord"),
        tableRecord("APPID", "AcDbRegAppTableRecord"),
        tableRecord("DIMSTYLE", "AcDbDimStyleTableRecord"),
        tableRecord("BLOCK_RECORD", "AcDbBlockTableRecord"),
    };
};

const Layouts& layouts()
{
    static const Layouts theLayouts = [] {
        Layouts all;
        for (DxfRecordLayout* layout :
             {&all.line, &all.point, &all.circle, &all.arc, &all.lightPolyline,
              &all.angularDimension, &all.text, &all.attributeDefinition, &all.attribute,
              &all.shape, &all.solid, &all.trace, &all.face, &all.viewport, &all.insert,
              &all.multipleInsert, &all.polyline2d, &all.polyline3d, &all.polygonMesh,
              &all.polyfaceMesh, &all.vertex2d, &all.vertex3d, &all.meshVertex, &all.faceVertex,
              &all.faceRecord, &all.sequenceEnd, &all.blockBegin, &all.blockEnd, &all.dictionary})
            layout->index();
        for (DxfRecordLayout& layout : all.dimensions)
            layout.index();
        for (DxfRecordLayout& layout : all.tableRecords)
            layout.index();
        return all;
    }();
    return theLayouts;
}

/// The value of the first group code in tags[begin, end) as an integer; fallback when absent.
long long integerIn(const DxfTags& tags, std::size_t begin, std::size_t end, int code,
                    long long fallback)
{
    for (std::size_t i = begin + 1; i < end; ++i)
        if (tags[i].code == code) {
            long long value = fallback;
            parseInteger(tags[i].value, value);
            return value;
        }
    return fallback;
}

const DxfRecordLayout* polylineLayout(long long flags)
{
    const Layouts& all = layouts();
    if (flags & 64)
        return &all.polyfaceMesh;
    if (flags & 16)
        return &all.polygonMesh;
    if (flags & 8)
        return &all.polyline3d;
    return &all.polyline2d;
}

const DxfRecordLayout* vertexLayout(long long flags)
{
    const Layouts& all = layouts();
    if ((flags & 128) && !(flags & 64))
        return &all.faceRecord;
    if (flags & 128)
        return &all.faceVertex;
    if (flags & 64)
        return &all.meshVertex;
    if (flags & 32)
        return &all.vertex3d;
    return &all.vertex2d;
}

}  // namespace

bool DxfSubclassLayout::holds(int code, bool inVertex, bool& modelled) const
{
    const std::uint8_t flags = flagsOf(code);
    if (inVertex && (flags & kVertexGroup) != 0) {
        modelled = (flags & kVertexModelled) != 0;
        return true;
    }
    modelled = (flags & kModelled) != 0;
    return (flags & kGroup) != 0;
}

void DxfSubclassLayout::index()
{
    m_flags.assign(kLastLayoutCode + 1, 0);
    // The first listing of a code decides, as a search in order would.
    for (const DxfGroupSpec& group : groups)
        if (group.code >= 0 && group.code <= kLastLayoutCode && !(m_flags[group.code] & kGroup))
            m_flags[group.code] |= kGroup | (group.modelled ? kModelled : 0);
    for (const DxfGroupSpec& group : vertexGroups)
        if (group.code >= 0 && group.code <= kLastLayoutCode && !(m_flags[group.code] & kVertexGroup))
            m_flags[group.code] |= kVertexGroup | (group.modelled ? kVertexModelled : 0);
}

void DxfRecordLayout::index()
{
    for (DxfSubclassLayout& subclass : subclasses)
        subclass.index();
    m_subclassOf.assign(kLastLayoutCode + 1, static_cast<std::uint8_t>(mainSubclass));
    // The first subclass that lists a code takes it: the later ones are marked first.
    for (std::size_t i = subclasses.size(); i-- > 0;)
        for (const DxfGroupSpec& group : subclasses[i].groups)
            if (group.code >= 0 && group.code <= kLastLayoutCode)
                m_subclassOf[static_cast<std::size_t>(group.code)] = static_cast<std::uint8_t>(i);
}

std::size_t DxfRecordLayout::subclassOf(int code) const
{
    if (code < 0 || static_cast<std::size_t>(code) >= m_subclassOf.size())
        return mainSubclass;
    return m_subclassOf[static_cast<std::size_t>(code)];
}

std::size_t DxfRecordLayout::subclassNamed(std::string_view marker, std::size_t from) const
{
    for (std::size_t i = from; i < subclasses.size(); ++i)
        if (subclasses[i].marker == marker)
            return i;
    return DxfGroupPlace::kHead;
}

DxfGroupPlace DxfGroupWalker::next(const DxfTag& tag)
{
    using Kind = DxfGroupPlace::Kind;
    DxfGroupPlace place;
    place.subclass = m_subclass;
    if (tag.code == 102 || m_inApplicationGroup) {
        if (tag.code == 102)
            m_inApplicationGroup = !tag.value.empty() && tag.value[0] == '{';
        place.kind = Kind::ApplicationGroup;
        return place;
    }
    // The own handle and owner come before the subclasses; without markers (R12) the handle
    // may come anywhere.
    const bool beforeSubclasses = !m_hasMarkers || m_subclass == DxfGroupPlace::kHead;
    if (tag.code == 5 && beforeSubclasses) {
        place.kind = Kind::OwnHandle;
        return place;
    }
    if (tag.code == 330 && !m_ownerSeen && beforeSubclasses) {
        m_ownerSeen = true;
        place.kind = Kind::Owner;
        return place;
    }
    if (tag.code == 100) {
        const std::size_t from = m_subclass == DxfGroupPlace::kHead ? 0 : m_subclass + 1;
        std::size_t named = m_layout.subclassNamed(tag.value, from);
        if (named == DxfGroupPlace::kHead)
            named = m_layout.subclassNamed(tag.value, 0);
        m_inForeign = named == DxfGroupPlace::kHead;
        if (m_inForeign) {
            place.foreign = true;
            return place;
        }
        m_subclass = named;
        m_vertex = -1;
        place.kind = Kind::Marker;
        place.subclass = named;
        return place;
    }
    if (!m_hasMarkers)
        m_subclass = m_layout.subclassOf(tag.code);
    place.subclass = m_subclass;
    if (m_subclass == DxfGroupPlace::kHead || m_inForeign) {
        place.foreign = m_inForeign;
        return place;
    }
    const DxfSubclassLayout& subclass = m_layout.subclasses[m_subclass];
    const bool vertexGroup = subclass.isVertexCode(tag.code);
    if (tag.code == 10 && vertexGroup)
        ++m_vertex;
    bool modelled = false;
    const bool listed = subclass.holds(tag.code, vertexGroup && m_vertex >= 0, modelled);
    place.vertex = vertexGroup ? m_vertex : -1;
    place.modelled = listed && modelled;
    return place;
}

const DxfRecordLayout* recordLayoutOf(const DxfTags& tags, std::size_t begin, std::size_t end)
{
    const Layouts& all = layouts();
    const std::string_view type = tags[begin].value;
    if (type == "POLYLINE")
        return polylineLayout(integerIn(tags, begin, end, 70, 0));
    if (type == "VERTEX")
        return vertexLayout(integerIn(tags, begin, end, 70, 0));
    if (type == "INSERT")
        return integerIn(tags, begin, end, 70, 1) > 1 || integerIn(tags, begin, end, 71, 1) > 1
                   ? &all.multipleInsert
                   : &all.insert;
    if (type == "DIMENSION") {
        const long long kind = integerIn(tags, begin, end, 70, 0) & 15;
        return kind <= 6 ? &all.dimensions[kind] : nullptr;
    }
    for (const DxfRecordLayout* layout :
         {&all.line, &all.point, &all.circle, &all.arc, &all.lightPolyline, &all.text,
          &all.attributeDefinition, &all.attribute, &all.shape, &all.solid, &all.trace,
          &all.face, &all.viewport, &all.sequenceEnd, &all.blockBegin, &all.blockEnd,
          &all.dictionary})
        if (layout->type == type)
            return layout;
    for (const DxfRecordLayout& layout : all.tableRecords)
        if (layout.type == type)
            return &layout;
    return nullptr;
}

const DxfRecordLayout* modelledLayoutOf(std::string_view type)
{
    const Layouts& all = layouts();
    for (const DxfRecordLayout* layout :
         {&all.line, &all.point, &all.circle, &all.arc, &all.lightPolyline, &all.angularDimension})
        if (isRecordType(type, layout->type))
            return layout;
    return nullptr;
}

bool hasSubclassMarkers(const DxfTags& tags, std::size_t begin, std::size_t end)
{
    for (std::size_t i = begin + 1; i < end; ++i)
        if (tags[i].code == 100)
            return true;
    return false;
}

void appendWithSubclassMarkers(const DxfTags& tags, std::size_t begin, std::size_t end,
                               const DxfRecordLayout& layout, DxfTags& out)
{
    std::size_t extendedData = end;
    for (std::size_t i = begin + 1; i < end; ++i)
        if (tags[i].code == 1001) {
            extendedData = i;
            break;
        }
    std::vector<std::vector<const DxfTag*>> members(layout.subclasses.size());
    out.push_back(tags[begin]);
    DxfHandleScanner scanner;
    scanner.next(tags[begin]);
    bool ownerSeen = false;
    for (std::size_t i = begin + 1; i < extendedData; ++i) {
        const DxfTag& tag = tags[i];
        const DxfHandleRole role = scanner.next(tag);
        const bool owner = tag.code == 330 && !ownerSeen;
        if (role == DxfHandleRole::Own || owner) {
            out.push_back(tag);
            ownerSeen = ownerSeen || owner;
        } else {
            members[layout.subclassOf(tag.code)].push_back(&tag);
        }
    }
    for (std::size_t s = 0; s < layout.subclasses.size(); ++s) {
        out.push_back({100, layout.subclasses[s].marker, 0});
        for (const DxfTag* tag : members[s])
            out.push_back(*tag);
    }
    out.insert(out.end(), tags.begin() + static_cast<long>(extendedData),
               tags.begin() + static_cast<long>(end));
}

}  // namespace cadhost
