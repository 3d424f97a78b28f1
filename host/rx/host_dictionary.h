// The host's dictionary of runtime objects: the system registry and the class dictionary.
#pragma once
#include "rxobject.h"
#include <map>
#include <string>

namespace cadhost {

/// A dictionary that refers to its entries without owning them (the host's registry entries
/// live as long as the process). Keys are case-sensitive.
class HostDictionary : public AcRxDictionary {
public:
    AcRxObject* at(const ACHAR* key) const override;
    AcRxObject* atPut(const ACHAR* key, AcRxObject* object) override;
    Adesk::UInt32 numEntries() const override
    {
        return static_cast<Adesk::UInt32>(m_entries.size());
    }

private:
    std::map<std::u16string, AcRxObject*> m_entries;
};

/// Makes the runtime classes of every host class known to the class dictionary.
void registerHostClasses();

}  // namespace cadhost
