// Groups that hold handles, told apart by group code and by the kind of object they are in,
// as the drawing format describes them: a record's own handle, a pointer to another object,
// or a draw-order sort key.
#pragma once
#include "database/huge_pages.h"
#include "dxf/dxf_tags.h"
#include <string_view>
#include <vector>

namespace cadhost {

/// What a group that holds a handle is to the record it is in.
enum class DxfHandleRole {
    None,       ///< no handle, or a handle that is data (a group 5 in an XRECORD's data)
    Own,        ///< the record's own handle (5; 105 in a dimension style)
    Reference,  ///< a pointer to another object: owner, soft or hard pointer, xdata handle
    SortKey,    ///< a SORTENTSTABLE's sort handle (5 after its subclass marker): a value
};

/// Follows the groups of a record (a polyline or block reference with its sub-records) one by
/// one and says what each is.
class DxfHandleScanner {
public:
    /// The role of the next group of the record.
    DxfHandleRole next(const DxfTag& tag)
    {
        switch (tag.code) {
        case 0:
            m_type = tag.value;
            m_ownCode = isRecordType(m_type, "DIMSTYLE") ? 105 : 5;
            m_seenOwn = m_afterMarker = m_inExtendedData = false;
            return DxfHandleRole::None;
        case 100:
            m_afterMarker = true;
            return DxfHandleRole::None;
        case 1001:
            m_inExtendedData = true;
            return DxfHandleRole::None;
        default:
            break;
        }
        if (m_inExtendedData)
            return tag.code == 1005 ? DxfHandleRole::Reference : DxfHandleRole::None;
        if (tag.code == m_ownCode && !m_seenOwn && !m_afterMarker) {
            m_seenOwn = true;
            return DxfHandleRole::Own;
        }
        if (tag.code == 5 && m_afterMarker && m_type == "SORTENTSTABLE")
            return DxfHandleRole::SortKey;
        return isReferenceCode(tag.code) ? DxfHandleRole::Reference : DxfHandleRole::None;
    }

private:
    std::string_view m_type;
    int m_ownCode = 5;
    bool m_seenOwn = false;
    bool m_afterMarker = false;
    bool m_inExtendedData = false;
};

/// Calls visit(tag, role) for every group of tags (one record with its sub-records) that
/// holds a handle.
template <class Tags, class Visit>
void forEachHandle(Tags&& tags, Visit visit)
{
    DxfHandleScanner scanner;
    for (auto& tag : tags) {
        const DxfHandleRole role = scanner.next(tag);
        if (role != DxfHandleRole::None)
            visit(tag, role);
    }
}

/// A set of handles (not 0) in one table of slots, for the hundreds of thousands a large
/// drawing holds.
class DxfHandleSet {
public:
    /// Adds handle; false when the set has it already.
    bool insert(std::uint64_t handle)
    {
        if (!roomFor(m_size + 1, m_slots.size()))
            grow();
        std::size_t at = slotOf(handle);
        while (m_slots[at] != 0) {
            if (m_slots[at] == handle)
                return false;
            at = (at + 1) & (m_slots.size() - 1);
        }
        m_slots[at] = handle;
        ++m_size;
        return true;
    }
    /// Makes room for count handles in all, so that the table is made once.
    void reserve(std::size_t count)
    {
        std::size_t size = m_slots.empty() ? 64 : m_slots.size();
        while (!roomFor(count, size))
            size *= 2;
        if (size > m_slots.size())
            rehash(size);
    }

private:
    /// Whether size slots hold count handles: filled to three quarters at most, a search
    /// looks at a few slots (the table is large, and touching its pages the first time costs).
    static bool roomFor(std::size_t count, std::size_t size) { return 4 * count <= 3 * size; }
    std::size_t slotOf(std::uint64_t handle) const
    {
        return static_cast<std::size_t>((handle * 0x9E3779B97F4A7C15ull) >> 20) & (m_slots.size() - 1);
    }
    void grow() { rehash(m_slots.empty() ? 64 : 2 * m_slots.size()); }
    /// Puts the handles in a table of size slots, a power of two.
    void rehash(std::size_t size)
    {
        std::vector<std::uint64_t> old = std::move(m_slots);
        reserveResident(m_slots, size);
        m_slots.assign(size, 0);
        m_size = 0;
        for (std::uint64_t handle : old)
            if (handle != 0)
                insert(handle);
    }
    std::vector<std::uint64_t> m_slots;
    std::size_t m_size = 0;
};

}  // namespace cadhost
