// Large buffers of the drawing-file reader and writer (a file's bytes, the text written, the
// lists of records) filled with a few page faults rather than thousands: the system is asked
// to back them with huge pages where it offers them.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace cadhost {

/// Asks the system to back the whole pages of the size bytes at data with huge pages; a hint
/// with no effect on a buffer of less than a few megabytes or where huge pages are not offered.
void adviseHugePages(void* data, std::size_t size);

/// Makes room for count characters in text, advised as above.
inline void reserveLarge(std::string& text, std::size_t count)
{
    text.reserve(count);
    adviseHugePages(text.data(), text.capacity());
}

/// Makes room for count items in items, advised as above.
template <class T>
void reserveLarge(std::vector<T>& items, std::size_t count)
{
    items.reserve(count);
    adviseHugePages(items.data(), items.capacity() * sizeof(T));
}

}  // namespace cadhost
