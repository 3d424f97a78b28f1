// The handles of a drawing written: own handles kept or renamed when taken, pointers that
// follow moved entities, and the handles, owners and subclass markers of carried records
// written without them (R12).
#include "dxf/dxf_drawing_writer.h"

#include "dxf/dxf_handles.h"
#include "dxf/dxf_record_layouts.h"
#include <algorithm>

namespace cadhost {

namespace {

/// The block a dimension record draws with (its group 2); empty when it names none.
std::string dimensionBlockOf(const DxfRecord& record)
{
    if (record.type() != "DIMENSION")
        return std::string();
    const DxfTag* name = record.find(2);
    return name == nullptr ? std::string() : name->value;
}

}  // namespace

template <class Visit>
void DrawingWriter::forEachRecord(Visit visit)
{
    cadhost::forEachRecord(m_document, visit);
    for (DxfEntitySlot& slot : m_slots)
        visit(slot.record);
}

void DrawingWriter::dropRedrawnDimensionBlocks()
{
    std::unordered_set<std::u16string> redrawn;
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (!writtenAsRecord(i))
            if (const std::string name = dimensionBlockOf(m_slots[i].record); !name.empty())
                redrawn.insert(nameKey(name));
    if (redrawn.empty())
        return;
    const auto stillDrawn = [&](const DxfRecord& record) {
        if (const std::string name = dimensionBlockOf(record); !name.empty())
            redrawn.erase(nameKey(name));
    };
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (writtenAsRecord(i))
            stillDrawn(m_slots[i].record);
    for (const DxfBlock& block : m_document.blocks)
        for (const DxfRecord& entity : block.entities)
            stillDrawn(entity);
    const auto drop = [this](const DxfRecord& record) {
        forEachHandle(record.tags, [this](const DxfTag& tag, DxfHandleRole role) {
            std::uint64_t value = 0;
            if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                m_dropped.insert(value);
        });
    };
    std::vector<DxfBlock> kept;
    for (DxfBlock& block : m_document.blocks) {
        if (redrawn.count(nameKey(block.name)) == 0) {
            kept.push_back(std::move(block));
            continue;
        }
        drop(block.begin);
        drop(block.end);
        for (const DxfRecord& entity : block.entities)
            drop(entity);
    }
    m_document.blocks = std::move(kept);
    if (DxfTable* records = m_document.table("BLOCK_RECORD")) {
        std::vector<DxfRecord> entries;
        for (DxfRecord& entry : records->entries) {
            const DxfTag* name = entry.find(2);
            if (name != nullptr && redrawn.count(nameKey(name->value)) != 0)
                drop(entry);
            else
                entries.push_back(std::move(entry));
        }
        records->entries = std::move(entries);
    }
}

void DrawingWriter::claimHandles()
{
    std::uint64_t highest = m_impl.nextHandle();
    for (std::uint64_t used : m_used)
        highest = std::max(highest, used);
    forEachRecord([&highest](DxfRecord& record) {
        forEachHandle(record.tags, [&highest](const DxfTag& tag, DxfHandleRole role) {
            std::uint64_t value = 0;
            if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                highest = std::max(highest, value);
        });
    });
    m_next = highest + 1;
    const auto claim = [this](DxfRecord& record) {
        std::unordered_map<std::uint64_t, std::uint64_t> renamed;
        forEachHandle(record.tags, [&](DxfTag& tag, DxfHandleRole role) {
            std::uint64_t value = 0;
            parseHandle(tag.value, value);
            if (role == DxfHandleRole::Reference) {
                if (const auto own = renamed.find(value); own != renamed.end())
                    tag.value = formatHandle(own->second);
                return;
            }
            if (role != DxfHandleRole::Own || (value != 0 && m_used.insert(value).second))
                return;
            const std::uint64_t replacement = fresh();
            if (value != 0)
                renamed.emplace(value, replacement);
            m_used.insert(replacement);
            tag.value = formatHandle(replacement);
        });
    };
    cadhost::forEachRecord(m_document, claim);
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_plans[i] == SlotPlan::Carried)
            claim(m_slots[i].record);
}

void DrawingWriter::rewriteReferences()
{
    if (m_dropped.empty() && m_moved.empty())
        return;
    forEachRecord([this](DxfRecord& record) {
        bool dropsAny = false;
        forEachHandle(record.tags, [&](DxfTag& tag, DxfHandleRole role) {
            std::uint64_t value = 0;
            if (role != DxfHandleRole::Reference || !parseHandle(tag.value, value))
                return;
            if (m_dropped.count(value) != 0) {
                dropsAny = true;
                tag.code = -1;  // taken out below
            } else if (const auto moved = m_moved.find(value); moved != m_moved.end()) {
                tag.value = formatHandle(moved->second);
            }
        });
        if (dropsAny)
            record.tags.erase(std::remove_if(record.tags.begin(), record.tags.end(),
                                             [](const DxfTag& tag) { return tag.code == -1; }),
                              record.tags.end());
    });
}

