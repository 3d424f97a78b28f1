// Storage for the many objects a drawing file brings at once: large blocks, taken as they are
// needed and backed by huge pages where the system offers them, that the drawing's database
// keeps until its objects are gone. An object made in it is destroyed, not freed; its memory
// goes with the arena. It also serves as the memory of the objects' own lists (a polyline's
// vertices), which it never takes back one by one either.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <memory_resource>
#include <new>
#include <utility>
#include <vector>

class AcDbObject;

namespace cadhost {

class ObjectArena : public std::pmr::memory_resource {
public:
    /// An arena whose first block holds expected bytes.
    explicit ObjectArena(std::size_t expected);
    ObjectArena(const ObjectArena&) = delete;
    ObjectArena& operator=(const ObjectArena&) = delete;

    /// Room for size bytes, aligned for any object, for as long as the arena lives.
    void* allocate(std::size_t size);
    /// Makes up to bytes of the first block resident, a huge page at a time until stop()
    /// tells it to stop; from any thread, also while objects are made (their memory is not
    /// changed).
    void prepareAhead(std::size_t bytes, const std::function<bool()>& stop) const;
    /// Gives the memory of the room not used yet back to the system (a block is sized for what
    /// is expected, and a huge page is taken whole); the arena stays usable.
    void releaseUnused();
    /// Whether pointer is into the arena's blocks or those of an arena it adopted.
    bool holds(const void* pointer) const;
    /// Keeps other, and with it the objects made in it, for as long as this arena lives, after
    /// giving back its unused room; new objects are still made in this arena's own blocks.
    void adopt(std::shared_ptr<ObjectArena> other);

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override
    {
        return this == &other;
    }

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
    std::byte* m_firstBlock = nullptr;  ///< set once, so that prepareAhead reads no list
    std::size_t m_firstBlockSize = 0;
    std::size_t m_used = 0;  ///< of the last block
    /// Arenas whose objects, and the lists those objects keep in them, are this arena's now.
    std::vector<std::shared_ptr<ObjectArena>> m_adopted;
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
