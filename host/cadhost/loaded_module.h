// An application module as cadhost runs it: loaded with its start-up, told kInitAppMsg, its
// commands reached by export name, told kUnloadAppMsg and unloaded at the end.
#pragma once
#include "win32.h"
#include <string>
#include <vector>

namespace cadhost {

class LoadedModule {
public:
    typedef void (*CommandFunction)();

    LoadedModule() = default;
    /// Unloads the module if it is still loaded.
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    /// Loads the module at path (UTF-8), registers it with the dynamic linker and sends it
    /// kInitAppMsg; false with the reason in error when it cannot be loaded or refuses.
    bool load(const std::string& path, std::string& error);
    /// Sends kUnloadAppMsg, forgets the application and unloads the library.
    void unload();
    bool isLoaded() const { return m_module != nullptr; }

    /// The command the module exports under name; null when it has none (names of the module's
    /// start-up and entry point are no commands, nor is anything outside the module itself).
    CommandFunction findCommand(const std::string& name) const;
    /// The names of the module's commands (each one findCommand finds), sorted.
    std::vector<std::string> commandNames() const;
    /// The libraries the module loaded during its start-up (its resource library).
    std::vector<HMODULE> librariesLoadedAtStartup() const;
    /// The application id the host gave the module.
    void* appId() { return &m_appToken; }

private:
    HMODULE m_module = nullptr;
    std::string m_path;
    int (*m_entryPoint)(int, void*) = nullptr;
    int m_appToken = 0;  ///< its address is the application id
};

}  // namespace cadhost
