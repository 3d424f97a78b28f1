// The editor's C interface: point and entity input, command-line output, UCS conversion and the
// main window.
#include "acedads.h"
#include "database/picking.h"
#include "database/system_variables.h"
#include "dbmain.h"
#include "editor/editor.h"
#include "mfc/wide_format.h"
#include "session/session.h"

namespace {

/// ERRNO after a pick that hit nothing.
constexpr short kErrnoNothingPicked = 7;
/// ERRNO after a null response to an entity selection.
constexpr short kErrnoNullResponse = 52;

void printPrompt(const ACHAR* prompt)
{
    if (prompt != nullptr)
        cadhost::editor().print(prompt);
}

void copyPoint(const AcGePoint3d& from, ads_point to)
{
    to[X] = from.x;
    to[Y] = from.y;
    to[Z] = from.z;
}

}  // namespace

int acedGetPoint(const ads_point, const ACHAR* prompt, ads_point result)
{
    cadhost::Editor& editor = cadhost::editor();
    printPrompt(prompt);
    const cadhost::UserAction answer = editor.answerPrompt(cadhost::PromptKind::Point);
    switch (answer.kind) {
    case cadhost::UserAction::Kind::Point:
        if (result != nullptr)
            copyPoint(answer.point, result);
        return RTNORM;
    case cadhost::UserAction::Kind::Enter:
        return RTNONE;
    default:
        return RTCAN;
    }
}

int acedEntSel(const ACHAR* prompt, ads_name entity, ads_point pickPoint)
{
    cadhost::Editor& editor = cadhost::editor();
    printPrompt(prompt != nullptr ? prompt : u"\nSelect object: ");
    if (entity != nullptr)
        entity[0] = entity[1] = 0;
    const cadhost::UserAction answer = editor.answerPrompt(cadhost::PromptKind::EntitySelection);
    switch (answer.kind) {
    case cadhost::UserAction::Kind::Point: {
        const AcGePoint3d world = editor.ucsToWorld(answer.point);
        const AcDbObjectId hit =
            cadhost::pickEntity(*cadhost::workingDatabase(), world, editor.aperture());
        if (hit.isNull()) {
            cadhost::systemVariables().setShort("ERRNO", kErrnoNothingPicked);
            return RTERROR;
        }
        ads_name name = {0, 0};
        if (acdbGetAdsName(name, hit) != Acad::eOk)
            return RTERROR;
        if (entity != nullptr) {
            entity[0] = name[0];
            entity[1] = name[1];
        }
        if (pickPoint != nullptr)
            copyPoint(answer.point, pickPoint);
        return RTNORM;
    }
    case cadhost::UserAction::Kind::Enter:
        cadhost::systemVariables().setShort("ERRNO", kErrnoNullResponse);
        return RTERROR;
    default:
        return RTCAN;
    }
}

int acedPrompt(const ACHAR* text)
{
    printPrompt(text);
    return RTNORM;
}

int acutPrintf(const ACHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::u16string text = cadhost::formatWide(format, args);
    va_end(args);
    cadhost::editor().print(text);
    return static_cast<int>(text.size());
}

bool acdbUcs2Wcs(ads_point from, ads_point to, bool asVector)
{
    if (from == nullptr || to == nullptr)
        return false;
    const cadhost::Editor& editor = cadhost::editor();
    if (asVector) {
        const AcGeVector3d v = editor.ucsToWorld(AcGeVector3d(from[X], from[Y], from[Z]));
        to[X] = v.x;
        to[Y] = v.y;
        to[Z] = v.z;
    } else {
        copyPoint(editor.ucsToWorld(AcGePoint3d(from[X], from[Y], from[Z])), to);
    }
    return true;
}

bool acdbWcs2Ucs(ads_point from, ads_point to, bool asVector)
{
    if (from == nullptr || to == nullptr)
        return false;
    const cadhost::Editor& editor = cadhost::editor();
    if (asVector) {
        const AcGeVector3d v = editor.worldToUcs(AcGeVector3d(from[X], from[Y], from[Z]));
        to[X] = v.x;
        to[Y] = v.y;
        to[Z] = v.z;
    } else {
        copyPoint(editor.worldToUcs(AcGePoint3d(from[X], from[Y], from[Z])), to);
    }
    return true;
}

HWND adsw_acadMainWnd()
{
    return cadhost::editor().mainWindow();
}
