#include "dxf/dxf_tags.h"

#include "dxf/dxf_document.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_mends.h"
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cadhost {

namespace {

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

constexpr DxfValueKind kindByRanges(int code)
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


/// Powers of ten a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// The common form "-123.456" with at most 19 digits whose value is exact as a double before
/// one division by an exact power of ten, so that the quotient is the correctly rounded value;
/// false for every other text (then from_chars decides).
bool parsePlainDecimal(std::string_view text, double& value)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool anyDigit = false;
    for (; p != end; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (mantissa != 0 || c != '0')
                ++digits;
            if (digits > 19)
                return false;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            if (seenPoint)
                ++fractionDigits;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            return false;
        }
    }
    if (!anyDigit || mantissa > (std::uint64_t{1} << 53) || fractionDigits > 22)
        return false;
    const double magnitude =
        static_cast<double>(mantissa) / kExactPowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

/// Throws for a value that its code's kind does not allow; a real's value in number.
void checkValue(int code, DxfValueKind kind, std::string_view value, const std::string& fileName,
                std::uint32_t line, double& number)
{
    number = 0.0;
    switch (kind) {
    case DxfValueKind::String:
        return;
    case DxfValueKind::Real: {
        if (!parseReal(value, number))
            throw DxfError(fileName, line,
                           "the value of group " + std::to_string(code) + " is not a finite number: \"" +
                               std::string(trimmed(value)) + "\"");
        return;
    }
    case DxfValueKind::Integer: {
        long long integer = 0;
        if (!parseInteger(value, integer))
            throw DxfError(fileName, line,
                           "the value of group " + std::to_string(code) + " is not an integer: \"" +
                               std::string(trimmed(value)) + "\"");
        long long minimum = 0;
        long long maximum = 0;
        integerRangeOf(code, minimum, maximum);
        if (integer < minimum || integer > maximum)
            throw DxfError(fileName, line,
                           "the value " + std::to_string(integer) + " of group " +
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

/// One line of bytes from pos: its text without the line end (LF, CR LF, or more CRs before
/// the LF), whether CRs were taken off, and whether an LF ended it.
struct Line {
    std::string_view text;
    bool hadCarriageReturn = false;
    bool ended = false;
};

/// The first LF in [begin, end); end when there is none. Lines are short: sixteen bytes are
/// looked at a time where the processor can.
const char* lineEnd(const char* begin, const char* end)
{
    const char* scan = begin;
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; end - scan >= 16; scan += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed));
        if (found != 0)
            return scan + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    while (scan != end && *scan != '\n')
        ++scan;
    return scan;
}

Line nextLine(std::string_view bytes, std::size_t& pos)
{
    const char* const start = bytes.data() + pos;
    const std::size_t left = bytes.size() - pos;
    const char* const found = lineEnd(start, start + left);
    Line line;
    std::size_t length = left;
    if (found != start + left) {
        length = static_cast<std::size_t>(found - start);
        line.ended = true;
        pos += length + 1;
    } else {
        pos = bytes.size();
    }
    // Every carriage return before the line end goes: one left at the end of a value would
    // be lost when the value is written again, and the value read as another.
    std::size_t kept = length;
    while (kept > 0 && start[kept - 1] == '\r')
        --kept;
    line.text = std::string_view(start, kept);
    line.hadCarriageReturn = kept != length;
    return line;
}

/// A group code as written: a fast path for the plain digits writers use.
bool parseCode(std::string_view text, long long& code)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && text.size() - i <= 4) {
        long long value = 0;
        std::size_t k = i;
        for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k)
            value = value * 10 + (text[k] - '0');
        if (k == text.size() && k > i) {
            code = value;
            return true;
        }
    }
    return parseInteger(text, code);
}

