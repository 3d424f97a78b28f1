// Where the text of a drawing file goes as the writer makes it: one buffer, reserved for the
// whole file, that groups are formatted into and records as read are copied into.
#pragma once
#include "database/huge_pages.h"
#include "dxf/dxf_tags.h"
#include <string>
#include <string_view>

namespace cadhost {

class DxfSink {
public:
    /// Makes room for expected bytes in all.
    void reserve(std::size_t expected) { reserveLarge(m_text, expected); }

    /// A group: its code right-aligned in three columns, as CAD programs write it, then its
    /// value, each on a line of its own.
    void tag(int code, std::string_view value)
    {
        appendCode(code);
        m_text.append(value.data(), value.size());
        m_text.push_back('\n');
    }
    /// Groups already in the form tag() writes them (a record as read).
    void verbatim(std::string_view text) { m_text.append(text.data(), text.size()); }
    /// The text written.
    std::string& text() { return m_text; }

private:
    void appendCode(int code);
    std::string m_text;
};

}  // namespace cadhost
