// The handles of a drawing written: own handles kept or renamed when taken, pointers that
// follow moved entities, and the handles, owners and subclass markers of carried records
// written without them (R12). A record the reader found whole (every sub-record with its
// handle, owner and markers, one own handle) is looked at no further.
#include "dxf/dxf_drawing_writer.h"

#include "dxf/dxf_handles.h"
#include "dxf/dxf_record_layouts.h"
#include <algorithm>

namespace cadhost {

namespace {

/// The block a dimension record draws with (its group 2); empty when it names none.
std::string_view dimensionBlockOf(const DxfRecord& record)
{
    if (record.type() != "DIMENSION")
        return std::string_view();
    const auto name = record.find(2);
    return name ? name->value : std::string_view();
}

/// Whether the reader found record with one own handle and nothing that the passes below
/// would change: none of the flags set, no sub-records, not changed since.
bool isWhole(const DxfRecord& record, std::uint32_t flags)
{
    return !record.changed() && (record.flags() & (flags | kDxfSubrecords)) == 0;
}

/// The groups [start, end) of the sub-record at start in tags.
std::size_t subrecordEnd(const DxfTags& tags, std::size_t start)
{
    std::size_t end = start + 1;
    while (end < tags.size() && tags[end].code != 0)
        ++end;
    return end;
}

}  // namespace

void DrawingWriter::dropRedrawnDimensionBlocks()
{
    std::unordered_set<std::u16string> redrawn;
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        if (!writtenAsRecord(i))
            if (const std::string_view name = dimensionBlockOf(slotRecord(i)); !name.empty())
                redrawn.insert(nameKey(name));
    if (redrawn.empty())
        return;
    const auto stillDrawn = [&](const DxfRecord& record) {
        if (const std::string_view name = dimensionBlockOf(record); !name.empty())
            redrawn.erase(nameKey(name));
    };
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        if (writtenAsRecord(i))
            stillDrawn(slotRecord(i));
    for (const DxfBlock& block : m_document.blocks)
        for (const DxfRecord& entity : block.entities)
            stillDrawn(entity);
    const auto drop = [this](const DxfRecord& record) {
        forEachHandle(record.tags(), [this](const DxfTag& tag, DxfHandleRole role) {
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
        DxfRecords entries;
        for (DxfRecord& entry : records->entries) {
            const auto name = entry.find(2);
            if (name && redrawn.count(nameKey(name->value)) != 0)
                drop(entry);
            else
                entries.push_back(std::move(entry));
        }
        records->entries = std::move(entries);
    }
}

void DrawingWriter::claimHandles()
{
    std::uint64_t highest = std::max(m_impl.nextHandle(), highestLiveHandle());
    const auto noteOwn = [&highest](const DxfRecord& record) {
        if (isWhole(record, 0)) {
            highest = std::max(highest, record.handle());
            return;
        }
        forEachHandle(record.tags(), [&highest](const DxfTag& tag, DxfHandleRole role) {
            std::uint64_t value = 0;
            if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                highest = std::max(highest, value);
        });
    };
    std::size_t claimants = 0;
    cadhost::forEachRecord(m_document, [&](const DxfRecord& record) {
        noteOwn(record);
        ++claimants;
    });
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        noteOwn(slotRecord(i));
        claimants += m_plans[i] == SlotPlan::Carried ? 1 : 0;
    }
    m_used.reserve(claimants);
    m_next = highest + 1;
    DxfTags renamed;
    cadhost::forEachRecord(m_document, [&](DxfRecord& record) {
        if (claim(record, renamed))
            record.setTags(std::move(renamed));
    });
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        if (m_plans[i] == SlotPlan::Carried && claim(slotRecord(i), renamed))
            editableSlot(i).setTags(std::move(renamed));
}

bool DrawingWriter::claimed(std::uint64_t handle)
{
    return livePlace(handle, m_claimHint) == kNotLive && m_used.insert(handle);
}

bool DrawingWriter::claim(const DxfRecord& record, DxfTags& renamed)
{
    if (isWhole(record, kDxfWithoutHandle)) {
        if (record.handle() != 0 && claimed(record.handle()))
            return false;
    } else if (isWhole(record, 0)) {
        return false;  // no own handle to claim
    }
    renamed = record.tagList();
    bool changed = false;
    std::unordered_map<std::uint64_t, std::uint64_t> local;
    forEachHandle(renamed, [&](DxfTag& tag, DxfHandleRole role) {
        std::uint64_t value = 0;
        parseHandle(tag.value, value);
        if (role == DxfHandleRole::Reference) {
            if (const auto own = local.find(value); own != local.end()) {
                tag.value = m_texts.keep(formatHandle(own->second));
                changed = true;
            }
            return;
        }
        if (role != DxfHandleRole::Own || (value != 0 && claimed(value)))
            return;
        const std::uint64_t replacement = fresh();
        if (value != 0)
            local.emplace(value, replacement);
        m_used.insert(replacement);
        tag.value = m_texts.keep(formatHandle(replacement));
        changed = true;
    });
    return changed;
}

void DrawingWriter::rewriteReferences()
{
    if (m_dropped.empty() && (m_moved == nullptr || m_moved->empty()))
        return;
    DxfTags tags;
    cadhost::forEachRecord(m_document, [&](DxfRecord& record) {
        if (rewritten(record, tags))
            record.setTags(std::move(tags));
    });
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        if (rewritten(slotRecord(i), tags))
            editableSlot(i).setTags(std::move(tags));
}

bool DrawingWriter::rewritten(const DxfRecord& record, DxfTags& tags) const
{
    const auto follows = [this](const DxfTag& tag, DxfHandleRole role, std::uint64_t& moved) {
        std::uint64_t value = 0;
        if (role != DxfHandleRole::Reference || !parseHandle(tag.value, value))
            return 0;
        if (m_dropped.count(value) != 0)
            return 1;
        if (m_moved != nullptr)
            if (const auto found = m_moved->find(value); found != m_moved->end()) {
                moved = found->second;
                return 2;
            }
        return 0;
    };
    bool any = false;
    std::uint64_t moved = 0;
    forEachHandle(record.tags(), [&](const DxfTag& tag, DxfHandleRole role) {
        any = any || follows(tag, role, moved) != 0;
    });
    if (!any)
        return false;
    tags.clear();
    DxfHandleScanner scanner;
    for (DxfTag tag : record.tags()) {
        const DxfHandleRole role = scanner.next(tag);
        const int change = role == DxfHandleRole::None ? 0 : follows(tag, role, moved);
        if (change == 1)
            continue;  // a pointer to what was left out
        if (change == 2)
            tag.value = m_texts.keep(formatHandle(moved));
        tags.push_back(tag);
    }
    return true;
}

bool DrawingWriter::withOwnership(const DxfRecord& record, std::uint64_t owner, DxfTags& out)
{
    const DxfTags tags = record.tagList();
    out.clear();
    bool changed = false;
    std::uint64_t mainHandle = 0;
    for (std::size_t start = 0; start < tags.size();) {
        // The sub-record [start, end): where its own handle is, whether it has an owner.
        const std::size_t end = subrecordEnd(tags, start);
        std::size_t ownAt = 0;
        bool hasOwner = false;
        DxfHandleScanner scanner;
        scanner.next(tags[start]);
        for (std::size_t i = start + 1; i < end; ++i) {
            if (ownAt == 0 && scanner.next(tags[i]) == DxfHandleRole::Own)
                ownAt = i;
            hasOwner = hasOwner || tags[i].code == 330;
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
                out.push_back(m_texts.tag(tags[start].value == "DIMSTYLE" ? 105 : 5,
                                          formatHandle(own)));
            }
            if (addOwner)
                out.push_back(m_texts.tag(330, formatHandle(ownerOfThis)));
            out.insert(out.end(), tags.begin() + static_cast<long>(headEnd),
                       tags.begin() + static_cast<long>(end));
        }
        if (start == 0)
            mainHandle = own;
        start = end;
    }
    return changed;
}

void DrawingWriter::giveOwnership(DxfRecord& record, std::uint64_t owner)
{
    if (isWhole(record, kDxfWithoutHandle | kDxfWithoutOwner))
        return;
    DxfTags tags;
    if (withOwnership(record, owner, tags))
        record.setTags(std::move(tags));
}

void DrawingWriter::normalizeTableHead(DxfTable& t)
{
    const DxfTags tags = t.head.tagList();
    if (hasSubclassMarkers(tags, 0, tags.size()))
        return giveOwnership(t.head, 0);
    DxfTags out;
    out.push_back(tags.front());
    out.push_back({2, t.name, 0});
    const std::uint64_t handle = t.head.handle();
    out.push_back(m_texts.tag(5, formatHandle(handle != 0 ? handle : fresh())));
    out.push_back({330, "0", 0});
    out.push_back({100, "AcDbSymbolTable", 0});
    DxfHandleScanner scanner;
    for (std::size_t i = 1; i < tags.size(); ++i)
        if (scanner.next(tags[i]) != DxfHandleRole::Own && tags[i].code != 2 &&
            tags[i].code != 330)
            out.push_back(tags[i]);
    if (t.name == "DIMSTYLE")
        out.push_back({100, "AcDbDimStyleTable", 0});
    t.head.setTags(std::move(out));
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
    DxfTags tags;
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        const DxfRecord& record = slotRecord(i);
        if (!writtenAsRecord(i) || isWhole(record, kDxfWithoutHandle | kDxfWithoutOwner))
            continue;
        const auto space = record.find(67);
        if (withOwnership(record, space && space->value != "0" ? m_paperSpace : m_modelSpace, tags))
            editableSlot(i).setTags(std::move(tags));
    }
    for (DxfRecord& object : m_document.objects)
        giveOwnership(object, 0);
}

