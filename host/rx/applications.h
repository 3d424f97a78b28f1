// The host's record of loaded application modules, which the dynamic linker answers from.
#pragma once
#include <string>

namespace cadhost {

/// What the host knows of one loaded application.
struct ApplicationRecord {
    std::u16string name;     ///< the module's file name
    bool locked = false;     ///< whether it may not be unloaded
    bool mdiAware = false;   ///< whether it registered as able to work with several drawings
};

/// Registers a loaded application under its id (the value the host passes to its entry point);
/// a second registration of the same id replaces the record.
void registerApplication(void* appId, const std::u16string& name);
/// Forgets the application; nothing happens for an unknown id.
void unregisterApplication(void* appId);
/// The record of the application; null for an unknown id.
const ApplicationRecord* findApplication(void* appId);

}  // namespace cadhost