void DrawingWriter::giveOwnership(DxfRecord& record, std::uint64_t owner)
{
    DxfTags& tags = record.tags;
    DxfTags out;
    bool changed = false;
    std::uint64_t mainHandle = 0;
    for (std::size_t start = 0; start < tags.size();) {
        // The sub-record [start, end): where its own handle is, whether it has an owner.
        std::size_t end = start + 1;
        std::size_t ownAt = 0;
        bool hasOwner = false;
        DxfHandleScanner scanner;
        scanner.next(tags[start]);
        for (; end < tags.size() && tags[end].code != 0; ++end) {
            if (ownAt == 0 && scanner.next(tags[end]) == DxfHandleRole::Own)
                ownAt = end;
            hasOwner = hasOwner || tags[end].code == 330;
        }
        std::uint64_t own = 0;
        if (ownAt != 0)
            parseHandle(tags[ownAt].value, own);
        const std::uint64_t ownerOfThis = start == 0 ? owner : mainHandle;
        const bool addOwner = !hasOwner && ownerOfThis != 0;
        if (!changed && (ownAt == 0 || addOwner)) {
            changed = true;
            out.reserve(tags.size() + 8);
            out.insert(out.end(), tags.begin(), tags.begin() + static_cast<long>(start));
        }
        if (changed) {
            const std::size_t headEnd = ownAt == 0 ? start + 1 : ownAt + 1;
            out.insert(out.end(), tags.begin() + static_cast<long>(start),
                       tags.begin() + static_cast<long>(headEnd));
            if (ownAt == 0) {
                own = fresh();
                DxfTag handle;
                handle.code = tags[start].value == "DIMSTYLE" ? 105 : 5;
                handle.value = formatHandle(own);
                out.push_back(std::move(handle));
            }
            if (addOwner) {
                DxfTag ownerTag;
                ownerTag.code = 330;
                ownerTag.value = formatHandle(ownerOfThis);
                out.push_back(std::move(ownerTag));
            }
            out.insert(out.end(), tags.begin() + static_cast<long>(headEnd),
                       tags.begin() + static_cast<long>(end));
        }
        if (start == 0)
            mainHandle = own;
        start = end;
    }
    if (changed)
        tags = std::move(out);
}

void DrawingWriter::normalizeTableHead(DxfTable& t)
{
    DxfTags& tags = t.head.tags;
    if (hasSubclassMarkers(tags, 0, tags.size()))
        return giveOwnership(t.head, 0);
    DxfTags out;
    out.push_back(tags.front());
    DxfTag name;
    name.code = 2;
    name.value = t.name;
    out.push_back(name);
    std::uint64_t handle = t.head.handle();
    DxfTag own;
    own.code = 5;
    own.value = formatHandle(handle != 0 ? handle : fresh());
    out.push_back(own);
    DxfTag owner;
    owner.code = 330;
    owner.value = "0";
    out.push_back(owner);
    DxfTag marker;
    marker.code = 100;
    marker.value = "AcDbSymbolTable";
    out.push_back(marker);
    DxfHandleScanner scanner;
    for (std::size_t i = 1; i < tags.size(); ++i)
        if (scanner.next(tags[i]) != DxfHandleRole::Own && tags[i].code != 2 &&
            tags[i].code != 330)
            out.push_back(tags[i]);
    if (t.name == "DIMSTYLE") {
        marker.value = "AcDbDimStyleTable";
        out.push_back(marker);
    }
    tags = std::move(out);
}

void DrawingWriter::normalizeOwnership()
{
    for (DxfTable& t : m_document.tables) {
        normalizeTableHead(t);
        for (DxfRecord& e : t.entries)
            giveOwnership(e, t.head.handle());
    }
    const auto records = entryHandles(table("BLOCK_RECORD"));
    for (DxfBlock& block : m_document.blocks) {
        const auto found = records.find(nameKey(block.name));
        const std::uint64_t record = found == records.end() ? 0 : found->second;
        giveOwnership(block.begin, record);
        for (DxfRecord& e : block.entities)
            giveOwnership(e, record);
        giveOwnership(block.end, record);
    }
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!writtenAsRecord(i))
            continue;
        const DxfTag* space = m_slots[i].record.find(67);
        giveOwnership(m_slots[i].record,
                      space != nullptr && space->value != "0" ? m_paperSpace : m_modelSpace);
    }
    for (DxfRecord& object : m_document.objects)
        giveOwnership(object, 0);
}

void DrawingWriter::addSubclassMarkers()
{
    const auto upgrade = [](DxfRecord& record) {
        DxfTags& tags = record.tags;
        bool needed = false;
        for (std::size_t start = 0; start < tags.size() && !needed;) {
            std::size_t end = start + 1;
            while (end < tags.size() && tags[end].code != 0)
                ++end;
            needed = !hasSubclassMarkers(tags, start, end) &&
                     recordLayoutOf(tags, start, end) != nullptr;
            start = end;
        }
        if (!needed)
            return;
        DxfTags out;
        out.reserve(tags.size() + 8);
        for (std::size_t start = 0; start < tags.size();) {
            std::size_t end = start + 1;
            while (end < tags.size() && tags[end].code != 0)
                ++end;
            const DxfRecordLayout* layout = recordLayoutOf(tags, start, end);
            if (layout != nullptr && !hasSubclassMarkers(tags, start, end))
                appendWithSubclassMarkers(tags, start, end, *layout, out);
            else
                out.insert(out.end(), tags.begin() + static_cast<long>(start),
                           tags.begin() + static_cast<long>(end));
            start = end;
        }
        tags = std::move(out);
    };
    for (DxfTable& t : m_document.tables)
        for (DxfRecord& e : t.entries)
            upgrade(e);
    for (DxfBlock& block : m_document.blocks) {
        upgrade(block.begin);
        for (DxfRecord& e : block.entities)
            upgrade(e);
        upgrade(block.end);
    }
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (writtenAsRecord(i))
            upgrade(m_slots[i].record);
    for (DxfRecord& object : m_document.objects)
        upgrade(object);
}

}  // namespace cadhost
