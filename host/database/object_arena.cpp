#include "database/object_arena.h"

#include "database/huge_pages.h"
#include "dbmain.h"
#include <algorithm>
#include <cstdint>
#include <functional>

namespace cadhost {

namespace {

constexpr std::size_t kAlignment = alignof(std::max_align_t);
/// The least a block holds: small drawings take one small block.
constexpr std::size_t kSmallestBlock = 64 * 1024;

/// A block of a huge page or more is aligned to huge pages, so that they back it from its first
/// byte to its last; a smaller one holds no huge page, and such an alignment would only cost
/// (a mapping of its own for each small drawing's block).
std::align_val_t blockAlignment(std::size_t size)
{
    return std::align_val_t(size >= kHugePageSize ? kHugePageSize : kAlignment);
}

}  // namespace

ObjectArena::ObjectArena(std::size_t expected)
{
    addBlock(expected);
    m_firstBlock = m_blocks.front().bytes.get();
    m_firstBlockSize = m_blocks.front().size;
}

void ObjectArena::prepareAhead(std::size_t bytes, const std::function<bool()>& stop) const
{
    const std::size_t end = std::min(bytes, m_firstBlockSize);
    for (std::size_t done = 0; done < end && !stop(); done += kHugePageSize)
        populatePages(m_firstBlock + done, std::min(kHugePageSize, end - done));
}

void ObjectArena::addBlock(std::size_t size)
{
    const std::size_t blockSize = std::max(size, kSmallestBlock);
    std::byte* const bytes =
        static_cast<std::byte*>(::operator new(blockSize, blockAlignment(blockSize)));
    m_blocks.push_back(Block{std::unique_ptr<std::byte, BlockDeleter>(bytes, BlockDeleter{blockSize}),
                             blockSize});
    adviseHugePages(bytes, blockSize);
    m_used = 0;
}

void ObjectArena::BlockDeleter::operator()(std::byte* bytes) const
{
    ::operator delete(bytes, blockAlignment(size));
}

void* ObjectArena::allocate(std::size_t size)
{
    size = (size + kAlignment - 1) / kAlignment * kAlignment;
    if (m_blocks.empty())
        addBlock(size);
    else if (m_blocks.back().size - m_used < size)
        addBlock(std::max(size, m_blocks.back().size));
    void* const room = m_blocks.back().bytes.get() + m_used;
    m_used += size;
    return room;
}

void* ObjectArena::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (alignment <= kAlignment)
        return allocate(bytes);
    auto* const room = static_cast<std::byte*>(allocate(bytes + alignment));
    const auto address = reinterpret_cast<std::uintptr_t>(room);
    return room + (alignment - address % alignment) % alignment;
}

void ObjectArena::releaseUnused()
{
    if (m_blocks.empty())
        return;
    const Block& last = m_blocks.back();
    // A huge page given back in part is split into small pages, and each small page of the
    // objects in it then costs a first touch again: one at least half used stays whole.
    const bool onHugePages = last.size >= kHugePageSize;
    if (onHugePages && m_used % kHugePageSize >= kHugePageSize / 2)
        releaseWholeHugePages(last.bytes.get() + m_used, last.size - m_used);
    else
        releasePages(last.bytes.get() + m_used, last.size - m_used);
}

void ObjectArena::adopt(std::shared_ptr<ObjectArena> other)
{
    other->releaseUnused();
    m_adopted.push_back(std::move(other));
}

bool ObjectArena::holds(const void* pointer) const
{
    const std::less<const void*> before;
    for (const Block& block : m_blocks)
        if (!before(pointer, block.bytes.get()) && before(pointer, block.bytes.get() + block.size))
            return true;
    return std::any_of(m_adopted.begin(), m_adopted.end(),
                       [pointer](const std::shared_ptr<ObjectArena>& adopted) {
                           return adopted->holds(pointer);
                       });
}

void ObjectDeleter::operator()(AcDbObject* object) const
{
    if (arena != nullptr && arena->holds(object))
        object->~AcDbObject();
    else
        delete object;
}

}  // namespace cadhost
