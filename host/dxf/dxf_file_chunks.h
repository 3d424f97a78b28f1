// A drawing file read into memory by two threads at once: the parser's thread takes chunks
// from the front, the second thread (made before the file is read) takes them from the back as
// soon as it runs, and each makes the pages of its chunks resident.
#pragma once
#include <atomic>
#include <cstddef>
#include <mutex>

namespace cadhost {

class DxfFileChunks {
public:
    /// The size bytes of the open file fd, to be read into room (not yet resident).
    DxfFileChunks(int fd, char* room, std::size_t size);
    DxfFileChunks(const DxfFileChunks&) = delete;
    DxfFileChunks& operator=(const DxfFileChunks&) = delete;

    /// Reads chunks from the front until none is left to take.
    void readFromFront();
    /// Reads chunks from the back until none is left to take.
    void readFromBack();
    /// Waits until every chunk taken is read (after readFromFront, all are taken); whether the
    /// file gave all its bytes.
    bool whole() const;

private:
    /// The next chunk from the front (or the back); false when none is left.
    bool take(bool front, std::size_t& chunk);
    void readChunk(std::size_t chunk);

    const int m_fd;
    char* const m_room;
    const std::size_t m_size;
    const std::size_t m_count;
    std::mutex m_mutex;
    std::size_t m_front = 0;  ///< the first chunk not taken
    std::size_t m_back;       ///< one past the last chunk not taken
    std::atomic<std::size_t> m_read{0};
    std::atomic<bool> m_short{false};
};

}  // namespace cadhost
