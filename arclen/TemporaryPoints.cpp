#include "arclen/TemporaryPoints.h"

#include "acedads.h"
#include "afxwin.h"
#include "arclen/ResultBuffers.h"
#include "arclen/SelectionSet.h"
#include "dbmain.h"
#include "resource.h"

namespace {

/// The class of the architectural entities, which the clean-up never erases; null when the
/// host does not know it.
const AcRxClass* architecturalEntityClass()
{
    AcRxDictionary* registry = acrxSysRegistry();
    AcRxDictionary* classes =
        registry == nullptr ? nullptr
                            : AcRxDictionary::cast(registry->at(ACRX_T("ClassDictionary")));
    return classes == nullptr ? nullptr : AcRxClass::cast(classes->at(ACRX_T("AecDbEntity")));
}

/// Whether the entity is one of the architecture's, which must stay in the drawing.
bool isArchitecturalEntity(const ads_name entity, const AcRxClass* architectural)
{
    AcDbObjectId id;
    if (acdbGetObjectId(id, entity) != Acad::eOk)
        return false;
    AcDbObject* object = nullptr;
    if (acdbOpenAcDbObject(object, id, AcDb::kForRead) != Acad::eOk)
        return false;
    const bool keep = architectural != nullptr && object->isKindOf(architectural);
    object->close();
    return keep;
}

/// Whether "LUPREC" can be read as an integer.
bool isPrecisionReadable()
{
    resbuf* value = acutNewRb(0);
    if (value == nullptr)
        return false;
    const bool readable =
        acedGetVar(ACRX_T("LUPREC"), value) == RTNORM && value->restype == RTSHORT;
    acutRelRb(value);
    return readable;
}

/// Makes a POINT at the world point and adds it to set; false when a step fails (a point made
/// but not added to the set is erased again).
bool placeTemporaryPoint(ads_point worldPoint, ads_name& set)
{
    CHostResultBuffer definition(
        acutBuildList(RTDXF0, ACRX_T("POINT"), 10, worldPoint, RTNONE));
    if (!definition)
        return false;
    const bool made = acdbEntMake(definition.get()) == RTNORM;
    const bool released = definition.reset() == RTNORM;
    if (!made)
        return false;
    ads_name entity = {0, 0};
    if (acdbEntLast(entity) != RTNORM)
        return false;
    if (acedSSAdd(entity, set, set) != RTNORM) {
        acdbEntDel(entity);
        return false;
    }
    return released;
}

}  // namespace

int pickThreePoints(ads_name& set)
{
    releaseSelectionSet(set);
    if (createEmptySelectionSet(set) != RTNORM)
        return kPickingEnded;

    const UINT promptIds[] = {IDS_PROMPT_ARC_START, IDS_PROMPT_ARC_POINT, IDS_PROMPT_ARC_END};
    CString prompts[3];
    for (int i = 0; i < 3; ++i)
        prompts[i].LoadString(promptIds[i]);

    if (!isPrecisionReadable())
        return kPickingEnded;

    for (const CString& prompt : prompts) {
        ads_point picked = {0.0, 0.0, 0.0};
        ads_point world = {0.0, 0.0, 0.0};
        // Whatever ends the picking early, Escape or another answer or a failed step, the
        // points placed so far are taken out of the drawing again.
        if (acedGetPoint(nullptr, prompt.GetString(), picked) != RTNORM ||
            !acdbUcs2Wcs(picked, world, false) || !placeTemporaryPoint(world, set)) {
            deleteTemporaryPointsOnCancel(set);
            return kPickingEnded;
        }
    }
    return kThreePointsPlaced;
}

void deleteTemporaryPoints(ads_name& set, int mode)
{
    acutPrintf(ACRX_T("\n%ld"), static_cast<long>(mode));
    deleteTemporaryPointsOnCancel(set);
}

void deleteTemporaryPointsOnCancel(ads_name& set)
{
    long length = 0;
    if (acedSSLength(set, &length) != RTNORM || length == 0)
        return;
    const AcRxClass* architectural = architecturalEntityClass();
    for (long i = 0; i < length; ++i) {
        ads_name entity = {0, 0};
        if (acedSSName(set, i, entity) != RTNORM)
            continue;
        if (!isArchitecturalEntity(entity, architectural))
            acdbEntDel(entity);
    }
    releaseSelectionSet(set);
}
