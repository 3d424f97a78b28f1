// The choice of the arc source (an arc, a circle with two picked points, the arc segment of a
// lightweight polyline, a curved architectural object) and the creation and drag of the
// dimension on it.
#include "arcdim/ArcSourceSelection.h"

#include "acedads.h"
#include "aecexports.h"
#include "arcdim/KotaDP.h"
#include "dbents.h"
#include "resources/resource.h"

#include <memory>

namespace {

/// "ERRNO" after a pick that hit no entity.
constexpr short kErrnoPickHitNothing = 7;
/// The layer key of the drawing's dimension layer.
constexpr ACHAR kDimensionLayerKey[] = ACRX_T("DIMLINE");

/// What one picked entity led to.
enum class SourceOutcome {
    Accepted,    ///< an arc source in the working plane
    Unreadable,  ///< no object behind the pick: ask again silently
    OutOfPlane,  ///< not parallel to the working plane: plane message, ask again
    NotAnArc,    ///< carries no arc: not-an-arc message, ask again
    Abandoned    ///< the command ends without a dimension
};

/// The arc a picked entity carries, in world coordinates.
struct ArcSource {
    AcGePoint3d center;
    AcGePoint3d start;
    AcGePoint3d end;
    AcGeVector3d normal;  ///< the entity's plane, for the plane test
    /// The arc as the entity defines it: its sense and sweep, which its two ends alone do not
    /// tell.
    PickedArc arc;
    bool isCircle = false;
};

/// The arc from start counterclockwise about normal through sweep to end.
PickedArc pickedArcOf(const AcGePoint3d& center, const AcGeVector3d& normal,
                      const AcGePoint3d& start, const AcGePoint3d& end, double radius,
                      double sweep)
{
    PickedArc picked;
    picked.center = center;
    picked.normal = normal;
    picked.start = start;
    picked.end = end;
    picked.radius = radius;
    picked.sweep = sweep;
    return picked;
}

/// The picked arc of a geometric arc (counterclockwise about its normal) from start to end.
PickedArc pickedArcOf(const AcGeCircArc3d& arc, const AcGePoint3d& start, const AcGePoint3d& end)
{
    return pickedArcOf(arc.center(), arc.normal(), start, end, arc.radius(),
                       sweepBetweenAngles(arc.startAng(), arc.endAng()));
}

/// Whether the last failed pick hit no entity, as "ERRNO" tells.
bool lastPickHitNothing()
{
    resbuf value{};
    if (acedGetVar(ACRX_T("ERRNO"), &value) != RTNORM)
        return false;
    return value.restype == RTSHORT && value.resval.rint == kErrnoPickHitNothing;
}

/// The point of an ADS point, in the same coordinates.
AcGePoint3d toPoint(const ads_point point)
{
    return AcGePoint3d(point[X], point[Y], point[Z]);
}

/// A point given in the current UCS, in world coordinates.
AcGePoint3d ucsToWorld(const ads_point ucsPoint)
{
    ads_point from = {ucsPoint[X], ucsPoint[Y], ucsPoint[Z]};
    ads_point world = {0.0, 0.0, 0.0};
    acdbUcs2Wcs(from, world, false);
    return toPoint(world);
}

/// Asks for a point on a circle and moves it radially onto the circle (a point on the axis
/// stays as picked); false unless the user gave a point.
bool askPointOnCircle(const CKotaDP& jig, UINT promptId, const AcGePoint3d& center, double radius,
                      AcGePoint3d& point)
{
    CString prompt;
    prompt.LoadString(promptId);
    ads_point picked = {0.0, 0.0, 0.0};
    if (acedGetPoint(nullptr, prompt, picked) != RTNORM)
        return false;
    point = ucsToWorld(picked);
    AcGePoint3d projected;
    if (projectOntoCircle(jig, center, radius, point, projected) == 0)
        point = projected;
    return true;
}

/// The arc segment of the polyline nearest to the pick (UCS); Abandoned when the nearest
/// point cannot be found or does not lie on an arc segment.
SourceOutcome readPolylineArcUnderPick(const AcDbPolyline& polyline, const ads_point pick,
                                       ArcSource& source)
{
    AcGeMatrix3d worldToEntity;
    polyline.getEcs(worldToEntity);
    worldToEntity.invert();

    AcGePoint3d closest;
    if (polyline.getClosestPointTo(ucsToWorld(pick), closest, false) != Acad::eOk)
        return SourceOutcome::Abandoned;
    closest.transformBy(worldToEntity);
    const AcGePoint2d onPlane(closest.x, closest.y);

    const unsigned int vertexCount = polyline.numVerts();
    for (unsigned int index = 0; index < vertexCount; ++index) {
        double parameter = 0.0;
        if (!polyline.onSegAt(index, onPlane, parameter))
            continue;
        if (polyline.segType(index) != AcDbPolyline::kArc)
            return SourceOutcome::Abandoned;
        AcGeCircArc3d segment;
        if (polyline.getArcSegAt(index, segment) != Acad::eOk)
            return SourceOutcome::Abandoned;
        source.end = segment.endPoint();
        source.start = segment.startPoint();
        source.center = segment.center();
        source.normal = polyline.normal();
        source.arc = pickedArcOf(segment, source.start, source.end);
        return SourceOutcome::Accepted;
    }
    return SourceOutcome::Abandoned;
}

/// The arc through the architectural object's ends and its middle point; NotAnArc when the
/// object is straight.
SourceOutcome readCurvedObject(const AcDbObject& object, ArcSource& source)
{
    AcGePoint3d first;
    AcGePoint3d between;
    AcGePoint3d second;
    AecArchBase_2156_startPoint(&object, &first);
    AecArchBase_2112_midPoint(&object, &between);
    AecArchBase_2061_endPoint(&object, &second);
    if (AcGeLineSeg3d(first, second).isOn(between, AcGeContext::gTol))
        return SourceOutcome::NotAnArc;
    const AcGeCircArc3d arc(first, between, second);
    source.start = first;
    source.end = second;
    source.center = arc.center();
    source.arc = pickedArcOf(arc, first, second);
    return SourceOutcome::Accepted;
}

/// What the picked entity offers as an arc source; every object opened here is closed before
/// the function asks the user anything or returns.
SourceOutcome readArcSource(const CKotaDP& jig, const ads_name name, const ads_point pick,
                            ArcSource& source)
{
    AcDbObjectId id;
    if (acdbGetObjectId(id, name) != Acad::eOk)
        return SourceOutcome::Unreadable;
    AcDbObjectPointer<AcDbObject> object(id, AcDb::kForRead);
    if (!object)
        return SourceOutcome::Unreadable;

    const AcGeVector3d planeNormal = jig.m_planeXAxis.crossProduct(jig.m_planeYAxis);
    const auto inWorkingPlane = [&planeNormal, &source] {
        return source.normal.isParallelTo(planeNormal, AcGeContext::gTol)
                   ? SourceOutcome::Accepted
                   : SourceOutcome::OutOfPlane;
    };

    if (const AcDbArc* arc = AcDbArc::cast(object.object())) {
        source.normal = arc->normal();
        arc->getEndPoint(source.end);
        arc->getStartPoint(source.start);
        source.center = arc->center();
        source.arc = pickedArcOf(source.center, source.normal, source.start, source.end,
                                 arc->radius(),
                                 sweepBetweenAngles(arc->startAngle(), arc->endAngle()));
        object.close();
        return inWorkingPlane();
    }
    if (const AcDbCircle* circle = AcDbCircle::cast(object.object())) {
        const double radius = circle->radius();
        source.normal = circle->normal();
        source.center = circle->center();
        object.close();
        if (inWorkingPlane() != SourceOutcome::Accepted)
            return SourceOutcome::OutOfPlane;
        if (!askPointOnCircle(jig, IDS_PROMPT_FIRST_EXT_POINT, source.center, radius,
                              source.start))
            return SourceOutcome::Abandoned;
        if (!askPointOnCircle(jig, IDS_PROMPT_SECOND_EXT_POINT, source.center, radius,
                              source.end))
            return SourceOutcome::Abandoned;
        source.isCircle = true;
        // Either arc between the two points may be meant; the drag tells which.
        source.arc = pickedArcOf(source.center, source.normal, source.start, source.end, radius,
                                 0.0);
        source.arc.sweep = turnFromStart(source.arc, source.end - source.center);
        source.arc.eitherWay = true;
        return SourceOutcome::Accepted;
    }
    if (const AcDbPolyline* polyline = AcDbPolyline::cast(object.object())) {
        const SourceOutcome outcome = readPolylineArcUnderPick(*polyline, pick, source);
        object.close();
        return outcome == SourceOutcome::Accepted ? inWorkingPlane() : outcome;
    }
    if (object->isKindOf(AecArchBase_2053_curveObjectClass())) {
        const SourceOutcome outcome = readCurvedObject(*object.object(), source);
        object.close();
        return outcome;
    }
    return SourceOutcome::NotAnArc;
}

}  // namespace

