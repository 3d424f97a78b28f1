// The system registry with its class dictionary and dynamic linker, and the record of loaded
// applications that the dynamic linker answers from.
#include "rx/applications.h"
#include "rx/host_dictionary.h"
#include "rx/rx_define.h"
#include <map>

namespace cadhost {

namespace {

/// The loaded applications; it outlives the modules unloaded at process exit.
std::map<void*, ApplicationRecord>& applications()
{
    static auto* const theApplications = new std::map<void*, ApplicationRecord>;
    return *theApplications;
}

ApplicationRecord* findRecord(void* appId)
{
    auto found = applications().find(appId);
    return found == applications().end() ? nullptr : &found->second;
}

/// The dynamic linker: locks and MDI awareness of the registered applications.
class HostDynamicLinker : public AcRxDynamicLinker {
public:
    bool lockApplication(void* appId) const override
    {
        ApplicationRecord* app = findRecord(appId);
        if (app == nullptr)
            return false;
        app->locked = true;
        return true;
    }
    bool unlockApplication(void* appId) const override
    {
        ApplicationRecord* app = findRecord(appId);
        if (app == nullptr)
            return false;
        app->locked = false;
        return true;
    }
    bool isApplicationLocked(const ACHAR* appName) const override
    {
        if (appName == nullptr)
            return false;
        const std::u16string name(appName);
        for (const auto& entry : applications())
            if (entry.second.name == name)
                return entry.second.locked;
        return false;
    }
    bool registerAppMDIAware(void* appId) const override
    {
        ApplicationRecord* app = findRecord(appId);
        if (app == nullptr)
            return false;
        app->mdiAware = true;
        return true;
    }
};

/// The class dictionary; made before any runtime class, so that classes can enter themselves.
HostDictionary& classDictionary()
{
    static HostDictionary* const theDictionary = new HostDictionary;
    return *theDictionary;
}

HostDictionary& makeSystemRegistry()
{
    HostDictionary* registry = new HostDictionary;
    registry->atPut(u"ClassDictionary", &classDictionary());
    registry->atPut(u"DynamicLinker", new HostDynamicLinker);
    registerHostClasses();
    return *registry;
}

}  // namespace

AcRxObject* HostDictionary::at(const ACHAR* key) const
{
    if (key == nullptr)
        return nullptr;
    auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : found->second;
}

AcRxObject* HostDictionary::atPut(const ACHAR* key, AcRxObject* object)
{
    if (key == nullptr)
        return nullptr;
    AcRxObject*& slot = m_entries[key];
    AcRxObject* previous = slot;
    slot = object;
    return previous;
}

AcRxClass* newRegisteredClass(const char* name, AcRxClass* parent)
{
    const std::u16string wideName(name, name + std::char_traits<char>::length(name));
    AcRxClass* theClass = new AcRxClass(wideName.c_str(), parent);
    classDictionary().atPut(wideName.c_str(), theClass);
    return theClass;
}

void registerApplication(void* appId, const std::u16string& name)
{
    ApplicationRecord record;
    record.name = name;
    applications()[appId] = record;
}

void unregisterApplication(void* appId)
{
    applications().erase(appId);
}

const ApplicationRecord* findApplication(void* appId)
{
    return findRecord(appId);
}

}  // namespace cadhost

CADHOST_RX_DEFINE_MEMBERS(AcRxDictionary, AcRxObject)
CADHOST_RX_DEFINE_MEMBERS(AcRxDynamicLinker, AcRxObject)

AcRxDictionary* acrxSysRegistry()
{
    static cadhost::HostDictionary& theRegistry = cadhost::makeSystemRegistry();
    return &theRegistry;
}

AcRxDictionary* acrxClassDictionary()
{
    return AcRxDictionary::cast(acrxSysRegistry()->at(u"ClassDictionary"));
}

bool acrxRegisterAppMDIAware(void* appId)
{
    AcRxDynamicLinker* linker = AcRxDynamicLinker::cast(acrxSysRegistry()->at(u"DynamicLinker"));
    return linker != nullptr && linker->registerAppMDIAware(appId);
}
