// Texts in a drawing file: UTF-8 from version AC1021 on; before that single bytes with
// non-ASCII characters written as \U+XXXX escapes.
#pragma once
#include <string>
#include <string_view>

namespace cadhost {

/// Whether a file of this version ($ACADVER) holds UTF-8 texts.
bool isUtf8Version(std::string_view version);

/// The text of a value as read. \U+XXXX escapes and carets (^J a line end, "^ " a caret)
/// are decoded; other bytes are UTF-8 when they form it, otherwise characters of the file's
/// code page ($DWGCODEPAGE: ANSI_1250 and ANSI_1252 are known, others read as Latin-1).
std::u16string decodeDxfText(std::string_view value, std::string_view codePage = "ANSI_1252");
/// The value that holds text in a file of this version: UTF-8, or single bytes of the file's
/// code page with \U+XXXX escapes for characters it does not have (and for all of them when
/// the bytes would read back as other text); control characters and carets as carets.
std::string encodeDxfText(const std::u16string& text, bool utf8,
                          const std::string& codePage = "ANSI_1252");

/// The character a code stands for in a single-character variable ($DIMDSEP): up to 255 a
/// byte of the file's code page (before UTF-8 versions), otherwise the character's number.
char16_t characterOfCode(int code, bool utf8, const std::string& codePage);
/// The code of a character in a single-character variable, as characterOfCode reads it.
int codeOfCharacter(char16_t c, bool utf8, const std::string& codePage);

}  // namespace cadhost
