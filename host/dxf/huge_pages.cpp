#include "dxf/huge_pages.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace cadhost {

namespace {

/// Below this a buffer holds no whole huge page worth the advice.
constexpr std::size_t kSmallestAdvised = std::size_t{4} << 20;

}  // namespace

void adviseHugePages(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    if (data == nullptr || size < kSmallestAdvised)
        return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + size) / page * page;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint: failure is harmless
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace cadhost
