#include "arclen/ArcLengthCommand.h"

#include "acedads.h"
#include "afxwin.h"
#include "arclen/AloneCadFunc.h"
#include "arclen/ArcLen.h"
#include "arclen/SelectionSet.h"
#include "arclen/TemporaryPoints.h"
#include "module/ModuleResourceScope.h"
#include "resource.h"

namespace {

/// Shows a warning box owned by owner with resource string textId, captioned with the
/// command's caption.
void showWarning(HWND owner, UINT textId)
{
    CString text;
    text.LoadString(textId);
    CString caption;
    caption.LoadString(IDS_ARCLEN_CAPTION);
    MessageBoxW(owner, text.GetString(), caption.GetString(), MB_OK | MB_ICONWARNING);
}

}  // namespace

int runArcLength(HWND owner, ads_name& set, int mode)
{
    CAloneCadFunc cadFunc(set);
    CArcLen arcLen(&cadFunc);
    CString label;
    label.LoadString(IDS_ARC_LENGTH_LABEL);

    const int computed = arcLen.compute();
    if (computed != CArcLen::kComputed) {
        showWarning(owner, computed == CArcLen::kCannotCompute ? IDS_ARC_NOT_COMPUTABLE
                                                               : IDS_NOT_POINT_ENTITIES);
        deleteTemporaryPoints(set, mode);
        return -1;
    }
    // The points have been read: they leave the drawing before the result is printed.
    deleteTemporaryPoints(set, mode);
    cadFunc.prompt(ACRX_T("\n"));
    if (arcLen.printLength(label.GetString()) != CArcLen::kPrinted) {
        showWarning(owner, IDS_RESULT_NOT_PRINTABLE);
        return -1;
    }
    return 0;
}

extern "C" void oblouk_delka_m()
{
    // Nothing may leave the module across the host boundary; the guards have run by the time
    // an exception reaches this point, so there is nothing left to clean up.
    try {
        const HWND owner = adsw_acadMainWnd();
        const CModuleResourceScope resourceScope;
        CSelectionSetGuard set;
        const int mode = pickThreePoints(set.name());
        if (mode == kPickingEnded)
            return;
        runArcLength(owner, set.name(), mode);
    } catch (...) {
    }
}
