#include "dxf/dxf_repair.h"

#include "dxf/dxf_handles.h"
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace cadhost {

namespace {

/// A table entry name as the format compares them: ASCII letters in upper case.
std::string nameKey(std::string_view name)
{
    std::string key(name);
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

/// The table a dimension style's pointer names records of; null for other pointers.
const char* tableNamedBy(std::string_view recordType, int code)
{
    if (recordType != "DIMSTYLE")
        return nullptr;
    if (code == 340)
        return "STYLE";  // DIMTXSTY
    if (code >= 341 && code <= 344)
        return "BLOCK_RECORD";  // DIMLDRBLK, DIMBLK, DIMBLK1, DIMBLK2
    if (code >= 345 && code <= 347)
        return "LTYPE";  // DIMLTYPE, DIMLTEX1, DIMLTEX2
    return nullptr;
}

/// Whether a record has an owner pointer (a 330 group before its first subclass marker).
bool hasOwnerPointer(const DxfRecord& record)
{
    bool first = true;
    for (const DxfTag& tag : record.tags()) {
        if (!first && tag.code == 100)
            return false;
        if (!first && tag.code == 330)
            return true;
        first = false;
    }
    return false;
}

/// The block record a LAYOUT points to (the owner group of its AcDbLayout part); 0 when it
/// points to none.
std::uint64_t layoutBlockRecordPointer(const DxfRecord& layout)
{
    bool inLayout = false;
    for (const DxfTag& tag : layout.tags()) {
        if (tag.code == 100)
            inLayout = tag.value == "AcDbLayout";
        std::uint64_t value = 0;
        if (inLayout && tag.code == 330 && parseHandle(tag.value, value))
            return value;
    }
    return 0;
}

class DocumentRepair {
public:
    DocumentRepair(DxfDocument& document, DxfMendLog& mends) : m_document(document), m_mends(mends)
    {
    }

    void run()
    {
        dropBrokenHeaderVariables();
        forEachRecord(m_document, [this](DxfRecord& record) {
            if ((record.flags() & kDxfBrokenPointer) != 0)
                mendPointers(record);
        });
        linkBlockRecordsToLayouts();
        giveObjectsTheirDictionaries();
    }

private:
    std::string_view keep(std::string text) { return m_document.texts->keep(std::move(text)); }

    void dropBrokenHeaderVariables()
    {
        std::vector<DxfHeaderVariable>& header = m_document.header;
        const auto broken = [this](const DxfHeaderVariable& variable) {
            if (variable.name.size() < 2) {
                m_mends.record(DxfMendKind::HeaderVariableDropped, variable.line + 1,
                               "a header variable without a name (\"" + std::string(variable.name) +
                                   "\") is left out");
                return true;
            }
            if (variable.values.empty()) {
                m_mends.record(DxfMendKind::HeaderVariableDropped, variable.line + 1,
                               "the header variable " + std::string(variable.name) +
                                   " has no value and is left out");
                return true;
            }
            return false;
        };
        header.erase(std::remove_if(header.begin(), header.end(), broken), header.end());
    }

    /// The handle of the entry of table with this name; 0 when there is none or it has none.
    std::uint64_t entryHandle(const std::string& tableName, std::string_view name)
    {
        auto found = m_names.find(tableName);
        if (found == m_names.end()) {
            std::unordered_map<std::string, std::uint64_t>& names = m_names[tableName];
            if (const DxfTable* table = m_document.table(tableName))
                for (const DxfRecord& entry : table->entries)
                    if (const auto entryName = entry.find(2))
                        names.emplace(nameKey(entryName->value), entry.handle());
            found = m_names.find(tableName);
        }
        const auto entry = found->second.find(nameKey(name));
        return entry == found->second.end() ? 0 : entry->second;
    }

    void mendPointers(DxfRecord& record)
    {
        DxfHandleScanner scanner;
        std::string what;
        std::string_view type;
        DxfTags kept;
        for (DxfTag tag : record.tags()) {
            if (tag.code == 0) {
                type = tag.value;
                what = std::string(type);
            } else if (tag.code == 2 && what == type) {
                what = std::string(type) + " " + std::string(tag.value);
            }
            std::uint64_t value = 0;
            if (scanner.next(tag) != DxfHandleRole::Reference || parseHandle(tag.value, value)) {
                kept.push_back(tag);
                continue;
            }
            const std::string where =
                "the pointer (group " + std::to_string(tag.code) + ") of the " + what;
            const char* tableName = tableNamedBy(type, tag.code);
            const std::uint64_t named =
                tableName == nullptr || tag.value.empty() ? 0 : entryHandle(tableName, tag.value);
            if (named == 0) {
                m_mends.record(DxfMendKind::PointerDropped, tag.line + 1,
                               where +
                                   (tag.value.empty()
                                        ? " is empty"
                                        : " holds \"" + std::string(tag.value) + "\", not a handle") +
                                   "; it is left out");
                continue;
            }
            m_mends.record(DxfMendKind::PointerResolved, tag.line + 1,
                           where + " holds the name \"" + std::string(tag.value) +
                               "\"; it now points to the " + tableName + " entry of that name");
            tag.value = keep(formatHandle(named));
            kept.push_back(tag);
        }
        record.setTags(std::move(kept));
    }

    void linkBlockRecordsToLayouts()
    {
        DxfTable* records = m_document.table("BLOCK_RECORD");
        if (records == nullptr)
            return;
        const auto unlinked = [](const DxfRecord& record, std::uint64_t& layoutHandle) {
            const auto layout = record.find(340);
            return record.handle() == 0 && layout && parseHandle(layout->value, layoutHandle);
        };
        std::uint64_t layoutHandle = 0;
        if (std::none_of(records->entries.begin(), records->entries.end(),
                         [&](const DxfRecord& record) { return unlinked(record, layoutHandle); }))
            return;
        std::unordered_set<std::uint64_t> owned;
        forEachRecord(m_document, [&owned](const DxfRecord& record) {
            forEachHandle(record.tags(), [&owned](const DxfTag& tag, DxfHandleRole role) {
                std::uint64_t value = 0;
                if (role == DxfHandleRole::Own && parseHandle(tag.value, value))
                    owned.insert(value);
            });
        });
        std::unordered_map<std::uint64_t, std::uint64_t> layoutRecord;
        for (const DxfRecord& object : m_document.objects)
            if (object.type() == "LAYOUT")
                if (const std::uint64_t pointer = layoutBlockRecordPointer(object))
                    layoutRecord.emplace(object.handle(), pointer);
        for (DxfRecord& record : records->entries) {
            if (!unlinked(record, layoutHandle))
                continue;
            const auto expected = layoutRecord.find(layoutHandle);
            if (expected == layoutRecord.end() || !owned.insert(expected->second).second)
                continue;
            DxfTags tags = record.tagList();
            const DxfTag handle{5, keep(formatHandle(expected->second)), 0};
            tags.insert(tags.begin() + 1, handle);
            record.setTags(std::move(tags));
            const auto name = record.find(2);
            m_mends.record(DxfMendKind::BlockRecordLinked, record.line(),
                           "the block record " + (name ? std::string(name->value) : std::string()) +
                               " has no handle; it takes " + std::string(handle.value) +
                               ", the one its layout points to");
        }
    }

    /// An object without an owner pointer (groups before its first subclass marker) is owned
    /// by the dictionary that holds it.
    void giveObjectsTheirDictionaries()
    {
        DxfRecords& objects = m_document.objects;
        if (std::all_of(objects.begin(), objects.end(), hasOwnerPointer))
            return;
        std::unordered_map<std::uint64_t, std::uint64_t> holder;
        for (const DxfRecord& object : objects) {
            bool inDictionary = false;
            for (const DxfTag& tag : object.tags()) {
                if (tag.code == 100)
                    inDictionary = tag.value == "AcDbDictionary";
                std::uint64_t entry = 0;
                if (inDictionary && (tag.code == 350 || tag.code == 360) &&
                    parseHandle(tag.value, entry))
                    holder.emplace(entry, object.handle());
            }
        }
        for (DxfRecord& object : objects) {
            const auto owner = holder.find(object.handle());
            if (owner == holder.end() || hasOwnerPointer(object))
                continue;
            DxfTags tags = object.tagList();
            std::size_t at = 1;
            DxfHandleScanner scanner;
            scanner.next(tags.front());
            for (std::size_t i = 1; i < tags.size() && tags[i].code != 100; ++i)
                if (scanner.next(tags[i]) == DxfHandleRole::Own || tags[i].code == 102)
                    at = i + 1;
            const DxfTag pointer{330, keep(formatHandle(owner->second)), 0};
            tags.insert(tags.begin() + static_cast<long>(at), pointer);
            object.setTags(std::move(tags));
            m_mends.record(DxfMendKind::OwnerGiven, object.line(),
                           "the " + std::string(object.type()) +
                               " has no owner; it is owned by the dictionary " +
                               std::string(pointer.value) + " that holds it");
        }
    }

    DxfDocument& m_document;
    DxfMendLog& m_mends;
    std::unordered_map<std::string, std::unordered_map<std::string, std::uint64_t>> m_names;
};

}  // namespace

void repairDxfDocument(DxfDocument& document, DxfMendLog& mends)
{
    DocumentRepair(document, mends).run();
}

}  // namespace cadhost