/// Whether a code line is the code as the writer writes it: right-aligned in three columns.
bool isCanonicalCode(std::string_view text, long long code)
{
    char digits[8];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, code);
    const std::size_t length = static_cast<std::size_t>(end - digits);
    const std::size_t width = std::max<std::size_t>(3, length);
    if (error != std::errc() || text.size() != width)
        return false;
    for (std::size_t i = 0; i + length < width; ++i)
        if (text[i] != ' ')
            return false;
    return std::memcmp(text.data() + width - length, digits, length) == 0;
}

/// The code line at pos when it is blanks, one to four digits and an LF, as nearly every
/// writer writes it: its code, whether it is canonical, and pos moved past it; false (pos
/// unchanged) for any other line, which the general path reads.
bool readPlainCodeLine(std::string_view bytes, std::size_t& pos, long long& code, bool& canonical)
{
    const char* p = bytes.data() + pos;
    const char* const end = bytes.data() + bytes.size();
    const char* const first = p;
    while (p != end && *p == ' ')
        ++p;
    const char* const digitsBegin = p;
    long long value = 0;
    while (p != end && *p >= '0' && *p <= '9' && p - digitsBegin < 4)
        value = value * 10 + (*p++ - '0');
    const std::size_t digits = static_cast<std::size_t>(p - digitsBegin);
    if (digits == 0 || p == end || *p != '\n')
        return false;
    const std::size_t width = static_cast<std::size_t>(p - first);
    // Canonical: no leading zero beyond the number's own digits, and three columns wide.
    canonical = width == std::max<std::size_t>(3, digits) && (digits == 1 || *digitsBegin != '0');
    code = value;
    pos += width + 1;
    return true;
}

}  // namespace


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

constexpr std::array<DxfValueKind, kLastDxfGroupCode + 1> kDxfValueKinds = [] {
    std::array<DxfValueKind, kLastDxfGroupCode + 1> kinds{};
    for (int code = 0; code <= kLastDxfGroupCode; ++code)
        kinds[static_cast<std::size_t>(code)] = kindByRanges(code);
    return kinds;
}();

bool parseReal(std::string_view text, double& value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    if (parsePlainDecimal(text, value))
        return true;
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
    std::uint64_t digits = 0;  // 16 hex digits at most: no overflow
    for (const char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        digits = digits << 4 | digit;
    }
    value = digits;
    return true;
}

DxfTagReader::DxfTagReader(std::string_view bytes, const std::string& fileName,
                           DxfMendLog* mends)
    : m_bytes(bytes), m_fileName(fileName), m_mends(mends)
{
    static constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF";
    if (bytes.substr(0, kBinarySentinel.size()) == kBinarySentinel)
        throw DxfError(fileName, 1, "a binary drawing file; only ASCII DXF can be read");
}

DxfTagReader::DxfTagReader(std::string_view bytes, const std::string& fileName,
                           DxfMendLog* mends, std::size_t offset, std::uint32_t linesBefore)
    : m_bytes(bytes), m_fileName(fileName), m_mends(mends), m_pos(offset), m_line(linesBefore)
{
}

