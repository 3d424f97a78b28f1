#include "serve/drawing_view.h"

#include "acedads.h"
#include "cadhost/report.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace cadhost {

namespace {

using nlohmann::json;

constexpr double kTwoPi = 6.283185307179586;
/// A plane whose normal is this close to the Z axis (as unit vectors) is seen face-on from
/// above: its circles stay circles.
constexpr double kFaceOnTolerance = 1e-9;
/// The angle step of a curve drawn as a polyline.
constexpr double kCurveStep = kTwoPi / 144.0;

/// The shapes of one view, as entityView describes them.
class Shapes {
public:
    void line(const AcGePoint3d& a, const AcGePoint3d& b)
    {
        m_lines.push_back({a.x, a.y, b.x, b.y});
    }

    void point(const AcGePoint3d& p) { m_points.push_back({p.x, p.y}); }

    /// The arc from its start angle to its end angle about its normal; a full turn or more is
    /// a circle.
    void arc(const AcGeCircArc3d& arc)
    {
        double sweep = arc.endAng() - arc.startAng();
        if (sweep >= kTwoPi)
            sweep = kTwoPi;
        else
            sweep = std::fmod(std::fmod(sweep, kTwoPi) + kTwoPi, kTwoPi);
        AcGeVector3d normal = arc.normal();
        normal.normalize();
        const AcGePoint3d center = arc.center();
        const AcGePoint3d start = arc.evalPoint(arc.startAng());
        if (std::fabs(std::fabs(normal.z) - 1.0) <= kFaceOnTolerance) {
            // Seen from above, a clockwise arc (normal down) runs counterclockwise from its end.
            const double startAngle = std::atan2(start.y - center.y, start.x - center.x);
            const double from = normal.z > 0.0 ? startAngle : startAngle - sweep;
            m_arcs.push_back({center.x, center.y, arc.radius(), from, from + sweep});
            return;
        }
        const int steps = std::max(2, static_cast<int>(std::ceil(sweep / kCurveStep)));
        std::vector<double> coordinates;
        for (int i = 0; i <= steps; ++i) {
            const AcGePoint3d p = arc.evalPoint(arc.startAng() + sweep * i / steps);
            coordinates.push_back(p.x);
            coordinates.push_back(p.y);
        }
        m_polylines.push_back(coordinates);
    }

    void fill(const AcGePoint3d* corners, int count)
    {
        std::vector<double> coordinates;
        for (int i = 0; i < count; ++i) {
            coordinates.push_back(corners[i].x);
            coordinates.push_back(corners[i].y);
        }
        m_fills.push_back(coordinates);
    }

    void text(const AcGePoint3d& middle, const AcGeVector3d& direction, double height,
              const std::string& contents)
    {
        const double angle = direction.x == 0.0 && direction.y == 0.0
                                 ? 0.0
                                 : std::atan2(direction.y, direction.x);
        m_texts.push_back({middle.x, middle.y, height, angle, contents});
    }

    void writeTo(json& view) const
    {
        const auto put = [&view](const char* name, const json& list) {
            if (!list.empty())
                view[name] = list;
        };
        put("lines", m_lines);
        put("arcs", m_arcs);
        put("polylines", m_polylines);
        put("fills", m_fills);
        put("texts", m_texts);
        put("points", m_points);
    }

private:
    json m_lines = json::array();
    json m_arcs = json::array();
    json m_polylines = json::array();
    json m_fills = json::array();
    json m_texts = json::array();
    json m_points = json::array();
};

/// The arc of a planar curve given in its object coordinate system.
AcGeCircArc3d planeArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                       double startAngle, double endAngle)
{
    AcGeVector3d reference = AcGeVector3d::kXAxis;
    reference.transformBy(AcGeMatrix3d::planeToWorld(normal));
    // An arc through angle 0 ends at a smaller angle than it starts; the host's arc runs
    // from the smaller to the larger.
    if (endAngle < startAngle)
        endAngle += kTwoPi * std::ceil((startAngle - endAngle) / kTwoPi);
    return AcGeCircArc3d(center, normal, reference, radius, startAngle, endAngle);
}

