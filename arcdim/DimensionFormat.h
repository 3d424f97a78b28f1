// Formatting of the numbers an arc dimension shows, as the drawing's dimension variables ask.
#pragma once
#include "adesk.h"
#include "afxwin.h"

/// Writes value, scaled by factor unless factor is zero, into text as a distance in the
/// drawing's units, with '.' as decimal point.
void formatDistance(CString& text, double value, double factor);

/// Post-processes a formatted distance: DIMZIN bit 8 removes trailing zeros after the point
/// (and a point left bare), bit 4 leading zeros before it; the first '.' then becomes the
/// separator, unless the separator is '.' or zero (no usable separator keeps the point).
void suppressZerosAndSetSeparator(CString& text, int zeroSuppression, ACHAR separator);
