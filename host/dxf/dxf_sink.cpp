#include "dxf/dxf_sink.h"

#include <charconv>

namespace cadhost {

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

}  // namespace cadhost