/// Each segment of the polyline; a polyline of one vertex is a point.
void addPolyline(const AcDbPolyline& pline, Shapes& shapes)
{
    const unsigned count = pline.numVerts();
    const unsigned segments = pline.isClosed() ? count : (count == 0 ? 0 : count - 1);
    for (unsigned i = 0; i < segments; ++i) {
        switch (pline.segType(i)) {
        case AcDbPolyline::kLine: {
            AcGeLineSeg3d line;
            if (pline.getLineSegAt(i, line) == Acad::eOk)
                shapes.line(line.startPoint(), line.endPoint());
            break;
        }
        case AcDbPolyline::kArc: {
            AcGeCircArc3d arc;
            if (pline.getArcSegAt(i, arc) == Acad::eOk)
                shapes.arc(arc);
            break;
        }
        default:
            break;
        }
    }
    if (count == 1) {
        AcGePoint3d only;
        if (pline.getPointAt(0, only) == Acad::eOk)
            shapes.point(only);
    }
}

/// Draws the dimension as the writer draws its block; returns the text shown.
std::string addDimension(const AcDb3PointAngularDimension& dimension, DimensionStyleCache& styles,
                         Shapes& shapes)
{
    const AngularDimensionPoints points = angularDimensionPointsOf(dimension);
    const std::u16string textOverride = angularDimensionTextOverride(dimension);
    const AcDbDatabase& db = *workingDatabase();
    const DimensionBlockStyle& style =
        styles.of(db, db.impl().dimStyleName(dimension.dimensionStyle()));
    const bool userText = !dimension.isUsingDefaultTextPosition();
    const AcGePoint3d textPosition = dimension.textPosition();
    const DimensionGraphics measured = angularDimensionGraphics(points, u"", nullptr, style.sizes);
    const DimensionGraphics graphics = angularDimensionGraphics(
        points,
        angularDimensionText(textOverride, measured.measurement, style.sizes.angularDecimals,
                             style.decimalSeparator),
        userText ? &textPosition : nullptr, style.sizes);

    for (const DimensionGraphics::Line& line : graphics.extensionLines)
        shapes.line(line.start, line.end);
    for (const DimensionGraphics::Arc& arc : graphics.dimensionArcs)
        shapes.arc(planeArc(arc.center, graphics.normal, arc.radius, arc.startAngle, arc.endAngle));
    for (const DimensionGraphics::Arrow& arrow : graphics.arrows)
        shapes.fill(arrow.corners, 3);
    const std::string shown = utf8FromUtf16(graphics.text.contents);
    shapes.text(graphics.text.middle, graphics.text.direction, graphics.text.height, shown);
    return shown;
}

}  // namespace

const DimensionBlockStyle& DimensionStyleCache::of(const AcDbDatabase& db,
                                                   const std::u16string& styleName)
{
    auto found = m_styles.find(styleName);
    if (found == m_styles.end())
        found = m_styles.emplace(styleName, dimensionBlockStyle(db, styleName)).first;
    return found->second;
}

