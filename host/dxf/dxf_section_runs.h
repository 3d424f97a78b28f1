// The rest of a drawing's ENTITIES section cut into runs at record starts, shared by the parser
// and a second thread: the parser reads on from the front, the other thread takes whole runs
// from the back, and the two meet wherever their speeds make them meet.
#pragma once
#include "dxf/dxf_document.h"
#include "dxf/dxf_file_chunks.h"
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace cadhost {

/// The offset of the first code line 0 after from (within a short reach) that seems to start
/// an entity of its own: followed by a record type (not a group code) that does not
/// end a section or the file and is not a sub-record's, and not after a comment. npos when there
/// is none; of a file that is not well-formed, a line that only seems to start a record is
/// found out when the runs are joined.
std::size_t recordStartAfter(std::string_view bytes, std::size_t from);

/// The offset of the code line of the ENDSEC record where the section at from ends in a
/// well-formed file: the one before an OBJECTS section near the end of the file when there is
/// one (the usual order), else the first after from; bytes.size() when there is none.
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

/// A run of an ENTITIES section that the second thread read.
struct DxfPartRun {
    std::size_t run = 0;          ///< which run of the section
    std::size_t firstRecord = 0;  ///< its first record among the thread's
    std::size_t records = 0;
    /// The lines from its start to the next run's (for the last, to the section's ENDSEC).
    std::uint32_t lines = 0;
};

/// What the second thread found.
struct DxfPartResult {
    /// Whether the runs taken were all read without an error (else the parser reads them).
    bool complete = false;
    /// Their records in the order read, each run's lines counted from its start.
    DxfRecords records;
    /// The runs in the order read: from the section's last back.
    std::vector<DxfPartRun> runs;
    std::uint64_t highestHandle = 0;
    /// Where to go on reading at the section's ENDSEC.
    std::size_t resumeOffset = 0;
};

/// The second thread, which reads runs of an ENTITIES section from its end back while the
/// parser reads on from the front. Made before the file is read, it has started and made its
/// room by the time the parser reaches the section.
class DxfSectionHelper {
public:
    /// Starts the thread, which first reads chunks of file from the back, when given, then
    /// has whole make the listener of the runs it will read (split) for a file of fileSize
    /// bytes, and the room of both resident (prepareAhead) until it is given runs. Throws
    /// std::system_error when there is no thread to be had.
    DxfSectionHelper(DxfEntityListener& whole, std::size_t fileSize,
                     DxfFileChunks* file = nullptr);
    DxfSectionHelper(const DxfSectionHelper&) = delete;
    DxfSectionHelper& operator=(const DxfSectionHelper&) = delete;
    /// Stops the thread and waits for it.
    ~DxfSectionHelper()
    {
        finish();
        wait();
    }

    /// Has the thread read runs of the file bytes, named fileName (both outliving it), from the
    /// back; at most once.
    void read(std::string_view bytes, const std::string& fileName,
              std::unique_ptr<DxfSectionRuns> runs);
    /// The runs given to read.
    DxfSectionRuns& runs() { return *m_runs; }
    /// What the thread found, when it is done.
    DxfPartResult& result()
    {
        wait();
        return m_result;
    }
    /// The listener that was told the records of the runs read.
    std::unique_ptr<DxfEntityListener> takeListener() { return std::move(m_listener); }
    /// Stops the reading when it is not done; waits for the thread when it was given runs (it
    /// reads the bytes no longer).
    void finish();

private:
    void run() noexcept;
    void wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    /// Whether the thread has runs to read or is to stop.
    bool called() const
    {
        return m_offered.load(std::memory_order_acquire) ||
               m_stop.load(std::memory_order_relaxed);
    }

    DxfEntityListener& m_whole;
    std::size_t m_fileSize;
    DxfFileChunks* m_file;
    std::mutex m_mutex;
    std::condition_variable m_call;
    std::atomic<bool> m_offered{false};
    std::atomic<bool> m_stop{false};
    std::string_view m_bytes;
    const std::string* m_fileName = nullptr;
    std::unique_ptr<DxfSectionRuns> m_runs;
    std::unique_ptr<DxfEntityListener> m_listener;
    DxfPartResult m_result;
    std::thread m_thread;  ///< last: it starts when the others are made
};

/// The second thread's reading: runs taken from the back of runs, until the parser has reached
/// all the others, told to listener; each run's lines are counted from its start. Throws
/// DxfError for what is not a run of entity records that ends where the next begins (the last
/// at the section's ENDSEC), and when stop is set.
DxfPartResult readSectionRuns(std::string_view bytes, const std::string& fileName,
                              DxfEntityListener& listener, const std::atomic<bool>& stop,
                              DxfSectionRuns& runs);

}  // namespace cadhost
