#include "dxf/dxf_section_runs.h"

#include "dxf/dxf_tags.h"
#include <algorithm>
#include <cstring>

namespace cadhost {

namespace {

/// The record types that only follow another record (a polyline's, a block reference's).
bool isSubrecordType(std::string_view type)
{
    return isRecordType(type, "VERTEX") || isRecordType(type, "ATTRIB") ||
           isRecordType(type, "SEQEND");
}

/// Whether a line (without its line end) could name a record type: not empty, not a group code
/// (digits, perhaps after blanks: a "0" line before it would be a value), no blank first or last.
bool isRecordTypeName(std::string_view line)
{
    if (line.empty() || line.front() == ' ' || line.back() == ' ')
        return false;
    for (const char c : line)
        if (c < '0' || c > '9')
            return true;
    return false;
}

/// Whether text, a line without its LF, is the group code code with blanks around it.
bool isCode(std::string_view text, std::string_view code)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text == code;
}

/// The line before the one that begins at begin (after an LF), without its line end; where it
/// begins in start. Empty, at 0, for the first line.
std::string_view lineBefore(std::string_view bytes, std::size_t begin, std::size_t& start)
{
    if (begin == 0) {
        start = 0;
        return {};
    }
    const std::size_t end = begin - 1;
    const std::size_t previous = end == 0 ? std::string_view::npos : bytes.rfind('\n', end - 1);
    start = previous == std::string_view::npos ? 0 : previous + 1;
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

/// The code line of the ENDSEC that ends the section before an OBJECTS section, looked for in
/// the last quarter of bytes from the end back (OBJECTS follows ENTITIES, and what follows it
/// is short); npos when there is none after from.
std::size_t endBeforeObjects(std::string_view bytes, std::size_t from)
{
    constexpr std::string_view kName = "OBJECTS";
    const std::size_t lowest = std::max(from, bytes.size() - bytes.size() / 4);
    for (std::size_t end = bytes.size(); end > lowest;) {
        // "J" is rare in a drawing: each one is a place where the name may be.
        const void* const found = memrchr(bytes.data() + lowest, 'J', end - lowest);
        if (found == nullptr)
            break;
        end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
        // Its "J" is the third letter.
        if (end < 3)
            break;
        const std::size_t nameBegin = end - 2;
        const std::size_t nameEnd = nameBegin + kName.size();
        if (bytes.compare(nameBegin, kName.size(), kName) != 0 || bytes[nameBegin - 1] != '\n' ||
            (nameEnd < bytes.size() && bytes[nameEnd] != '\n' && bytes[nameEnd] != '\r'))
            continue;
        std::size_t at = nameBegin;
        std::size_t start = 0;
        const bool header = isCode(lineBefore(bytes, at, start), "2") &&
                            lineBefore(bytes, at = start, start) == "SECTION" &&
                            isCode(lineBefore(bytes, at = start, start), "0") &&
                            lineBefore(bytes, at = start, start) == "ENDSEC" &&
                            isCode(lineBefore(bytes, at = start, start), "0");
        if (header)
            return start > from ? start : std::string_view::npos;
    }
    return std::string_view::npos;
}

}  // namespace

std::size_t recordStartAfter(std::string_view bytes, std::size_t from)
{
    constexpr std::size_t kReach = std::size_t{64} << 10;
    const std::size_t end = std::min(bytes.size(), from + kReach);
    for (std::size_t at = from; at < end;) {
        const void* const found = std::memchr(bytes.data() + at, '\n', end - at);
        if (found == nullptr)
            return std::string_view::npos;
        const auto codeBegin =
            static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data()) + 1;
        at = codeBegin;
        const std::size_t codeEnd = bytes.find('\n', codeBegin);
        if (codeEnd == std::string_view::npos || codeEnd - codeBegin > 8 ||
            !isCode(bytes.substr(codeBegin, codeEnd - codeBegin), "0"))
            continue;
        const std::size_t typeEnd = bytes.find('\n', codeEnd + 1);
        if (typeEnd == std::string_view::npos)
            return std::string_view::npos;
        std::string_view type = bytes.substr(codeEnd + 1, typeEnd - codeEnd - 1);
        if (!type.empty() && type.back() == '\r')
            type.remove_suffix(1);
        // A record after a comment does not start a run: the comment would be left before.
        std::size_t commentText = 0;
        std::size_t commentCode = 0;
        lineBefore(bytes, codeBegin, commentText);
        const bool afterComment = isCode(lineBefore(bytes, commentText, commentCode), "999");
        if (isRecordTypeName(type) && !isSubrecordType(type) && !afterComment &&
            !isRecordType(type, "ENDSEC") && !isRecordType(type, "SECTION") &&
            !isRecordType(type, "EOF"))
            return codeBegin;
    }
    return std::string_view::npos;
}

