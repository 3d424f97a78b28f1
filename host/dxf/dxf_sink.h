// Where the text of a drawing file goes as the writer makes it: one buffer that groups are
// formatted into and records as read are copied into. A sink for a string keeps the whole
// text; a sink for a file passes the buffer on to the file whenever a chunk of it is full, so
// that a drawing of any size is written through a buffer of one chunk.
#pragma once
#include "dxf/dxf_tags.h"
#include <cstdio>
#include <string>
#include <string_view>

namespace cadhost {

class DxfSink {
public:
    /// A sink that keeps the whole text.
    DxfSink() = default;
    /// A sink that writes its text to file, chunk by chunk; the file stays the caller's.
    explicit DxfSink(std::FILE* file);
    DxfSink(const DxfSink&) = delete;
    DxfSink& operator=(const DxfSink&) = delete;

    /// Makes room for expected bytes in all (a file's sink holds one chunk at most).
    void reserve(std::size_t expected);

    /// A group: its code right-aligned in three columns, as CAD programs write it, then its
    /// value, each on a line of its own.
    void tag(int code, std::string_view value)
    {
        appendCode(code);
        m_text.append(value.data(), value.size());
        m_text.push_back('\n');
        if (m_text.size() >= m_chunk)
            pass();
    }
    /// Groups already in the form tag() writes them (a record as read).
    void verbatim(std::string_view text)
    {
        m_text.append(text.data(), text.size());
        if (m_text.size() >= m_chunk)
            pass();
    }
    /// The text written (a string's sink).
    std::string& text() { return m_text; }
    /// Writes what the buffer holds to the file; false when the file refused any of the text.
    bool finish();

private:
    void appendCode(int code);
    /// Hands the buffer to the file and empties it.
    void pass();

    std::string m_text;
    std::FILE* m_file = nullptr;
    std::size_t m_chunk = static_cast<std::size_t>(-1);
    bool m_refused = false;
};

}  // namespace cadhost
