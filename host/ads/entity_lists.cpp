// Entity definition lists: making entities from them (acdbEntMake) and describing entities
// by them (acdbEntGet); the last entity and erasing through ADS names.
#include "acedads.h"
#include "ads/ads_names.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "session/session.h"
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

const resbuf* findCode(const resbuf* list, int code)
{
    for (const resbuf* rb = list; rb != nullptr; rb = rb->rbnext)
        if (rb->restype == code)
            return rb;
    return nullptr;
}

bool readPoint(const resbuf* list, int code, AcGePoint3d& point)
{
    const resbuf* rb = findCode(list, code);
    if (rb == nullptr)
        return false;
    point = AcGePoint3d(rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2]);
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

bool readReal(const resbuf* list, int code, double& value)
{
    const resbuf* rb = findCode(list, code);
    if (rb == nullptr)
        return false;
    value = rb->resval.rreal;
    return std::isfinite(value);
}

bool sameText(const ACHAR* text, const char16_t* upperName)
{
    std::size_t i = 0;
    for (; text[i] != 0 && upperName[i] != 0; ++i) {
        char16_t c = text[i];
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != upperName[i])
            return false;
    }
    return text[i] == 0 && upperName[i] == 0;
}

/// The entity a definition list describes; null when its type is not one the host makes or
/// a value it needs is missing or unusable. Centres of circles and arcs are in the object
/// coordinate system of the extrusion direction (group 210), as in the drawing format.
std::unique_ptr<AcDbEntity> entityFromList(const resbuf* list)
{
    const resbuf* type = findCode(list, 0);
    if (type == nullptr || type->resval.rstring == nullptr)
        return nullptr;
    AcGePoint3d normalPoint(0.0, 0.0, 1.0);
    readPoint(list, 210, normalPoint);
    const AcGeVector3d normal = normalPoint.asVector();
    if (normal.isZeroLength())
        return nullptr;
    const ACHAR* name = type->resval.rstring;
    AcGePoint3d first, second;
    double radius = 0.0, startAngle = 0.0, endAngle = 0.0;
    if (sameText(name, u"POINT")) {
        if (!readPoint(list, 10, first))
            return nullptr;
        return std::make_unique<AcDbPoint>(first);
    }
    if (sameText(name, u"LINE")) {
        if (!readPoint(list, 10, first) || !readPoint(list, 11, second))
            return nullptr;
        auto line = std::make_unique<AcDbLine>(first, second);
        line->setNormal(normal);
        return line;
    }
    const bool isCircle = sameText(name, u"CIRCLE");
    const bool isArc = sameText(name, u"ARC");
    if (!isCircle && !isArc)
        return nullptr;
    if (!readPoint(list, 10, first) || !readReal(list, 40, radius) || radius <= 0.0)
        return nullptr;
    const AcGePoint3d center = first.transformBy(AcGeMatrix3d::planeToWorld(normal));
    if (isCircle)
        return std::make_unique<AcDbCircle>(center, normal, radius);
    if (!readReal(list, 50, startAngle) || !readReal(list, 51, endAngle))
        return nullptr;
    return std::make_unique<AcDbArc>(center, normal, radius, startAngle, endAngle);
}

/// Builds a definition list record by record; the chain is freed unless it is taken.
class ListBuilder {
public:
    ListBuilder() = default;
    ListBuilder(const ListBuilder&) = delete;
    ListBuilder& operator=(const ListBuilder&) = delete;
    ~ListBuilder() { acutRelRb(m_head); }

    void name(int code, AcDbObjectId id)
    {
        if (resbuf* rb = add(code))
            cadhost::adsNameOf(id, rb->resval.rlname);
    }
    void text(int code, const std::u16string& value)
    {
        if (resbuf* rb = add(code)) {
            rb->resval.rstring = acutNewString(value.c_str());
            m_failed = m_failed || rb->resval.rstring == nullptr;
        }
    }
    void point(int code, const AcGePoint3d& p)
    {
        if (resbuf* rb = add(code)) {
            rb->resval.rpoint[0] = p.x;
            rb->resval.rpoint[1] = p.y;
            rb->resval.rpoint[2] = p.z;
        }
    }
    void vector(int code, const AcGeVector3d& v) { point(code, AcGePoint3d(v.x, v.y, v.z)); }
    void real(int code, double value)
    {
        if (resbuf* rb = add(code))
            rb->resval.rreal = value;
    }
    void integer(int code, short value)
    {
        if (resbuf* rb = add(code))
            rb->resval.rint = value;
    }
    void longInteger(int code, Adesk::Int32 value)
    {
        if (resbuf* rb = add(code))
            rb->resval.rlong = value;
    }
    /// The chain, now the caller's; null when a record could not be made.
    resbuf* take()
    {
        if (m_failed)
            return nullptr;
        resbuf* head = m_head;
        m_head = nullptr;
        return head;
    }

private:
    resbuf* add(int code)
    {
        resbuf* rb = acutNewRb(code);
        if (rb == nullptr) {
            m_failed = true;
            return nullptr;
        }
        *m_tail = rb;
        m_tail = &rb->rbnext;
        return rb;
    }

    resbuf* m_head = nullptr;
    resbuf** m_tail = &m_head;
    bool m_failed = false;
};

std::u16string hexHandle(AcDbHandle handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle.value()));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

AcGePoint3d toObjectCoordinates(const AcGePoint3d& world, const AcGeVector3d& normal)
{
    AcGePoint3d p = world;
    return p.transformBy(AcGeMatrix3d::worldToPlane(normal));
}