std::size_t sectionEndAfter(std::string_view bytes, std::size_t from)
{
    const std::size_t beforeObjects = endBeforeObjects(bytes, from);
    if (beforeObjects != std::string_view::npos)
        return beforeObjects;
    constexpr std::string_view kEnd = "\nENDSEC";
    for (std::size_t at = from; at < bytes.size();) {
        const void* const found =
            memmem(bytes.data() + at, bytes.size() - at, kEnd.data(), kEnd.size());
        if (found == nullptr)
            break;
        const auto line = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
        const std::size_t after = line + kEnd.size();
        const bool wholeLine =
            after == bytes.size() || bytes[after] == '\n' || bytes[after] == '\r';
        std::size_t codeBegin = 0;
        if (wholeLine && isCode(lineBefore(bytes, line + 1, codeBegin), "0") && codeBegin >= from)
            return codeBegin;
        at = line + 1;
    }
    return bytes.size();
}

DxfSectionRuns::DxfSectionRuns(std::string_view bytes, std::size_t first, std::size_t count,
                               std::size_t smallest)
{
    m_begins.push_back(first);
    const std::size_t length = std::max<std::size_t>(
        {smallest, (bytes.size() - first) / std::max<std::size_t>(count, 1), 1});
    for (std::size_t from = first + length; from < bytes.size(); from += length) {
        const std::size_t begin = recordStartAfter(bytes, from);
        if (begin == std::string_view::npos)
            continue;
        if (begin > m_begins.back())
            m_begins.push_back(begin);
        from = begin;
    }
    m_back = m_begins.size();
}

bool DxfSectionRuns::takeFront(std::size_t run)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (run >= m_back)
        return false;
    m_front = std::max(m_front, run + 1);
    return true;
}

std::optional<std::size_t> DxfSectionRuns::takeBack(std::size_t end)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // The runs from end on lie beyond the section: no one reads them.
    while (m_back > m_front && m_begins[m_back - 1] >= end)
        --m_back;
    if (m_back <= m_front)
        return std::nullopt;
    return --m_back;
}

DxfSectionHelper::DxfSectionHelper(DxfEntityListener& whole, std::size_t fileSize,
                                   DxfFileChunks* file)
    : m_whole(whole), m_fileSize(fileSize), m_file(file), m_thread([this] { run(); })
{
}

void DxfSectionHelper::read(std::string_view bytes, const std::string& fileName,
                            std::unique_ptr<DxfSectionRuns> runs)
{
    m_bytes = bytes;
    m_fileName = &fileName;
    m_runs = std::move(runs);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_offered.store(true, std::memory_order_release);
    }
    m_call.notify_one();
}

void DxfSectionHelper::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true, std::memory_order_relaxed);
    }
    m_call.notify_one();
    // A thread never given runs reads no bytes: it ends on its own, and the destructor waits.
    if (m_offered.load(std::memory_order_relaxed))
        wait();
}

void DxfSectionHelper::run() noexcept
{
    if (m_file != nullptr)
        m_file->readFromBack();
    try {
        m_listener = m_whole.split(m_fileSize);
        // Until the parser reaches the section, both lists and arenas are made resident here,
        // not by the threads as they fill them.
        const std::function<bool()> stop = [this] { return called(); };
        m_whole.prepareAhead(stop);
        if (m_listener != nullptr)
            m_listener->prepareAhead(stop);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_call.wait(lock, [this] { return called(); });
        }
        if (m_offered.load(std::memory_order_acquire) && m_listener != nullptr)
            m_result = readSectionRuns(m_bytes, *m_fileName, *m_listener, m_stop, *m_runs);
    } catch (...) {
        m_result = DxfPartResult();  // read by the parser that reaches the runs
    }
}

}  // namespace cadhost
