// The architecture libraries' functions the module imports. The architecture libraries export
// them by ordinal only; each name here says which library and ordinal it stands for.
#pragma once
#include "afxwin.h"
#include "dbmain.h"

// AecArchBase.dbx

/// AecArchBase.dbx, ordinal 2053: the runtime class of the curved architectural object.
AcRxClass* AecArchBase_2053_curveObjectClass();
/// AecArchBase.dbx, ordinal 2156: writes the object's first end into result; returns result.
AcGePoint3d* AecArchBase_2156_startPoint(const AcDbObject* object, AcGePoint3d* result);
/// AecArchBase.dbx, ordinal 2112: writes a point between the object's ends into result.
AcGePoint3d* AecArchBase_2112_midPoint(const AcDbObject* object, AcGePoint3d* result);
/// AecArchBase.dbx, ordinal 2061: writes the object's second end into result.
AcGePoint3d* AecArchBase_2061_endPoint(const AcDbObject* object, AcGePoint3d* result);

// AecBase.dbx

/// AecBase.dbx, ordinal 279: puts entity on the layer the drawing's layer keys give for
/// layerKey, creating that layer when it is first used.
Acad::ErrorStatus AecBase_279_setLayerByKey(AcDbEntity* entity, const ACHAR* layerKey);
/// AecBase.dbx, ordinal 7415: writes value into text as a distance of the units selector,
/// with '.' as the decimal point; style -1 is the drawing's own.
void AecBase_7415_formatDistance(double value, CString& text, int style, int unitsSelector);

// AecResMgr.dll

/// AecResMgr.dll, ordinal 116: constructs an empty wide string in storage (which has room for
/// a CString); it is destroyed as an ordinary CString.
CString* AecResMgr_116_constructString(void* storage);
