// The arc dimension command driver: the sequence of one command, its prompts and warnings, and
// the four exported commands that differ only in mode and extension points.
#include "arcdim/ArcDimensionCommand.h"

#include "acedads.h"
#include "arcdim/ExtensionLineFitting.h"
#include "arcdim/KotaDP.h"
#include "resources/resource.h"

namespace {

constexpr int kLengthMode = 1;
constexpr int kLengthAndRadiusMode = 2;
constexpr int kCompleted = 0;
constexpr int kEndedEarly = -1;

/// The resource string id of the current resource handle; empty when it has none.
CString loadString(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

/// Asks for an extension point into point (world); false for any answer but a point.
bool askExtensionPoint(UINT promptId, AcGePoint3d& point)
{
    const CString prompt = loadString(promptId);
    ads_point picked = {0.0, 0.0, 0.0};
    if (acedGetPoint(nullptr, prompt, picked) != RTNORM)
        return false;
    ads_point world = {0.0, 0.0, 0.0};
    acdbUcs2Wcs(picked, world, false);
    point = AcGePoint3d(world[X], world[Y], world[Z]);
    return true;
}

/// Shows resource string textId in a warning box owned by the jig's owner window.
void showWarning(const CKotaDP& jig, UINT textId)
{
    MessageBoxW(jig.m_hOwnerWnd, loadString(textId), loadString(IDS_ARCDIM_CAPTION),
                MB_OK | MB_ICONWARNING);
}

/// Runs one command with its own jig, whose destructor cleans up on every way out; nothing
/// is thrown back to the host.
void runCommand(int mode, bool extensionPoints) noexcept
{
    try {
        CKotaDP jig;
        runArcDimension(jig, mode, extensionPoints);
    } catch (...) {
        // The jig is already gone and has cleaned up; the host must not see the exception.
    }
}

}  // namespace

int runArcDimension(CKotaDP& jig, int mode, bool extensionPoints)
{
    const CString dragPrompt = loadString(IDS_PROMPT_DIMENSION_LINE);
    const CString selectionPrompt =
        loadString(extensionPoints ? IDS_PROMPT_SELECT_ARC_EXT : IDS_PROMPT_SELECT_ARC);
    const CString notAnArcMessage =
        loadString(extensionPoints ? IDS_NOT_AN_ARC_EXT : IDS_NOT_AN_ARC);

    AcGePoint3d start(0.0, 0.0, 0.0);
    AcGePoint3d end(0.0, 0.0, 0.0);
    bool isCircle = false;
    if (!jig.pickArcAndDragDimension(selectionPrompt, dragPrompt, notAnArcMessage, start, end,
                                     isCircle))
        return kCompleted;

    jig.readDimensionVariables();
    jig.computeRadius();

    if (extensionPoints) {
        if (isCircle) {
            jig.m_pick1 = start;
            jig.m_pick2 = end;
        } else if (!askExtensionPoint(IDS_PROMPT_FIRST_EXT_POINT, jig.m_pick1) ||
                   !askExtensionPoint(IDS_PROMPT_SECOND_EXT_POINT, jig.m_pick2)) {
            return kEndedEarly;
        }
    }

    int code = 0;
    bool replaced = false;
    if (extensionPoints)
        code = fitExtensionLines(jig, replaced);
    if (code == 0 && !jig.applyArcLengthText(mode, !extensionPoints))
        code = kFitNoResultDimension;
    if (code != 0) {
        showWarning(jig, code == kFitPickAtCenter ? IDS_EXT_POINT_AT_CENTER : IDS_NO_DIMENSION);
        return kEndedEarly;
    }
    if (replaced)
        showWarning(jig, IDS_EXT_POINT_REPLACED);

    jig.m_resultDimId = jig.append();
    if (jig.m_resultDimId.isValid())
        jig.m_pResultDim = nullptr;
    return kCompleted;
}

extern "C" {

void oblouk_kota_m()
{
    runCommand(kLengthMode, false);
}

void oblouk_kota2_m()
{
    runCommand(kLengthAndRadiusMode, false);
}

void oblouk_kota3_m()
{
    runCommand(kLengthMode, true);
}

void oblouk_kota4_m()
{
    runCommand(kLengthAndRadiusMode, true);
}

}  // extern "C"
