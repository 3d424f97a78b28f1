#include "database/huge_pages.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace cadhost {

namespace {

/// Below this a buffer holds no whole huge page.
constexpr std::size_t kSmallestAdvised = kHugePageSize;
/// Below this the faults of filling a buffer cost less than the call that saves them.
constexpr std::size_t kSmallestPopulated = std::size_t{64} << 10;

/// In place of an advice the system does not offer: nothing is asked.
constexpr int kNoAdvice = -1;
#ifdef MADV_HUGEPAGE
constexpr int kHugePageAdvice = MADV_HUGEPAGE;
#else
constexpr int kHugePageAdvice = kNoAdvice;
#endif
#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateAdvice = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateAdvice = kNoAdvice;
#endif

/// Gives the whole pages of the size bytes at data the advice, when they are at least smallest
/// bytes, from the first page boundary of firstAlignment on; a hint, whose failure is harmless.
void adviseWholePages(void* data, std::size_t size, std::size_t smallest, int advice,
                      std::uintptr_t firstAlignment = 1)
{
    if (advice == kNoAdvice || data == nullptr || size < smallest)
        return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t alignment = std::max(page, firstAlignment);
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + alignment - 1) / alignment * alignment;
    const std::uintptr_t last = (begin + size) / page * page;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, advice);
}

/// From this size on a block is aligned to huge pages, advised to take them, and takes its last
/// one whole when it fills enough of it (wholeHugePagesOf): a block that fills most of a huge
/// page gets the whole of one.
constexpr std::size_t kSmallestOnHugePages = kHugePageSize / 4 * 3;

class HugePageResource : public std::pmr::memory_resource {
    static bool onHugePages(std::size_t bytes) { return bytes >= kSmallestOnHugePages; }
    static std::size_t alignmentOf(std::size_t bytes, std::size_t alignment)
    {
        return onHugePages(bytes) ? std::max(alignment, kHugePageSize) : alignment;
    }
    /// The bytes taken for a block of bytes: its last huge page whole when it fills enough of it.
    static std::size_t sizeOf(std::size_t bytes)
    {
        return onHugePages(bytes) ? wholeHugePagesOf(bytes) : bytes;
    }
    void* do_allocate(std::size_t bytes, std::size_t alignment) override
    {
        void* const block =
            ::operator new(sizeOf(bytes), std::align_val_t(alignmentOf(bytes, alignment)));
        if (onHugePages(bytes))
            adviseHugePages(block, sizeOf(bytes));
        return block;
    }
    void do_deallocate(void* block, std::size_t bytes, std::size_t alignment) override
    {
        ::operator delete(block, std::align_val_t(alignmentOf(bytes, alignment)));
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override
    {
        return this == &other;
    }
};

}  // namespace

void adviseHugePages(void* data, std::size_t size)
{
    adviseWholePages(data, size, kSmallestAdvised, kHugePageAdvice);
}

void populatePages(void* data, std::size_t size)
{
    adviseWholePages(data, size, kSmallestPopulated, kPopulateAdvice);
}

void releasePages(void* data, std::size_t size)
{
    adviseWholePages(data, size, kSmallestPopulated, MADV_DONTNEED);
}

void releaseWholeHugePages(void* data, std::size_t size)
{
    adviseWholePages(data, size, kSmallestPopulated, MADV_DONTNEED, kHugePageSize);
}

std::pmr::memory_resource* hugePageResource()
{
    // Never destroyed: pools may give back their blocks as late as the process exit.
    static auto* const resource = new HugePageResource;
    return resource;
}

}  // namespace cadhost
