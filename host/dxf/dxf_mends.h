// What the reader mends in a drawing from another program instead of refusing it: each mend
// recorded once, where it happened, and told to the user as a warning.
#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace cadhost {

/// The kinds of mend the reader makes.
enum class DxfMendKind {
    DataAfterEnd,           ///< groups or text after "0 EOF", ignored
    PointerResolved,        ///< a pointer that held a name now holds the named record's handle
    PointerDropped,         ///< a pointer that named nothing was left out
    HeaderVariableDropped,  ///< a header variable without a name or a value was left out
    ValueClamped,           ///< a modelled value out of range was brought into it
    ValueIgnored,           ///< a modelled value the host cannot take; the host's stays
    EntityCarried,          ///< an entity of a modelled kind the host cannot model, carried as it is
    BlockRecordLinked,      ///< a block record without a handle took the one its layout names
    OwnerGiven,             ///< an object without an owner is owned by the dictionary holding it
};

/// One mend: its kind, the file and line it is about (line 0: the file as a whole) and what
/// was done.
struct DxfMend {
    DxfMendKind kind = DxfMendKind::DataAfterEnd;
    std::string file;
    std::size_t line = 0;
    std::string message;
};

/// The warning a mend is told as: "FILE:LINE: warning: message".
std::string warningText(const DxfMend& mend);

/// The mends made while reading one file.
class DxfMendLog {
public:
    explicit DxfMendLog(std::string fileName) : m_fileName(std::move(fileName)) {}
    /// Records a mend about line of the file.
    void record(DxfMendKind kind, std::size_t line, std::string message);
    const std::vector<DxfMend>& mends() const { return m_mends; }
    /// Hands the mends over, leaving the log empty.
    std::vector<DxfMend> take() { return std::move(m_mends); }
    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_fileName;
    std::vector<DxfMend> m_mends;
};

/// Writes each mend's warning on a line of its own.
void printWarnings(const std::vector<DxfMend>& mends, std::ostream& out);

}  // namespace cadhost
