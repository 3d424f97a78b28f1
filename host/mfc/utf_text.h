// Conversion between the host's UTF-16 texts and the UTF-8 of scripts, transcripts and reports.
#pragma once
#include <string>

namespace cadhost {

/// The UTF-8 form of a UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(const std::u16string& text);
/// The UTF-8 form of a zero-terminated UTF-16 text; null gives "".
std::string utf8FromUtf16(const char16_t* text);
/// The UTF-16 form of a UTF-8 text; a malformed sequence becomes U+FFFD.
std::u16string utf16FromUtf8(const std::string& text);

}  // namespace cadhost
