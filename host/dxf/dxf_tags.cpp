#include "dxf/dxf_tags.h"

#include "dxf/dxf_document.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_mends.h"
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace cadhost {

namespace {

constexpr int kLastGroupCode = 1071;
constexpr int kCommentCode = 999;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

/// Reads the file's lines one at a time, counting them.
class LineCursor {
public:
    explicit LineCursor(const std::string& bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    std::uint32_t lineNumber() const { return m_line; }
    /// The next line without its line end (LF, CR LF, or more CRs before the LF).
    std::string_view next()
    {
        const std::size_t end = m_bytes.find('\n', m_pos);
        const std::size_t stop = end == std::string::npos ? m_bytes.size() : end;
        std::string_view line(m_bytes.data() + m_pos, stop - m_pos);
        // Every carriage return before the line end goes: one left at the end of a value
        // would be lost when the value is written again, and the value read as another.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_pos = end == std::string::npos ? m_bytes.size() : end + 1;
        ++m_line;
        return line;
    }

    /// The line of the first data left other than blanks, line ends and a DOS end-of-file
    /// byte; 0 when there is none.
    std::uint32_t lineOfDataLeft() const
    {
        const std::size_t data = m_bytes.find_first_not_of(" \t\r\n\x1a", m_pos);
        if (data == std::string::npos)
            return 0;
        return m_line + 1 +
               static_cast<std::uint32_t>(std::count(m_bytes.begin() + static_cast<long>(m_pos),
                                                     m_bytes.begin() + static_cast<long>(data), '\n'));
    }

private:
    const std::string& m_bytes;
    std::size_t m_pos = 0;
    std::uint32_t m_line = 0;
};

void checkValue(int code, std::string_view value, const std::string& fileName,
                std::uint32_t line)
{
    switch (valueKindOf(code)) {
    case DxfValueKind::String:
        return;
    case DxfValueKind::Real: {
        double number = 0.0;
        if (!parseReal(value, number))
            throw DxfError(fileName, line,
                           "the value of group " + std::to_string(code) + " is not a finite number: \"" +
                               std::string(trimmed(value)) + "\"");
        return;
    }
    case DxfValueKind::Integer: {
        long long number = 0;
        if (!parseInteger(value, number))
            throw DxfError(fileName, line,
                           "the value of group " + std::to_string(code) + " is not an integer: \"" +
                               std::string(trimmed(value)) + "\"");
        long long minimum = 0;
        long long maximum = 0;
        integerRangeOf(code, minimum, maximum);
        if (number < minimum || number > maximum)
            throw DxfError(fileName, line,
                           "the value " + std::to_string(number) + " of group " +
                               std::to_string(code) + " is out of range");
        return;
    }
    case DxfValueKind::Handle:
        return;  // a pointer that holds no handle is mended after reading
    case DxfValueKind::Binary: {
        const std::string_view digits = trimmed(value);
        for (char c : digits)
            if (!isHexDigit(c))
                throw DxfError(fileName, line,
                               "the value of group " + std::to_string(code) +
                                   " is not binary data in hex digits");
        return;
    }
    }
}

/// Throws for a drawing format version the host does not read.
void checkVersion(std::string_view version, const std::string& fileName, std::uint32_t line)
{
    const std::vector<std::string>& known = knownDxfVersions();
    if (std::find(known.begin(), known.end(), version) != known.end())
        return;
    // R2.5 to R10 wrote "AC1.50", "AC2.10" or "AC1001" to "AC1006".
    const bool older = version.substr(0, 2) == "AC" &&
                       (version.find('.') != std::string_view::npos ||
                        (version.size() == 6 && version < "AC1009"));
    throw DxfError(fileName, line,
                   older ? "a drawing older than R12 (" + std::string(version) +
                               "); versions AC1009 (R12) to AC1032 are read"
                         : "unknown drawing format version \"" + std::string(version) +
                               "\" (AC1009 to AC1032 are read)");
}

}  // namespace

DxfValueKind valueKindOf(int code)
{
    if (code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
        code == 480 || code == 481 || code == 1005)
        return DxfValueKind::Handle;
    if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
        (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
        (code >= 1010 && code <= 1059))
        return DxfValueKind::Real;
    if ((code >= 60 && code <= 79) || (code >= 90 && code <= 99) ||
        (code >= 160 && code <= 179) || (code >= 270 && code <= 299) ||
        (code >= 370 && code <= 389) || (code >= 400 && code <= 409) ||
        (code >= 420 && code <= 429) || (code >= 440 && code <= 459) ||
        (code >= 1060 && code <= 1071))
        return DxfValueKind::Integer;
    if ((code >= 310 && code <= 319) || code == 1004)
        return DxfValueKind::Binary;
    return DxfValueKind::String;
}

bool isReferenceCode(int code)
{
    return valueKindOf(code) == DxfValueKind::Handle && code != 105;
}

void integerRangeOf(int code, long long& minimum, long long& maximum)
{
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) ||
        (code >= 440 && code <= 459) || code == 1071) {
        // 32-bit values; some writers put unsigned ones (colours, flags) in them.
        minimum = std::numeric_limits<std::int32_t>::min();
        maximum = std::numeric_limits<std::uint32_t>::max();
    } else if (code >= 160 && code <= 169) {
        minimum = std::numeric_limits<long long>::min();
        maximum = std::numeric_limits<long long>::max();
    } else {
        // 16-bit values; unsigned ones up to 65535 occur in the wild as well.
        minimum = std::numeric_limits<std::int16_t>::min();
        maximum = std::numeric_limits<std::uint16_t>::max();
    }
}

