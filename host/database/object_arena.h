// Storage for the many objects a drawing file brings at once: large blocks, taken as they are
// needed and backed by huge pages where the system offers them, that the drawing's database
// keeps until its objects are gone. An object made in it is destroyed, not freed; its memory
// goes with the arena.
#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class AcDbObject;

namespace cadhost {

class ObjectArena {
public:
    /// An arena whose first block holds expected bytes.
    explicit ObjectArena(std::size_t expected);
    ObjectArena(const ObjectArena&) = delete;
    ObjectArena& operator=(const ObjectArena&) = delete;

    /// Room for size bytes, aligned for any object, for as long as the arena lives.
    void* allocate(std::size_t size);
    /// Gives the memory of the room not used yet back to the system (a block is sized for what
    /// is expected, and a huge page is taken whole); the arena stays usable.
    void releaseUnused();
    /// Whether pointer is into the arena's blocks.
    bool holds(const void* pointer) const;
    /// Takes other's blocks, and with them the objects made in them, after giving back their
    /// unused room (other is left empty); new objects are still made in this
    /// arena's own last block.
    void adopt(ObjectArena&& other);

private:
    /// Releases a block's bytes of the block's size.
    struct BlockDeleter {
        std::size_t size;
        void operator()(std::byte* bytes) const;
    };
    struct Block {
        std::unique_ptr<std::byte, BlockDeleter> bytes;
        std::size_t size;
    };
    /// Starts a block of at least size bytes.
    void addBlock(std::size_t size);

    std::vector<Block> m_blocks;
    std::size_t m_used = 0;  ///< of the last block
};

/// Ends an object: destroys one made in the arena (if any), deletes any other.
struct ObjectDeleter {
    const ObjectArena* arena = nullptr;
    void operator()(AcDbObject* object) const;
};

/// A new T made of args: in arena when there is one, on the heap otherwise.
template <class T, class... Args>
std::unique_ptr<T, ObjectDeleter> makeObject(ObjectArena* arena, Args&&... args)
{
    T* object = arena == nullptr ? new T(std::forward<Args>(args)...)
                                 : new (arena->allocate(sizeof(T))) T(std::forward<Args>(args)...);
    return std::unique_ptr<T, ObjectDeleter>(object, ObjectDeleter{arena});
}

}  // namespace cadhost
