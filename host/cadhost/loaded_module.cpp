#include "cadhost/loaded_module.h"

#include "cadhost/file_paths.h"
#include "cadhost/module_exports.h"

#include "mfc/loaded_libraries.h"
#include "mfc/utf_text.h"
#include "rx/applications.h"
#include "rxobject.h"

#include <cstring>
#include <dlfcn.h>

namespace cadhost {

namespace {

/// The module's exports that belong to the host's protocol, not to its commands.
bool isProtocolExport(const std::string& name)
{
    return name == "acrxEntryPoint" || name == "DllMain";
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

LoadedModule::~LoadedModule()
{
    unload();
}

bool LoadedModule::load(const std::string& path, std::string& error)
{
    unload();
    HMODULE module = LoadLibraryW(utf16FromUtf8(path).c_str());
    if (module == nullptr) {
        error = path + ": the module cannot be loaded: " + lastLoaderError() + " (error " +
                std::to_string(GetLastError()) + ")";
        return false;
    }
    FARPROC entry = GetProcAddress(module, "acrxEntryPoint");
    if (entry == nullptr) {
        FreeLibrary(module);
        error = path + ": not an application module: it exports no acrxEntryPoint";
        return false;
    }
    m_module = module;
    m_path = module->path;
    m_entryPoint = reinterpret_cast<int (*)(int, void*)>(entry);
    registerApplication(appId(), utf16FromUtf8(fileNameOf(m_path)));
    if (m_entryPoint(AcRx::kInitAppMsg, appId()) != AcRx::kRetOK) {
        error = path + ": the module refused to initialise (kInitAppMsg)";
        unregisterApplication(appId());
        FreeLibrary(m_module);
        m_module = nullptr;
        m_entryPoint = nullptr;
        return false;
    }
    return true;
}

void LoadedModule::unload()
{
    if (m_module == nullptr)
        return;
    m_entryPoint(AcRx::kUnloadAppMsg, appId());
    unregisterApplication(appId());
    FreeLibrary(m_module);
    m_module = nullptr;
    m_entryPoint = nullptr;
}

LoadedModule::CommandFunction LoadedModule::findCommand(const std::string& name) const
{
    if (m_module == nullptr || name.empty() || isProtocolExport(name))
        return nullptr;
    FARPROC symbol = GetProcAddress(m_module, name.c_str());
    if (symbol == nullptr)
        return nullptr;
    // The loader also finds what the module's own dependencies export; only the module's own
    // exports are its commands.
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(symbol), &info) == 0 || info.dli_fname == nullptr)
        return nullptr;
    if (absoluteFilePath(info.dli_fname) != m_path)
        return nullptr;
    return reinterpret_cast<CommandFunction>(symbol);
}

std::vector<std::string> LoadedModule::commandNames() const
{
    std::vector<std::string> names;
    if (m_module == nullptr)
        return names;
    for (const std::string& name : exportedFunctionNames(m_path))
        if (findCommand(name) != nullptr)
            names.push_back(name);
    return names;
}

std::vector<HMODULE> LoadedModule::librariesLoadedAtStartup() const
{
    if (m_module == nullptr)
        return {};
    return m_module->loadedDuringStartup;
}

}  // namespace cadhost