bool parseReal(std::string_view text, double& value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && std::isfinite(value);
}

bool parseInteger(std::string_view text, long long& value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

bool parseHandle(std::string_view text, std::uint64_t& value)
{
    text = trimmed(text);
    if (text.empty() || text.size() > 16)
        return false;
    for (char c : text)
        if (!isHexDigit(c))
            return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

DxfTags readDxfTags(const std::string& bytes, const std::string& fileName, DxfMendLog* mends)
{
    static const char kBinarySentinel[] = "AutoCAD Binary DXF";
    if (bytes.compare(0, std::strlen(kBinarySentinel), kBinarySentinel) == 0)
        throw DxfError(fileName, 1, "a binary drawing file; only ASCII DXF can be read");
    DxfTags tags;
    tags.reserve(bytes.size() / 8);  // typical files hold about one group per 8 bytes
    LineCursor cursor(bytes);
    bool versionFollows = false;
    while (!cursor.atEnd()) {
        const std::string_view codeText = cursor.next();
        const std::uint32_t codeLine = cursor.lineNumber();
        if (cursor.atEnd() && trimmed(codeText).empty())
            break;  // the line end after the last value
        long long code = 0;
        if (!parseInteger(codeText, code))
            throw DxfError(fileName, codeLine,
                           "expected a group code, found \"" + std::string(trimmed(codeText)) +
                               "\"");
        if (code < 0 || code > kLastGroupCode)
            throw DxfError(fileName, codeLine, "unknown group code " + std::to_string(code));
        if (cursor.atEnd())
            throw DxfError(fileName, codeLine,
                           "the file ends after group code " + std::to_string(code) +
                               " without its value");
        const std::string_view value = cursor.next();
        if (code == kCommentCode)
            continue;
        checkValue(static_cast<int>(code), value, fileName, cursor.lineNumber());
        if (versionFollows && code == 1)
            checkVersion(trimmed(value), fileName, cursor.lineNumber());
        versionFollows = code == 9 && trimmed(value) == "$ACADVER";
        DxfTag tag;
        tag.code = static_cast<int>(code);
        tag.line = codeLine;
        tag.value = valueKindOf(tag.code) == DxfValueKind::String ? std::string(value)
                                                                  : std::string(trimmed(value));
        tags.push_back(std::move(tag));
        if (code == 0 && trimmed(value) == "EOF") {
            if (const std::uint32_t line = cursor.lineOfDataLeft(); mends != nullptr && line != 0)
                mends->record(DxfMendKind::DataAfterEnd, line, "the data after EOF is ignored");
            break;
        }
    }
    return tags;
}

std::string formatReal(double value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, error == std::errc() ? end : buffer);
    // Readers expect a decimal point or exponent in a real value.
    if (text.find_first_of(".en") == std::string::npos)
        text += ".0";
    return text;
}

std::string formatHandle(std::uint64_t value)
{
    char buffer[17];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string text(buffer, error == std::errc() ? end : buffer);
    for (char& c : text)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace cadhost
