// The command oblouk_delka_m: the length of the arc through three picked points.
#pragma once
#include "adscodes.h"
#include "win32.h"

/// Reads the three temporary points of set, erases them and prints the arc length; message
/// boxes owned by owner report failures. 0 on success, -1 on failure.
int runArcLength(HWND owner, ads_name& set, int mode);

/// The exported command: asks for three points and prints the length of the arc through them.
extern "C" void oblouk_delka_m();
