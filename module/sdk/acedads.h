// The host editor's C interface: user input, the command line, system variables, result
// buffers, selection sets, entity lists and coordinate conversion.
#pragma once
#include "adscodes.h"
#include "win32.h"

/// Reads a system variable into result (its restype and value). A string value is allocated
/// for the caller, who frees it (acutDelString, or with the chain by acutRelRb).
int acedGetVar(const ACHAR* name, resbuf* result);
/// Sets a system variable; RTERROR for an unknown or read-only name, a wrong type or a value
/// out of range.
int acedSetVar(const ACHAR* name, const resbuf* value);

/// Asks for a point; the answer is in the current UCS. RTNORM, RTCAN (Escape), RTNONE (Enter).
int acedGetPoint(const ads_point basePoint, const ACHAR* prompt, ads_point result);
/// Asks the user to pick an entity: its name and the pick point (current UCS). A pick that
/// hits nothing gives RTERROR with "ERRNO" 7, Enter gives RTERROR with "ERRNO" 52.
int acedEntSel(const ACHAR* prompt, ads_name entity, ads_point pickPoint);
/// Prints text on the command line.
int acedPrompt(const ACHAR* text);
/// Prints printf-style formatted text on the command line; %s takes an ACHAR string.
int acutPrintf(const ACHAR* format, ...);

/// A new result buffer of this type, zero-filled otherwise.
resbuf* acutNewRb(int type);
/// Frees a whole chain, with the strings its string-valued records own.
int acutRelRb(resbuf* chain);
/// A chain of (type, value) pairs ending at 0 or RTNONE; strings are copied.
resbuf* acutBuildList(int type, ...);
/// A host-allocated copy of text, to be freed with acutDelString.
ACHAR* acutNewString(const ACHAR* text);
/// Frees a string the host allocated.
void acutDelString(ACHAR*& text);

/// Adds entity to set (both null: a new empty set in result).
int acedSSAdd(const ads_name entity, const ads_name set, ads_name result);
int acedSSLength(const ads_name set, long* length);
int acedSSName(const ads_name set, long index, ads_name entity);
int acedSSFree(const ads_name set);

/// Makes an entity in the current space from its definition list.
int acdbEntMake(const resbuf* definition);
/// The name of the last entity of the drawing that is not erased.
int acdbEntLast(ads_name entity);
/// Erases the entity; a second call on the same entity undeletes it.
int acdbEntDel(const ads_name entity);
/// The entity's definition list (the caller frees it with acutRelRb), or null.
resbuf* acdbEntGet(const ads_name entity);

/// Converts a point (or with asVector a displacement) from the current UCS to world coordinates.
bool acdbUcs2Wcs(ads_point from, ads_point to, bool asVector);
/// Converts a point (or displacement) from world coordinates to the current UCS.
bool acdbWcs2Ucs(ads_point from, ads_point to, bool asVector);

/// The host's main window.
HWND adsw_acadMainWnd();
