// Basic host types: fixed-width integers, the host Boolean and the wide character type.
#pragma once
#include <cstdint>

namespace Adesk {
typedef std::int8_t Int8;
typedef std::int16_t Int16;
typedef std::int32_t Int32;
typedef std::int64_t Int64;
typedef std::uint8_t UInt8;
typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::uint64_t UInt64;
typedef std::intptr_t LongPtr;
typedef std::uintptr_t ULongPtr;
typedef bool Boolean;
constexpr Boolean kFalse = false;
constexpr Boolean kTrue = true;
}  // namespace Adesk

#ifdef _WIN32
/// The host's text unit: the platform's 16-bit wide character.
typedef wchar_t ACHAR;
/// Makes a host text literal: ACRX_T("abc") is L"abc".
#define ACRX_T(x) L##x
#else
// wchar_t is 32 bits wide here, so the host's UTF-16 text unit has a type of its own.
/// The host's text unit: one UTF-16 code unit, as on the host's own platform.
typedef char16_t ACHAR;
/// Makes a host text literal: ACRX_T("abc") is u"abc".
#define ACRX_T(x) u##x
#endif