void DrawingWriter::addSubclassMarkers()
{
    // The groups of record with the markers of their kind; false when none is missing.
    const auto upgraded = [](const DxfRecord& record, DxfTags& out) {
        if (isWhole(record, kDxfWithoutMarkers))
            return false;
        const DxfTags tags = record.tagList();
        bool needed = false;
        for (std::size_t start = 0; start < tags.size() && !needed;) {
            const std::size_t end = subrecordEnd(tags, start);
            needed = !hasSubclassMarkers(tags, start, end) &&
                     recordLayoutOf(tags, start, end) != nullptr;
            start = end;
        }
        if (!needed)
            return false;
        out.clear();
        out.reserve(tags.size() + 8);
        for (std::size_t start = 0; start < tags.size();) {
            const std::size_t end = subrecordEnd(tags, start);
            const DxfRecordLayout* layout = recordLayoutOf(tags, start, end);
            if (layout != nullptr && !hasSubclassMarkers(tags, start, end))
                appendWithSubclassMarkers(tags, start, end, *layout, out);
            else
                out.insert(out.end(), tags.begin() + static_cast<long>(start),
                           tags.begin() + static_cast<long>(end));
            start = end;
        }
        return true;
    };
    DxfTags tags;
    const auto upgrade = [&](DxfRecord& record) {
        if (upgraded(record, tags))
            record.setTags(std::move(tags));
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
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        if (writtenAsRecord(i) && upgraded(slotRecord(i), tags))
            editableSlot(i).setTags(std::move(tags));
    for (DxfRecord& object : m_document.objects)
        upgrade(object);
}

}  // namespace cadhost