bool DxfTagReader::next(DxfTag& tag, std::size_t& offset, DxfTagForm& form)
{
    bool comments = false;
    while (!m_done && m_pos < m_bytes.size()) {
        const std::size_t start = m_pos;
        const std::uint32_t codeLineNumber = ++m_line;
        long long code = 0;
        bool canonicalCode = false;
        if (!readPlainCodeLine(m_bytes, m_pos, code, canonicalCode)) {
            const Line codeLine = nextLine(m_bytes, m_pos);
            if (m_pos >= m_bytes.size() && trimmed(codeLine.text).empty())
                break;  // the line end after the last value
            if (!parseCode(codeLine.text, code))
                throw DxfError(m_fileName, codeLineNumber,
                               "expected a group code, found \"" +
                                   std::string(trimmed(codeLine.text)) + "\"");
            canonicalCode = !codeLine.hadCarriageReturn && codeLine.ended &&
                            isCanonicalCode(codeLine.text, code);
        }
        if (code < 0 || code > kLastDxfGroupCode)
            throw DxfError(m_fileName, codeLineNumber, "unknown group code " + std::to_string(code));
        if (m_pos >= m_bytes.size())
            throw DxfError(m_fileName, codeLineNumber,
                           "the file ends after group code " + std::to_string(code) +
                               " without its value");
        const Line valueLine = nextLine(m_bytes, m_pos);
        const std::uint32_t valueLineNumber = ++m_line;
        if (code == kCommentCode) {
            comments = true;
            continue;
        }
        const int groupCode = static_cast<int>(code);
        const DxfValueKind kind = valueKindOf(groupCode);
        checkValue(groupCode, kind, valueLine.text, m_fileName, valueLineNumber, form.number);
        const bool isString = kind == DxfValueKind::String;
        const std::string_view value = isString ? valueLine.text : trimmed(valueLine.text);
        if (m_versionFollows && code == 1)
            checkVersion(trimmed(valueLine.text), m_fileName, valueLineNumber);
        m_versionFollows = code == 9 && trimmed(valueLine.text) == "$ACADVER";
        tag.code = groupCode;
        tag.value = value;
        tag.line = codeLineNumber;
        offset = start;
        form.canonical = !comments && canonicalCode && !valueLine.hadCarriageReturn &&
                         valueLine.ended && value.size() == valueLine.text.size();
        if (code == 0 && isRecordType(trimmed(value), "EOF")) {
            m_done = true;
            const std::size_t data = m_bytes.find_first_not_of(" \t\r\n\x1a", m_pos);
            if (data != std::string_view::npos && m_mends != nullptr) {
                const auto linesBefore = std::count(m_bytes.begin() + static_cast<long>(m_pos),
                                                    m_bytes.begin() + static_cast<long>(data), '\n');
                m_mends->record(DxfMendKind::DataAfterEnd,
                                m_line + 1 + static_cast<std::uint32_t>(linesBefore),
                                "the data after EOF is ignored");
            }
        }
        return true;
    }
    m_done = true;
    return false;
}

DxfTags readDxfTags(std::string_view bytes, const std::string& fileName, DxfMendLog* mends)
{
    DxfTags tags;
    tags.reserve(bytes.size() / 8);  // typical files hold about one group per 8 bytes
    DxfTagReader reader(bytes, fileName, mends);
    DxfTag tag;
    while (reader.next(tag))
        tags.push_back(tag);
    return tags;
}

bool DxfTagCursor::next(DxfTag& tag)
{
    while (m_pos < m_text.size()) {
        const Line codeLine = nextLine(m_text, m_pos);
        const std::uint32_t codeLineNumber = m_line;
        m_line += 2;
        long long code = 0;
        parseCode(codeLine.text, code);
        const Line valueLine = nextLine(m_text, m_pos);
        if (code == kCommentCode)
            continue;
        tag.code = static_cast<int>(code);
        tag.value = valueKindOf(tag.code) == DxfValueKind::String ? valueLine.text
                                                                  : trimmed(valueLine.text);
        tag.line = codeLineNumber;
        return true;
    }
    return false;
}

std::string formatReal(double value)
{
    char buffer[32];
    return std::string(buffer, writeReal(value, buffer));
}

std::string formatHandle(std::uint64_t value)
{
    char buffer[16];
    return std::string(buffer, writeHandle(value, buffer));
}

char* writeReal(double value, char* out)
{
    const auto [end, error] = std::to_chars(out, out + 28, value);
    if (error != std::errc())
        return out;
    // Readers expect a decimal point or exponent in a real value.
    for (const char* c = out; c != end; ++c)
        if (*c == '.' || *c == 'e' || *c == 'n')
            return end;
    end[0] = '.';
    end[1] = '0';
    return end + 2;
}

char* writeHandle(std::uint64_t value, char* out)
{
    const auto [end, error] = std::to_chars(out, out + 16, value, 16);
    if (error != std::errc())
        return out;
    for (char* c = out; c != end; ++c)
        if (*c >= 'a' && *c <= 'f')
            *c = static_cast<char>(*c - 'a' + 'A');
    return end;
}

}  // namespace cadhost
