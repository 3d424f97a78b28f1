#include "database/object_table.h"

#include "database/huge_pages.h"

namespace cadhost {

namespace {

/// The fewest slots a table has once it holds anything.
constexpr std::size_t kFewestSlots = 64;

}  // namespace

std::pair<ObjectTable::Entry*, bool> ObjectTable::insert(std::uint64_t handle)
{
    if (2 * (m_entries.size() + 1) > m_slots.size())
        rehash(m_entries.size() + 1);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = slotOf(handle);
    for (; m_slots[at] != 0; at = (at + 1) & mask) {
        Entry& entry = m_entries[m_slots[at] - 1];
        if (entry.handle == handle)
            return {&entry, false};
    }
    m_entries.push_back(Entry{handle, nullptr, kNotDrawn});
    m_slots[at] = static_cast<std::uint32_t>(m_entries.size());
    return {&m_entries.back(), true};
}

const ObjectTable::Entry* ObjectTable::find(std::uint64_t handle) const
{
    if (m_slots.empty())
        return nullptr;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = slotOf(handle); m_slots[at] != 0; at = (at + 1) & mask) {
        const Entry& entry = m_entries[m_slots[at] - 1];
        if (entry.handle == handle)
            return &entry;
    }
    return nullptr;
}

void ObjectTable::reserve(std::size_t count)
{
    reserveResident(m_entries, count);
    if (2 * (m_entries.size() + count) > m_slots.size())
        rehash(m_entries.size() + count);
}

void ObjectTable::rehash(std::size_t count)
{
    std::size_t slots = kFewestSlots;
    unsigned shift = 64 - 6 + kRunBits;
    while (slots < 2 * count ||
           slots < roomOnWholeHugePages(slots, sizeof(std::uint32_t))) {
        slots *= 2;
        --shift;
    }
    m_slots.clear();
    reserveResident(m_slots, slots);
    m_slots.assign(slots, 0);
    m_shift = shift;
    const std::size_t mask = slots - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        std::size_t at = slotOf(m_entries[i].handle);
        while (m_slots[at] != 0)
            at = (at + 1) & mask;
        m_slots[at] = static_cast<std::uint32_t>(i + 1);
    }
}

}  // namespace cadhost
