#include "dxf/dxf_sink.h"

#include "database/huge_pages.h"
#include <algorithm>
#include <charconv>

namespace cadhost {

namespace {

/// The text a file's sink holds before it writes it: large enough that writing costs a
/// system call per quarter megabyte, small against any drawing worth streaming.
constexpr std::size_t kFileChunk = std::size_t{256} << 10;

}  // namespace

DxfSink::DxfSink(std::FILE* file) : m_file(file), m_chunk(kFileChunk)
{
}

void DxfSink::reserve(std::size_t expected)
{
    if (m_file != nullptr) {
        m_text.reserve(std::min(expected, kFileChunk + kFileChunk / 16));
        populatePages(m_text.data(), m_text.capacity());
    } else
        reserveLarge(m_text, expected);
}

void DxfSink::appendCode(int code)
{
    char line[16] = {' ', ' ', ' '};
    char* const digits = line + 3;
    const auto [end, error] = std::to_chars(digits, line + sizeof line - 1, code);
    std::size_t length = error == std::errc() ? static_cast<std::size_t>(end - digits) : 0;
    const char* first = length < 3 ? digits - (3 - length) : digits;
    char* last = digits + length;
    *last++ = '\n';
    m_text.append(first, static_cast<std::size_t>(last - first));
}

void DxfSink::pass()
{
    if (m_file == nullptr)
        return;
    if (!m_refused && std::fwrite(m_text.data(), 1, m_text.size(), m_file) != m_text.size())
        m_refused = true;
    m_text.clear();
}

bool DxfSink::finish()
{
    pass();
    return !m_refused;
}

}  // namespace cadhost
