#include "dxf/dxf_kept_groups.h"

#include "dxf/dxf_foreign_data.h"
#include <map>

namespace cadhost {

namespace {

using Kind = DxfGroupPlace::Kind;

bool isVertexCode(const DxfRecordLayout& layout, std::size_t subclass, int code)
{
    return subclass < layout.subclasses.size() && layout.subclasses[subclass].isVertexCode(code);
}

/// The kept groups of one record by subclass and vertex, handed out once each.
class KeptBuckets {
public:
    explicit KeptBuckets(const std::vector<DxfKeptGroup>& groups) : m_groups(groups)
    {
        for (std::size_t i = 0; i < groups.size(); ++i)
            m_buckets[{groups[i].subclass, groups[i].vertex}].push_back(i);
        m_done.assign(groups.size(), false);
    }

    /// Appends to out the groups of (subclass, vertex) not written yet that go after
    /// code (any code when all is true).
    void put(std::size_t subclass, int vertex, int after, bool all, DxfTags& out)
    {
        const auto bucket = m_buckets.find({subclass, vertex});
        if (bucket == m_buckets.end())
            return;
        for (std::size_t i : bucket->second)
            if (!m_done[i] && (all || m_groups[i].after == after)) {
                out.push_back(m_groups[i].tag);
                m_done[i] = true;
            }
    }

private:
    const std::vector<DxfKeptGroup>& m_groups;
    std::map<std::pair<std::size_t, int>, std::vector<std::size_t>> m_buckets;
    std::vector<bool> m_done;
};

}  // namespace

DxfKeptGroups keptGroupsOf(const DxfRecord& record, const DxfRecordLayout& layout)
{
    DxfKeptGroups kept;
    const DxfTags tags = record.tagList();
    std::size_t end = tags.size();
    std::size_t extendedData = end;
    for (std::size_t i = 1; i < tags.size(); ++i) {
        if (tags[i].code == 0) {
            end = i;
            break;
        }
        if (tags[i].code == 1001 && extendedData == tags.size())
            extendedData = i;
    }
    extendedData = std::min(extendedData, end);
    DxfGroupWalker walker(layout, hasSubclassMarkers(tags, 0, extendedData));
    std::map<std::pair<std::size_t, int>, int> lastModelled;
    for (std::size_t i = 1; i < extendedData; ++i) {
        const DxfGroupPlace place = walker.next(tags[i]);
        if (place.kind == Kind::ApplicationGroup) {
            kept.groups.push_back({tags[i], DxfGroupPlace::kHead, -1, 0});
            continue;
        }
        if (place.kind != Kind::Group)
            continue;
        const std::pair<std::size_t, int> where{place.subclass, place.vertex};
        if (place.modelled) {
            lastModelled[where] = tags[i].code;
            kept.modelledPresent.emplace(tags[i].code, place.vertex);
            continue;
        }
        const auto last = lastModelled.find(where);
        const int after = place.foreign || place.subclass == DxfGroupPlace::kHead ? -1
                          : last == lastModelled.end()                            ? 0
                                                                                   : last->second;
        kept.groups.push_back({tags[i], place.subclass, place.vertex, after});
    }
    bool hostData = false;
    for (std::size_t i = extendedData; i < end; ++i) {
        if (tags[i].code == 1001)
            hostData = tags[i].value == kWallApplication;
        if (!hostData)
            kept.extendedData.push_back(tags[i]);
    }
    return kept;
}

DxfRecord withKeptGroups(const DxfTags& modelled, const DxfKeptGroups& kept,
                         const DxfRecordLayout& layout)
{
    DxfTags out;
    out.reserve(modelled.size() + kept.groups.size() + kept.extendedData.size() + 4);
    KeptBuckets buckets(kept.groups);
    std::size_t subclass = DxfGroupPlace::kHead;
    int vertex = -1;
    const auto closeSubclass = [&]() {
        if (subclass == DxfGroupPlace::kHead)
            return;
        if (vertex >= 0)
            buckets.put(subclass, vertex, 0, true, out);
        buckets.put(subclass, -1, 0, true, out);
    };
    bool inExtendedData = false;
    for (std::size_t i = 0; i < modelled.size(); ++i) {
        const DxfTag& tag = modelled[i];
        if (tag.code == 1001 && !inExtendedData) {
            closeSubclass();
            subclass = DxfGroupPlace::kHead;
            inExtendedData = true;
        }
        out.push_back(tag);
        if (i == 0 || inExtendedData)
            continue;
        if (subclass == DxfGroupPlace::kHead && tag.code == 5) {
            buckets.put(DxfGroupPlace::kHead, -1, 0, true, out);
            continue;
        }
        if (tag.code == 100) {
            out.pop_back();
            closeSubclass();
            out.push_back(tag);
            const std::size_t from = subclass == DxfGroupPlace::kHead ? 0 : subclass + 1;
            subclass = layout.subclassNamed(tag.value, from);
            vertex = -1;
            buckets.put(subclass, -1, 0, false, out);
            continue;
        }
        if (subclass == DxfGroupPlace::kHead)
            continue;
        const bool vertexGroup = isVertexCode(layout, subclass, tag.code);
        if (vertexGroup && tag.code == 10) {
            out.pop_back();
            if (vertex >= 0)
                buckets.put(subclass, vertex, 0, true, out);
            out.push_back(tag);
            ++vertex;
            buckets.put(subclass, vertex, 0, false, out);
        }
        buckets.put(subclass, vertexGroup ? vertex : -1, tag.code, false, out);
    }
    closeSubclass();
    out.insert(out.end(), kept.extendedData.begin(), kept.extendedData.end());
    return DxfRecord(std::move(out));
}

}  // namespace cadhost
