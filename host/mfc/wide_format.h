// The host's printf engine for UTF-16 formats, shared by acutPrintf, CString::Format and the
// jig's drag prompt.
#pragma once
#include <cstdarg>
#include <string>

namespace cadhost {

/// Formats as the host platform's wide printf does: %s, %ls and %ws take a UTF-16 string, %hs
/// and %S a narrow one, %c and %lc a UTF-16 unit, %hc a narrow char; d i u o x X with the
/// length prefixes hh h l ll z j t I64; e E f F g G a A (L: long double); p; %%; flags, widths
/// and precisions (also *). A null string prints "(null)". %n writes nothing. An unknown
/// conversion is copied as it stands.
std::u16string formatWide(const char16_t* format, va_list args);

/// formatWide with its arguments given directly.
std::u16string formatWideArgs(const char16_t* format, ...);

}  // namespace cadhost
