// The rest of a drawing's ENTITIES section cut into runs at record starts, shared by the parser
// and a second thread: the parser reads on from the front, the other thread takes whole runs
// from the back, and the two meet wherever their speeds make them meet.
#pragma once
#include <cstddef>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace cadhost {

/// The offset of the first "  0" code line at or after from (within a short reach) that seems
/// to start an entity of its own: followed by a record type (not a group code) that does not
/// end a section or the file and is not a sub-record's. npos when there is none; a line that
/// only seems to start a record (after a comment) is found out when the runs are joined.
std::size_t recordStartAfter(std::string_view bytes, std::size_t from);

/// The offset of the code line of the first ENDSEC record after from, where the section at
/// from ends in a well-formed file; bytes.size() when there is none.
std::size_t sectionEndAfter(std::string_view bytes, std::size_t from);

class DxfSectionRuns {
public:
    /// The runs of bytes from first on, where the parser stands at a record: about count of
    /// them of one length each, none shorter than smallest bytes, each beginning at a record
    /// start (fewer where none is found). Run 0, from first, is the parser's.
    DxfSectionRuns(std::string_view bytes, std::size_t first, std::size_t count,
                   std::size_t smallest);
    DxfSectionRuns(const DxfSectionRuns&) = delete;
    DxfSectionRuns& operator=(const DxfSectionRuns&) = delete;

    /// The number of runs, run 0 included.
    std::size_t count() const { return m_begins.size(); }
    /// Where run begins; npos for run count(), past the last.
    std::size_t begin(std::size_t run) const
    {
        return run < m_begins.size() ? m_begins[run] : std::string_view::npos;
    }
    /// For the parser, which has reached run's beginning: whether it reads run itself (the
    /// other thread has not taken it); if so, run is the parser's from now on.
    bool takeFront(std::size_t run);
    /// For the other thread: the last run that begins before end and that neither thread has
    /// taken, now the other thread's; none when the parser has reached all the rest.
    std::optional<std::size_t> takeBack(std::size_t end);

private:
    std::vector<std::size_t> m_begins;
    std::mutex m_mutex;
    std::size_t m_front = 1;  ///< the runs before it are the parser's
    std::size_t m_back;       ///< the runs from it on are the other thread's
};

}  // namespace cadhost
