// Large buffers (a drawing file's bytes, the text written, the lists of records, the blocks of
// objects) filled with a few page faults rather than thousands: the system is asked to back
// them with huge pages where it offers them.
#pragma once
#include <cstddef>
#include <memory_resource>
#include <string>
#include <vector>

namespace cadhost {

/// The size of a huge page (on x86-64 and most other systems).
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

/// Asks the system to back the whole pages of the size bytes at data with huge pages; a hint
/// with no effect on a buffer of less than a few megabytes or where huge pages are not offered.
void adviseHugePages(void* data, std::size_t size);
/// Makes the whole pages of the size bytes at data, about to be written, resident in one call
/// rather than one fault each; a hint with no effect on less than a few pages.
void populatePages(void* data, std::size_t size);
/// Gives the memory of the whole pages of the size bytes at data back to the system; they read
/// as zeros when next touched. For room made resident ahead and left unfilled.
void releasePages(void* data, std::size_t size);
/// As releasePages, from the first huge page boundary in the size bytes at data on: the huge
/// page before it stays whole. One given back in part is split into small pages, and each
/// small page of the part kept costs a first touch again.
void releaseWholeHugePages(void* data, std::size_t size);

/// Memory for large lists: blocks of most of a huge page or more are aligned to huge pages and
/// advised as above, and take their last huge page whole when they fill enough of it; smaller
/// ones come from the heap.
std::pmr::memory_resource* hugePageResource();

/// An allocator of the lists a drawing fills by the hundred thousand, from hugePageResource().
template <class T>
class HugePageAllocator {
public:
    using value_type = T;
    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t count)
    {
        return static_cast<T*>(hugePageResource()->allocate(count * sizeof(T), alignof(T)));
    }
    void deallocate(T* items, std::size_t count) noexcept
    {
        hugePageResource()->deallocate(items, count * sizeof(T), alignof(T));
    }
    friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
    friend bool operator!=(const HugePageAllocator&, const HugePageAllocator&) { return false; }
};

/// A list whose storage, when large, is backed by huge pages.
template <class T>
using HugePageVector = std::vector<T, HugePageAllocator<T>>;

/// Makes room for count characters in text, advised as above.
inline void reserveLarge(std::string& text, std::size_t count)
{
    text.reserve(count);
    adviseHugePages(text.data(), text.capacity());
}

/// The bytes to take for bytes: more, up to whole huge pages, when they fill at least half of
/// their last one. Where small pages are each costly to touch the first time, the unused part
/// of a huge page costs less than the small pages of a list filled at once.
constexpr std::size_t wholeHugePagesOf(std::size_t bytes)
{
    const std::size_t part = bytes % kHugePageSize;
    return part < kHugePageSize / 2 ? bytes : bytes - part + kHugePageSize;
}

/// The items to make room for when count of itemSize bytes are expected: more, up to whole huge
/// pages, as wholeHugePagesOf.
constexpr std::size_t roomOnWholeHugePages(std::size_t count, std::size_t itemSize)
{
    return wholeHugePagesOf(count * itemSize) / itemSize;
}

/// The items to make room for when count of itemSize bytes are expected in a list filled at
/// once: a whole huge page's worth when they fill a quarter of one or more, as
/// roomOnWholeHugePages beyond. Small pages cost a first touch each, and a quarter of a huge
/// page in them already costs more than the huge page.
constexpr std::size_t roomOnHugePages(std::size_t count, std::size_t itemSize)
{
    const std::size_t bytes = count * itemSize;
    return bytes >= kHugePageSize / 4 && bytes < kHugePageSize ? kHugePageSize / itemSize
                                                                : roomOnWholeHugePages(count, itemSize);
}

/// Makes room for count more items in items, resident at once: for a list about to be filled
/// with that many.
template <class T, class Allocator>
void reserveResident(std::vector<T, Allocator>& items, std::size_t count)
{
    items.reserve(items.size() + count);
    populatePages(items.data() + items.size(), (items.capacity() - items.size()) * sizeof(T));
}

/// Gives back the whole huge pages of the room in items beyond its items.
template <class T, class Allocator>
void releaseUnusedRoom(std::vector<T, Allocator>& items)
{
    releaseWholeHugePages(items.data() + items.size(),
                          (items.capacity() - items.size()) * sizeof(T));
}

}  // namespace cadhost
