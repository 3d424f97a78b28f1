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
std::size_t utf8SequenceLength(const std::string& text, std::size_t i)
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

}  // namespace

bool isUtf8Version(const std::string& version)
{
    return version >= "AC1021";
}

std::u16string decodeDxfText(const std::string& value)
{
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
            text += utf16FromUtf8(value.substr(i, length));
            i += length;
        } else {
            text.push_back(static_cast<char16_t>(c));
            ++i;
        }
    }
    return text;
}

std::string encodeDxfText(const std::u16string& text, bool utf8)
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
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(c));
            value += escape;
        }
    }
    return value;
}

}  // namespace cadhost
