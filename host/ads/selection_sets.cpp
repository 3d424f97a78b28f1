// Selection sets: numbered lists of entities, named by the host's tag and their number.
#include "acedads.h"
#include "ads/ads_names.h"
#include <algorithm>
#include <map>
#include <vector>

namespace {

/// The first half of every selection set name; no database lives at its address.
const char kSelectionSetTag = 0;

struct SelectionSets {
    std::map<Adesk::LongPtr, std::vector<AcDbObjectId>> sets;
    Adesk::LongPtr lastNumber = 0;
};

/// The allocated sets; it outlives everything that may free a set at process exit.
SelectionSets& selectionSets()
{
    static auto* const theSets = new SelectionSets;
    return *theSets;
}

Adesk::LongPtr tag()
{
    return reinterpret_cast<Adesk::LongPtr>(&kSelectionSetTag);
}

/// The set a name stands for; null when it names no set that is allocated.
std::vector<AcDbObjectId>* findSet(const ads_name name)
{
    if (name == nullptr || name[0] != tag())
        return nullptr;
    auto found = selectionSets().sets.find(name[1]);
    return found == selectionSets().sets.end() ? nullptr : &found->second;
}

void newSet(ads_name result)
{
    SelectionSets& all = selectionSets();
    const Adesk::LongPtr number = ++all.lastNumber;
    all.sets[number];
    result[0] = tag();
    result[1] = number;
}

}  // namespace

namespace cadhost {

std::size_t selectionSetCount()
{
    return selectionSets().sets.size();
}

}  // namespace cadhost

int acedSSAdd(const ads_name entity, const ads_name set, ads_name result)
{
    if (result == nullptr)
        return RTERROR;
    AcDbObjectId id;
    if (entity != nullptr) {
        id = cadhost::objectIdOf(entity);
        if (id.isNull() || id.isErased())
            return RTERROR;
    }
    std::vector<AcDbObjectId>* members = nullptr;
    if (set != nullptr) {
        members = findSet(set);
        if (members == nullptr)
            return RTERROR;
    }
    if (members == nullptr) {
        newSet(result);
        members = findSet(result);
    } else {
        result[0] = set[0];
        result[1] = set[1];
    }
    if (!id.isNull() && std::find(members->begin(), members->end(), id) == members->end())
        members->push_back(id);
    return RTNORM;
}

int acedSSLength(const ads_name set, long* length)
{
    const std::vector<AcDbObjectId>* members = findSet(set);
    if (members == nullptr || length == nullptr)
        return RTERROR;
    *length = static_cast<long>(members->size());
    return RTNORM;
}

int acedSSName(const ads_name set, long index, ads_name entity)
{
    const std::vector<AcDbObjectId>* members = findSet(set);
    if (members == nullptr || entity == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= members->size())
        return RTERROR;
    cadhost::adsNameOf((*members)[static_cast<std::size_t>(index)], entity);
    return RTNORM;
}

int acedSSFree(const ads_name set)
{
    if (findSet(set) == nullptr)
        return RTERROR;
    selectionSets().sets.erase(set[1]);
    return RTNORM;
}
