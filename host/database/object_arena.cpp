#include "database/object_arena.h"

#include "database/huge_pages.h"
#include "dbmain.h"
#include <algorithm>
#include <functional>

namespace cadhost {

namespace {

constexpr std::size_t kAlignment = alignof(std::max_align_t);
/// The least a block holds: small drawings take one small block.
constexpr std::size_t kSmallestBlock = 64 * 1024;

}  // namespace

ObjectArena::ObjectArena(std::size_t expected)
{
    addBlock(expected);
}

void ObjectArena::addBlock(std::size_t size)
{
    Block block;
    block.size = std::max(size, kSmallestBlock);
    // Aligned to huge pages, a large block is backed by them from its first byte to its last.
    block.bytes.reset(static_cast<std::byte*>(
        ::operator new(block.size, std::align_val_t(kHugePageSize))));
    adviseHugePages(block.bytes.get(), block.size);
    m_blocks.push_back(std::move(block));
    m_used = 0;
}

void ObjectArena::BlockDeleter::operator()(std::byte* bytes) const
{
    ::operator delete(bytes, std::align_val_t(kHugePageSize));
}

void* ObjectArena::allocate(std::size_t size)
{
    size = (size + kAlignment - 1) / kAlignment * kAlignment;
    if (m_blocks.back().size - m_used < size)
        addBlock(std::max(size, m_blocks.back().size));
    void* const room = m_blocks.back().bytes.get() + m_used;
    m_used += size;
    return room;
}

bool ObjectArena::holds(const void* pointer) const
{
    const std::less<const void*> before;
    for (const Block& block : m_blocks)
        if (!before(pointer, block.bytes.get()) && before(pointer, block.bytes.get() + block.size))
            return true;
    return false;
}

void ObjectDeleter::operator()(AcDbObject* object) const
{
    if (arena != nullptr && arena->holds(object))
        object->~AcDbObject();
    else
        delete object;
}

}  // namespace cadhost
