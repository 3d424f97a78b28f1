// The objects of a drawing by handle, for the hundreds of thousands a large drawing brings:
// the entries in the order they were added, in one list, found through one table of slots
// rather than a node each.
#pragma once
#include "database/huge_pages.h"
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class AcDbObject;

namespace cadhost {

class ObjectTable {
public:
    /// An object of the drawing and, for a model space entity, its index in drawing order.
    struct Entry {
        std::uint64_t handle = 0;
        AcDbObject* object = nullptr;
        std::size_t drawOrder = kNotDrawn;
    };
    static constexpr std::size_t kNotDrawn = ~std::size_t{0};

    /// The entry of handle (not 0), added without an object when there was none, and whether
    /// it was added; valid until the next entry is added.
    std::pair<Entry*, bool> insert(std::uint64_t handle);
    /// The entry of handle; null when there is none.
    const Entry* find(std::uint64_t handle) const;
    /// Makes room for count more entries.
    void reserve(std::size_t count);

    /// The entries in the order they were added.
    HugePageVector<Entry>::const_iterator begin() const { return m_entries.begin(); }
    HugePageVector<Entry>::const_iterator end() const { return m_entries.end(); }

private:
    /// The first slot to look in for handle: handles that differ in their last four bits only
    /// (a file numbers its objects in turn) share a run of slots that one cache line holds,
    /// and such runs lie far apart.
    std::size_t slotOf(std::uint64_t handle) const
    {
        const std::uint64_t run = ((handle >> kRunBits) * 0x9E3779B97F4A7C15ull) >> m_shift;
        return static_cast<std::size_t>(run << kRunBits | (handle & ((1u << kRunBits) - 1)));
    }
    /// Makes the slots at least twice as many as count entries need.
    void rehash(std::size_t count);

    static constexpr unsigned kRunBits = 4;

    HugePageVector<Entry> m_entries;
    /// Per slot, the index of its entry plus one; 0 for an empty slot.
    HugePageVector<std::uint32_t> m_slots;
    unsigned m_shift = 64;  ///< of a hash to the runs of slots
};

}  // namespace cadhost