bool CKotaDP::pickArcAndDragDimension(const ACHAR* selectionPrompt, const ACHAR* dragPrompt,
                                      const ACHAR* notAnArcMessage, AcGePoint3d& start,
                                      AcGePoint3d& end, bool& isCircle)
{
    CString planeMessage;
    planeMessage.LoadString(IDS_ARC_NOT_IN_PLANE);

    ArcSource source;
    for (;;) {
        ads_name name = {0, 0};
        ads_point pick = {0.0, 0.0, 0.0};
        const int status = acedEntSel(selectionPrompt, name, pick);
        if (status != RTNORM) {
            if (status == RTERROR && lastPickHitNothing())
                continue;
            return false;
        }
        source = ArcSource();
        const SourceOutcome outcome = readArcSource(*this, name, pick, source);
        if (outcome == SourceOutcome::Accepted)
            break;
        if (outcome == SourceOutcome::Abandoned)
            return false;
        if (outcome == SourceOutcome::OutOfPlane)
            acedPrompt(planeMessage);
        else if (outcome == SourceOutcome::NotAnArc)
            acedPrompt(notAnArcMessage);
    }
    start = source.start;
    end = source.end;
    if (source.isCircle)
        isCircle = true;

    // The dimension line starts, and comes back on Enter, at the middle of the picked arc: on
    // an end it would leave open which of the two arcs between the ends the dimension spans.
    m_pickedArc = source.arc;
    const AcGePoint3d middle = middleOfArc(m_pickedArc, m_pickedArc.radius);

    // The prompt is passed as an argument so that a '%' in its text is shown, not interpreted.
    setDispPrompt(ACRX_T("%s"), dragPrompt);
    m_pDragDim = new AcDb3PointAngularDimension(source.center, source.start, source.end, middle,
                                                nullptr, AcDbObjectId::kNull);
    m_pDragDim->setElevation(source.end.z);
    AecBase_279_setLayerByKey(m_pDragDim, kDimensionLayerKey);
    useParentDimStyle(m_pDragDim);

    const DragStatus status = drag();
    if (status == kNull)
        m_pDragDim->setArcPoint(middle);
    else if (status != kNormal && status != kNoChange)
        return false;
    m_pickedArc = arcHolding(m_pickedArc, m_pDragDim->arcPoint());

    std::unique_ptr<AcRxObject> copy(m_pDragDim->clone());
    m_pResultDim = AcDb3PointAngularDimension::cast(copy.get());
    if (m_pResultDim != nullptr)
        copy.release();

    m_dragDimId = append();
    if (!m_dragDimId.isValid())
        delete m_pDragDim;  // not added to the drawing, so still the jig's
    m_pDragDim = nullptr;
    return m_pResultDim != nullptr;
}

int projectOntoCircle(const CKotaDP& jig, const AcGePoint3d& center, double radius,
                      const AcGePoint3d& point, AcGePoint3d& projected)
{
    const AcGeVector3d planeNormal = jig.m_planeXAxis.crossProduct(jig.m_planeYAxis);
    AcGeVector3d direction = (point - center).orthoProject(planeNormal);
    if (direction.isZeroLength(AcGeContext::gTol))
        return kPointOnCircleAxis;
    direction.normalize(AcGeContext::gTol);
    projected = center + direction * radius;
    return 0;
}

void useParentDimStyle(AcDbDimension* dimension)
{
    if (dimension == nullptr || !dimension->isWriteEnabled())
        return;
    AcDbObjectId style = dimension->dimensionStyle();
    AcDbDatabase* database = style.database();
    if (database == nullptr)
        return;
    for (;;) {
        const AcDbObjectId parent = database->getDimstyleParentId(style);
        if (parent.isNull() || parent == style)
            break;
        style = parent;
    }
    dimension->setDimensionStyle(style);
}
