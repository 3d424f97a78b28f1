#include "cadhost/report.h"

#include "acedads.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cstdio>
#include <fstream>

namespace cadhost {

namespace {

using nlohmann::json;

json point(const AcGePoint3d& p)
{
    return json::array({p.x, p.y, p.z});
}

json vector(const AcGeVector3d& v)
{
    return json::array({v.x, v.y, v.z});
}

std::string hexHandle(const AcDbHandle& handle)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle.value()));
    return text;
}

void describePolyline(const AcDbPolyline& pline, json& entry)
{
    // A vertex pair [x, y] only places the vertex together with elevation and normal: it is in
    // the polyline's own plane coordinates, which are world x and y for the normal +Z. The
    // world position of every vertex is given beside it.
    json vertices = json::array();
    json worldVertices = json::array();
    for (unsigned i = 0; i < pline.numVerts(); ++i) {
        AcGePoint2d vertex;
        AcGePoint3d world;
        double bulge = 0.0;
        pline.getPointAt(i, vertex);
        pline.getPointAt(i, world);
        pline.getBulgeAt(i, bulge);
        vertices.push_back(json::array({vertex.x, vertex.y, bulge}));
        worldVertices.push_back(point(world));
    }
    entry["vertices"] = vertices;
    entry["worldVertices"] = worldVertices;
    entry["closed"] = pline.isClosed();
    entry["elevation"] = pline.elevation();
    entry["normal"] = vector(pline.normal());
}

void describeDimension(const AcDb3PointAngularDimension& dim, json& entry)
{
    entry["dimType"] = "angular3p";
    entry["center"] = point(dim.centerPoint());
    entry["xLine1"] = point(dim.xLine1Point());
    entry["xLine2"] = point(dim.xLine2Point());
    entry["arcPoint"] = point(dim.arcPoint());
    ACHAR* text = dim.dimensionText();
    entry["text"] = utf8FromUtf16(text);
    acutDelString(text);
    entry["style"] = utf8FromUtf16(workingDatabase()->impl().dimStyleName(dim.dimensionStyle()));
    entry["elevation"] = dim.elevation();
}

}  // namespace

json describeEntity(const AcDbEntity& entity)
{
    json entry;
    entry["handle"] = hexHandle(entity.handle());
    entry["layer"] = utf8FromUtf16(entity.layer());
    if (const AcDbPoint* p = AcDbPoint::cast(&entity)) {
        entry["type"] = "POINT";
        entry["position"] = point(p->position());
    } else if (const AcDbLine* line = AcDbLine::cast(&entity)) {
        entry["type"] = "LINE";
        entry["start"] = point(line->startPoint());
        entry["end"] = point(line->endPoint());
    } else if (const AcDbArc* arc = AcDbArc::cast(&entity)) {
        entry["type"] = "ARC";
        entry["center"] = point(arc->center());
        entry["radius"] = arc->radius();
        entry["startAngle"] = arc->startAngle();
        entry["endAngle"] = arc->endAngle();
        entry["normal"] = vector(arc->normal());
    } else if (const AcDbCircle* circle = AcDbCircle::cast(&entity)) {
        entry["type"] = "CIRCLE";
        entry["center"] = point(circle->center());
        entry["radius"] = circle->radius();
        entry["normal"] = vector(circle->normal());
    } else if (const AcDbPolyline* pline = AcDbPolyline::cast(&entity)) {
        entry["type"] = "LWPOLYLINE";
        describePolyline(*pline, entry);
    } else if (const AecDbWall* wall = AecDbWall::cast(&entity)) {
        entry["type"] = "WALL";
        entry["start"] = point(wall->startPoint());
        entry["middle"] = point(wall->midPoint());
        entry["end"] = point(wall->endPoint());
    } else if (const AcDb3PointAngularDimension* dim = AcDb3PointAngularDimension::cast(&entity)) {
        entry["type"] = "DIMENSION";
        describeDimension(*dim, entry);
    } else {
        const AcRxClass* cls = entity.isA();
        entry["type"] = cls != nullptr ? utf8FromUtf16(cls->name()) : std::string("?");
    }
    return entry;
}

json buildReport(const std::vector<CommandRun>& commands)
{
    json report;
    report["commandLine"] = recorder().commandLine();

    json boxes = json::array();
    for (const RecordedEvent& box : recorder().ofKind(RecordedEvent::Kind::MessageBox))
        boxes.push_back({{"owner", box.ownerIsMainWindow ? "main" : "none"},
                         {"caption", box.caption},
                         {"text", box.text},
                         {"style", box.style}});
    report["messageBoxes"] = boxes;

    json runs = json::array();
    for (const CommandRun& run : commands)
        runs.push_back({{"name", run.name}, {"resourceHandleRestored", run.resourceHandleRestored}});
    report["commands"] = runs;

    json entities = json::array();
    const AcDbDatabase::Impl& db = workingDatabase()->impl();
    for (const AcDbObjectId& id : db.modelSpaceIds()) {
        const AcDbEntity* resident = AcDbEntity::cast(db.objectAt(id));
        if (resident == nullptr || resident->isErased())
            continue;
        AcDbEntity* entity = nullptr;
        const Acad::ErrorStatus es = acdbOpenAcDbEntity(entity, id, AcDb::kForRead);
        if (es == Acad::eOk) {
            entities.push_back(describeEntity(*entity));
            entity->close();
        } else {
            // An entity a command left open for write cannot be read: it is listed as such.
            entities.push_back({{"handle", hexHandle(resident->handle())},
                                {"type", utf8FromUtf16(resident->isA()->name())},
                                {"unreadable", "open status " + std::to_string(es)}});
        }
    }
    report["entities"] = entities;
    return report;
}

bool writeReport(const std::string& path, const nlohmann::json& report, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out << report.dump(2) << '\n';
    out.close();
    if (!out) {
        error = path + ": cannot write the report";
        return false;
    }
    return true;
}

}  // namespace cadhost
