#include "dxf/dxf_text.h"

#include "mfc/utf_text.h"
#include <cstdio>

namespace cadhost {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

/// The length of the well-formed UTF-8 sequence at text[i]; 0 when there is none.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0                  ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                               : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

/// The characters of bytes 0x80 to 0xFF in Windows code page 1250 (Central European).
constexpr char16_t kWindows1250[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
/// The same in Windows code page 1252 (Western European).
constexpr char16_t kWindows1252[128] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

/// The characters of the upper bytes in a file of this code page ($DWGCODEPAGE, in any
/// case); null for Latin-1.
const char16_t* upperHalfOf(std::string_view codePage)
{
    const auto is = [codePage](std::string_view name) {
        if (codePage.size() != name.size())
            return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = codePage[i];
            if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != name[i])
                return false;
        }
        return true;
    };
    if (is("ANSI_1250"))
        return kWindows1250;
    if (is("ANSI_1252") || codePage.empty())
        return kWindows1252;
    return nullptr;
}

}  // namespace

bool isUtf8Version(std::string_view version)
{
    return version >= "AC1021";
}

std::u16string decodeDxfText(std::string_view value, std::string_view codePage)
{
    const char16_t* upperHalf = upperHalfOf(codePage);
    std::u16string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c == '\\' && i + 7 <= value.size() && value[i + 1] == 'U' && value[i + 2] == '+') {
            int code = 0;
            bool valid = true;
            for (std::size_t k = 3; k < 7; ++k) {
                const int digit = hexValue(value[i + k]);
                valid = valid && digit >= 0;
                code = code * 16 + (digit < 0 ? 0 : digit);
            }
            if (valid) {
                text.push_back(static_cast<char16_t>(code));
                i += 7;
                continue;
            }
        }
        if (c == '^' && i + 1 < value.size() &&
            (value[i + 1] == ' ' || (value[i + 1] >= '@' && value[i + 1] <= '_'))) {
            // A control character written as a caret and a letter; "^ " is the caret itself.
            const char next = value[i + 1];
            text.push_back(next == ' ' ? u'^' : static_cast<char16_t>(next - 0x40));
            i += 2;
            continue;
        }
        if (c < 0x80) {
            text.push_back(static_cast<char16_t>(c));
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(value, i);
        if (length > 0) {
            text += utf16FromUtf8(std::string(value.substr(i, length)));
            i += length;
        } else {
            text.push_back(upperHalf != nullptr ? upperHalf[c - 0x80] : static_cast<char16_t>(c));
            ++i;
        }
    }
    return text;
}

namespace {

/// The byte of the file's code page for c (0x80 to 0xFF); 0 when it has none.
unsigned char codePageByte(char16_t c, const char16_t* upperHalf)
{
    if (upperHalf == nullptr)
        return c >= 0x80 && c <= 0xFF ? static_cast<unsigned char>(c) : 0;
    for (int i = 0; i < 128; ++i)
        if (upperHalf[i] == c && c != 0xFFFD)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

std::string encodeText(const std::u16string& text, bool utf8, const char16_t* upperHalf,
                       bool codePageBytes)
{
    std::string value;
    value.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x20) {
            // A line end inside a value would end the value: written as a caret and a letter.
            value.push_back('^');
            value.push_back(static_cast<char>(c + 0x40));
        } else if (c == u'^') {
            value += "^ ";
        } else if (c < 0x80) {
            value.push_back(static_cast<char>(c));
        } else if (utf8) {
            const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() &&
                              text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
            value += utf8FromUtf16(text.substr(i, pair ? 2 : 1));
            if (pair)
                ++i;
        } else if (const unsigned char byte = codePageBytes ? codePageByte(c, upperHalf) : 0) {
            value.push_back(static_cast<char>(byte));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(c));
            value += escape;
        }
    }
    return value;
}

}  // namespace

std::string encodeDxfText(const std::u16string& text, bool utf8, const std::string& codePage)
{
    const char16_t* upperHalf = upperHalfOf(codePage);
    std::string value = encodeText(text, utf8, upperHalf, true);
    // Bytes of the code page that happen to form UTF-8 would read back as other characters.
    if (!utf8 && decodeDxfText(value, codePage) != text)
        value = encodeText(text, utf8, upperHalf, false);
    return value;
}

char16_t characterOfCode(int code, bool utf8, const std::string& codePage)
{
    if (code >= 0x80 && code <= 0xFF && !utf8) {
        const char16_t* upperHalf = upperHalfOf(codePage);
        return upperHalf == nullptr ? static_cast<char16_t>(code) : upperHalf[code - 0x80];
    }
    return static_cast<char16_t>(code);
}

int codeOfCharacter(char16_t c, bool utf8, const std::string& codePage)
{
    if (c < 0x80 || utf8)
        return c;
    const unsigned char byte = codePageByte(c, upperHalfOf(codePage));
    return byte != 0 ? byte : c;
}

}  // namespace cadhost
