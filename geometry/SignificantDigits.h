// Decimal texts kept to the digits a double holds.
#pragma once
#include "afxwin.h"

/// The significant digits of a decimal that survive the way into a double and back.
constexpr int kDoubleSignificantDigits = 15;

/// Rounds a plain decimal text (an optional '-', digits, an optional '.' and digits) half away
/// from zero to at most maxDigits significant digits: decimals beyond them are dropped and
/// whole digits beyond them become zeros. Any other text, and one with no more digits than
/// that, stays as it is.
void limitSignificantDigits(CString& text, int maxDigits);
