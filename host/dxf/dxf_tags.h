// The group code/value pairs an ASCII drawing file is made of, read in place: a group is its
// code, a view of its value in the file's bytes (or in texts the host made) and its line. The
// kind of value each group code carries, and the checked conversion of values to numbers.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost {

class DxfMendLog;

/// One group: its code, its value as written (a view of the file's bytes or of a text the
/// host keeps), and the line of its code in the file (0 for a group the host made); its value
/// is on the line after.
struct DxfTag {
    int code = 0;
    std::string_view value;
    std::uint32_t line = 0;
};

using DxfTags = std::vector<DxfTag>;

/// Texts the host makes for groups (numbers, handles, names), kept at a fixed place for as
/// long as the groups that view them.
class DxfTextStore {
public:
    /// A view of a kept copy of text.
    std::string_view keep(std::string text)
    {
        m_texts.push_back(std::move(text));
        return m_texts.back();
    }
    /// A group of code whose value is a kept copy of value.
    DxfTag tag(int code, std::string value) { return {code, keep(std::move(value)), 0}; }

private:
    std::deque<std::string> m_texts;
};

/// What a group code's value is, by the ranges of the drawing format. Group 5 counts as a
/// string: it is a record's handle, except in an R12 dimension style (a block name).
enum class DxfValueKind { String, Real, Integer, Handle, Binary };

/// The highest group code the format has.
constexpr int kLastDxfGroupCode = 1071;
/// The value kind of each group code up to kLastDxfGroupCode.
extern const std::array<DxfValueKind, kLastDxfGroupCode + 1> kDxfValueKinds;

/// The value kind of a group code.
inline DxfValueKind valueKindOf(int code)
{
    return code >= 0 && code <= kLastDxfGroupCode ? kDxfValueKinds[static_cast<std::size_t>(code)]
                                                  : DxfValueKind::String;
}
/// Whether the code's value is a handle that refers to another object (not a record's own
/// handle, 5 or 105).
inline bool isReferenceCode(int code)
{
    return valueKindOf(code) == DxfValueKind::Handle && code != 105;
}
/// The inclusive range an integer code's value must lie in.
void integerRangeOf(int code, long long& minimum, long long& maximum);

/// Whether value is type (a record type, not empty); the length and first character tell
/// most values apart before their texts are compared.
inline bool isRecordType(std::string_view value, std::string_view type)
{
    return value.size() == type.size() && value.front() == type.front() && value == type;
}

/// The number written in text (surrounding blanks allowed); false unless all of it is a
/// finite decimal number.
bool parseReal(std::string_view text, double& value);
/// The integer written in text (surrounding blanks allowed); false unless all of it is one.
bool parseInteger(std::string_view text, long long& value);
/// The handle written in text as hex digits; false unless it is one of 1 to 16 digits.
bool parseHandle(std::string_view text, std::uint64_t& value);

/// The shortest text that reads back as exactly value.
std::string formatReal(double value);
/// A handle as upper-case hex digits.
std::string formatHandle(std::uint64_t value);
/// Writes the shortest text of value that reads back as it at out (room for 32 characters);
/// returns its end.
char* writeReal(double value, char* out);
/// Writes a handle as upper-case hex digits at out (room for 16); returns its end.
char* writeHandle(std::uint64_t value, char* out);

/// Flags of a group as read, for the writer's verbatim copy of what did not change.
struct DxfTagForm {
    /// Whether the group's two lines are exactly what the writer writes for it: the code
    /// right-aligned in three columns, the value as the group holds it, each ended by LF.
    bool canonical = false;
    /// The value of a group whose code holds a real, as checked; 0 for other groups.
    double number = 0.0;
};

/// Reads the groups of an ASCII drawing file's bytes one at a time, up to and including
/// "0 EOF", each value checked against its code's kind (a pointer that holds no handle is left
/// for the repair pass). Comments (999) are skipped; data after EOF is ignored, recorded in
/// mends. Throws DxfError naming fileName and the line for a file that is binary, of a version
/// the host does not read, truncated, or has a code or value that is not what the format
/// allows. The groups view bytes, which must outlive them.
class DxfTagReader {
public:
    DxfTagReader(std::string_view bytes, const std::string& fileName, DxfMendLog* mends);
    /// A reader of the groups of bytes from offset on, a group's code line, after
    /// linesBefore lines.
    DxfTagReader(std::string_view bytes, const std::string& fileName, DxfMendLog* mends,
                 std::size_t offset, std::uint32_t linesBefore);
    /// The next group, the offset of its code line in bytes (after comments before it) and
    /// its form; false at the end.
    bool next(DxfTag& tag, std::size_t& offset, DxfTagForm& form);
    bool next(DxfTag& tag)
    {
        std::size_t offset = 0;
        DxfTagForm form;
        return next(tag, offset, form);
    }
    /// The offset where the groups not read yet begin (the end of the groups after EOF).
    std::size_t offset() const { return m_pos; }
    /// The number of lines read so far (those before offset()).
    std::uint32_t linesRead() const { return m_line; }
    /// Goes on from offset, a group's code line after linesBefore lines, as a reader that had
    /// read up to there and whose last group was not a version's name.
    void resume(std::size_t offset, std::uint32_t linesBefore)
    {
        m_pos = offset;
        m_line = linesBefore;
        m_versionFollows = false;
    }

private:
    std::string_view m_bytes;
    const std::string& m_fileName;
    DxfMendLog* m_mends;
    std::size_t m_pos = 0;
    std::uint32_t m_line = 0;
    bool m_versionFollows = false;
    bool m_done = false;
};

/// All groups of bytes, as DxfTagReader reads them; they view bytes.
DxfTags readDxfTags(std::string_view bytes, const std::string& fileName,
                    DxfMendLog* mends = nullptr);

/// Walks the groups of text that a DxfTagReader has checked (a record as read), whose first
/// code line is line, without checking them again.
class DxfTagCursor {
public:
    DxfTagCursor(std::string_view text, std::uint32_t line) : m_text(text), m_line(line) {}
    /// The next group; false at the end of text.
    bool next(DxfTag& tag);

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::uint32_t m_line;
};

}  // namespace cadhost
