#include "dxf/dxf_file_chunks.h"

#include "database/huge_pages.h"
#include <cerrno>
#include <thread>
#include <unistd.h>

namespace cadhost {

namespace {

/// A chunk: half a huge page, so that the two threads end near one another.
constexpr std::size_t kChunkBytes = kHugePageSize / 2;

}  // namespace

DxfFileChunks::DxfFileChunks(int fd, char* room, std::size_t size)
    : m_fd(fd), m_room(room), m_size(size), m_count((size + kChunkBytes - 1) / kChunkBytes),
      m_back(m_count)
{
}

bool DxfFileChunks::take(bool front, std::size_t& chunk)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_front == m_back)
        return false;
    chunk = front ? m_front++ : --m_back;
    return true;
}

void DxfFileChunks::readChunk(std::size_t chunk)
{
    const std::size_t begin = chunk * kChunkBytes;
    const std::size_t size = std::min(kChunkBytes, m_size - begin);
    populatePages(m_room + begin, size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(m_fd, m_room + begin + done, size - done, static_cast<off_t>(begin + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            m_short.store(true, std::memory_order_relaxed);
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    m_read.fetch_add(1, std::memory_order_release);
}

void DxfFileChunks::readFromFront()
{
    for (std::size_t chunk = 0; take(true, chunk);)
        readChunk(chunk);
}

void DxfFileChunks::readFromBack()
{
    for (std::size_t chunk = 0; take(false, chunk);)
        readChunk(chunk);
}

bool DxfFileChunks::whole() const
{
    // The other thread is at most a chunk from its end: waking from a wait would take longer.
    while (m_read.load(std::memory_order_acquire) < m_count)
        std::this_thread::yield();
    return !m_short.load(std::memory_order_relaxed);
}

}  // namespace cadhost