/// The records that describe entity's own data, after the common ones.
void describe(const AcDbEntity& entity, ListBuilder& list)
{
    if (const auto* point = AcDbPoint::cast(&entity)) {
        list.text(100, u"AcDbPoint");
        list.point(10, point->position());
    } else if (const auto* line = AcDbLine::cast(&entity)) {
        list.text(100, u"AcDbLine");
        list.point(10, line->startPoint());
        list.point(11, line->endPoint());
        list.vector(210, line->normal());
    } else if (const auto* circle = AcDbCircle::cast(&entity)) {
        list.text(100, u"AcDbCircle");
        list.point(10, toObjectCoordinates(circle->center(), circle->normal()));
        list.real(40, circle->radius());
        list.vector(210, circle->normal());
    } else if (const auto* arc = AcDbArc::cast(&entity)) {
        list.text(100, u"AcDbCircle");
        list.point(10, toObjectCoordinates(arc->center(), arc->normal()));
        list.real(40, arc->radius());
        list.vector(210, arc->normal());
        list.text(100, u"AcDbArc");
        list.real(50, arc->startAngle());
        list.real(51, arc->endAngle());
    } else if (const auto* pline = AcDbPolyline::cast(&entity)) {
        list.text(100, u"AcDbPolyline");
        list.longInteger(90, static_cast<Adesk::Int32>(pline->numVerts()));
        list.integer(70, pline->isClosed() ? 1 : 0);
        list.real(38, pline->elevation());
        for (unsigned int i = 0; i < pline->numVerts(); ++i) {
            AcGePoint2d vertex;
            double bulge = 0.0;
            pline->getPointAt(i, vertex);
            pline->getBulgeAt(i, bulge);
            list.point(10, AcGePoint3d(vertex.x, vertex.y, 0.0));
            list.real(42, bulge);
        }
        list.vector(210, pline->normal());
    } else if (const auto* dim = AcDb3PointAngularDimension::cast(&entity)) {
        list.text(100, u"AcDbDimension");
        list.point(10, dim->arcPoint());
        ACHAR* text = dim->dimensionText();
        list.text(1, text != nullptr ? text : u"");
        acutDelString(text);
        list.integer(70, 5);
        const AcDbObjectId style = dim->dimensionStyle();
        if (style.isValid())
            list.text(3, style.database()->impl().dimStyleName(style));
        list.vector(210, dim->normal());
        list.text(100, u"AcDb3PointAngularDimension");
        list.point(13, dim->xLine1Point());
        list.point(14, dim->xLine2Point());
        list.point(15, dim->centerPoint());
    } else if (const auto* wall = AecDbWall::cast(&entity)) {
        list.text(100, u"AecDbWall");
        list.point(10, wall->startPoint());
        list.point(11, wall->midPoint());
        list.point(12, wall->endPoint());
    }
}

std::u16string typeName(const AcDbEntity& entity)
{
    if (AcDbPoint::cast(&entity) != nullptr)
        return u"POINT";
    if (AcDbLine::cast(&entity) != nullptr)
        return u"LINE";
    if (AcDbCircle::cast(&entity) != nullptr)
        return u"CIRCLE";
    if (AcDbArc::cast(&entity) != nullptr)
        return u"ARC";
    if (AcDbPolyline::cast(&entity) != nullptr)
        return u"LWPOLYLINE";
    if (AcDbDimension::cast(&entity) != nullptr)
        return u"DIMENSION";
    if (AecDbWall::cast(&entity) != nullptr)
        return u"AEC_WALL";
    return entity.isA()->name();
}

}  // namespace

int acdbEntMake(const resbuf* definition)
{
    std::unique_ptr<AcDbEntity> entity = entityFromList(definition);
    if (!entity)
        return RTERROR;
    AcDbDatabase* db = cadhost::workingDatabase();
    if (const resbuf* layer = findCode(definition, 8)) {
        if (layer->resval.rstring == nullptr || layer->resval.rstring[0] == 0)
            return RTERROR;
        // A layer that the list names is made when the drawing does not have it yet.
        if (entity->setLayer(db->impl().layerIdCreating(layer->resval.rstring)) != Acad::eOk)
            return RTERROR;
    }
    AcDbObjectId id;
    if (db->impl().appendEntity(entity.get(), id) != Acad::eOk)
        return RTERROR;
    entity.release()->close();
    return RTNORM;
}

int acdbEntLast(ads_name entity)
{
    if (entity == nullptr)
        return RTERROR;
    const AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    const auto& ids = db.modelSpaceIds();
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        if (!it->isErased()) {
            cadhost::adsNameOf(*it, entity);
            return RTNORM;
        }
    }
    return RTERROR;
}

int acdbEntDel(const ads_name entity)
{
    const AcDbObjectId id = cadhost::objectIdOf(entity);
    AcDbEntity* object = nullptr;
    if (id.isNull() || acdbOpenAcDbEntity(object, id, AcDb::kForWrite, true) != Acad::eOk)
        return RTERROR;
    const Acad::ErrorStatus es = object->erase(!object->isErased());
    object->close();
    return es == Acad::eOk ? RTNORM : RTERROR;
}

resbuf* acdbEntGet(const ads_name entity)
{
    const AcDbObjectId id = cadhost::objectIdOf(entity);
    AcDbEntity* object = nullptr;
    if (id.isNull() || acdbOpenAcDbEntity(object, id, AcDb::kForRead) != Acad::eOk)
        return nullptr;
    ListBuilder list;
    list.name(-1, id);
    list.text(0, typeName(*object));
    list.text(5, hexHandle(id.handle()));
    list.text(100, u"AcDbEntity");
    list.text(8, object->layer());
    describe(*object, list);
    object->close();
    return list.take();
}