json entityView(const AcDbEntity& entity, DimensionStyleCache& styles)
{
    const json described = describeEntity(entity);
    json view = {{"handle", described["handle"]},
                 {"type", described["type"]},
                 {"layer", described["layer"]}};
    Shapes shapes;
    if (const AcDbPoint* p = AcDbPoint::cast(&entity)) {
        shapes.point(p->position());
    } else if (const AcDbLine* line = AcDbLine::cast(&entity)) {
        shapes.line(line->startPoint(), line->endPoint());
    } else if (const AcDbArc* arc = AcDbArc::cast(&entity)) {
        shapes.arc(planeArc(arc->center(), arc->normal(), arc->radius(), arc->startAngle(),
                            arc->endAngle()));
    } else if (const AcDbCircle* circle = AcDbCircle::cast(&entity)) {
        shapes.arc(planeArc(circle->center(), circle->normal(), circle->radius(), 0.0, kTwoPi));
    } else if (const AcDbPolyline* pline = AcDbPolyline::cast(&entity)) {
        addPolyline(*pline, shapes);
    } else if (const AecDbWall* wall = AecDbWall::cast(&entity)) {
        if (wall->isStraight())
            shapes.line(wall->startPoint(), wall->endPoint());
        else
            shapes.arc(wall->baselineArc());
    } else if (const AcDb3PointAngularDimension* dim = AcDb3PointAngularDimension::cast(&entity)) {
        view["text"] = addDimension(*dim, styles, shapes);
    }
    shapes.writeTo(view);
    return view;
}

void DrawingView::update()
{
    const AcDbDatabase* database = workingDatabase();
    if (database != m_database) {
        m_database = database;
        rebuild();
        m_nextEvent = recorder().events().size();
        return;
    }
    std::set<std::uint64_t> touched;
    touched.swap(m_unreadable);
    const std::vector<RecordedEvent>& events = recorder().events();
    for (std::size_t i = m_nextEvent; i < events.size(); ++i) {
        switch (events[i].kind) {
        case RecordedEvent::Kind::DbAppend:
        case RecordedEvent::Kind::DbErase:
        case RecordedEvent::Kind::DbUnerase:
        case RecordedEvent::Kind::DbClose:
            touched.insert(events[i].handle);
            break;
        default:
            break;
        }
    }
    if (!touched.empty()) {
        ++m_revision;
        for (std::uint64_t handle : touched)
            if (!refresh(handle))
                m_unreadable.insert(handle);
    }
    m_nextEvent = recorder().events().size();
}

void DrawingView::rebuild()
{
    ++m_generation;
    ++m_revision;
    m_entries.clear();
    m_unreadable.clear();
    m_styles.forget();
    const AcDbDatabase::Impl& db = m_database->impl();
    for (const AcDbObjectId& id : db.modelSpaceIds())
        if (!refresh(id.handle().value()))
            m_unreadable.insert(id.handle().value());
}

bool DrawingView::refresh(std::uint64_t handle)
{
    const AcDbDatabase::Impl& db = m_database->impl();
    const AcDbEntity* resident = AcDbEntity::cast(db.objectByHandle(AcDbHandle(handle)));
    std::size_t order = 0;
    if (resident == nullptr || !db.drawOrderOf(handle, order))
        return true;  // no entity of model space
    Entry& entry = m_entries[handle];
    entry.revision = m_revision;
    entry.order = order;
    if (resident->isErased()) {
        entry.view = nullptr;
        char hex[32];
        std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(handle));
        entry.handle = hex;
        return true;
    }
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, resident->objectId(), AcDb::kForRead) != Acad::eOk)
        return false;
    entry.view = entityView(*entity, m_styles);
    entity->close();
    return true;
}

json DrawingView::viewOf(const AcDbEntity& entity)
{
    json view = entityView(entity, m_styles);
    view.erase("handle");
    return view;
}

json DrawingView::changesSince(std::uint64_t generation, std::uint64_t revision) const
{
    const bool everything = generation != m_generation;
    std::vector<const Entry*> changed;
    json removed = json::array();
    for (const auto& item : m_entries) {
        const Entry& entry = item.second;
        if (!everything && entry.revision <= revision)
            continue;
        if (!entry.view.is_null())
            changed.push_back(&entry);
        else if (!everything)
            removed.push_back(entry.handle);
    }
    std::sort(changed.begin(), changed.end(),
              [](const Entry* a, const Entry* b) { return a->order < b->order; });
    json entities = json::array();
    for (const Entry* entry : changed)
        entities.push_back(entry->view);
    return {{"generation", m_generation},
            {"revision", m_revision},
            {"entities", entities},
            {"removed", removed}};
}

}  // namespace cadhost
