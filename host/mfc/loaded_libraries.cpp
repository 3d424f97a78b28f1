#include "mfc/loaded_libraries.h"

#include "mfc/mapped_file.h"
#include "mfc/pe_image.h"
#include "mfc/utf_text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

constexpr DWORD kErrorProcNotFound = 127;
constexpr DWORD kErrorBadExeFormat = 193;
constexpr DWORD kErrorInvalidHandle = 6;

typedef BOOL (*DllMainFunction)(HINSTANCE, DWORD, LPVOID);

/// Every live instance record, the starting libraries and the application objects waiting to
/// be claimed by the load that constructed them. Never destroyed: libraries unloaded at
/// process exit still reach it from their static destructors.
struct LoaderState {
    std::vector<std::unique_ptr<HINSTANCE__>> libraries;
    std::unique_ptr<HINSTANCE__> hostProgram;
    std::vector<HINSTANCE> starting;  ///< libraries whose start-up or shut-down runs, innermost last
    std::vector<CWinApp*> constructedApps;
    std::map<std::string, std::u16string> reportedNames;
};

LoaderState& loader()
{
    static LoaderState* const theLoader = new LoaderState;
    return *theLoader;
}

thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local std::string t_lastLoaderError;
constexpr cadhost::LanguageId kEnglishUnitedStates = 0x0409;
thread_local cadhost::LanguageId t_uiLanguage = kEnglishUnitedStates;

std::string absolutePath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool fileExists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

/// Where the platform finds a library: a name with a folder as given; a bare name in the host
/// program's folder, then in the current folder. Empty when there is no such file.
std::string locateLibrary(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.find('/') != std::string::npos)
        return fileExists(name) ? absolutePath(name) : std::string();
    const std::string besideProgram = folderOf(cadhost::hostInstance()->path) + "/" + name;
    if (fileExists(besideProgram))
        return absolutePath(besideProgram);
    if (fileExists(name))
        return absolutePath(name);
    return {};
}

HINSTANCE findByPath(const std::string& path)
{
    for (const auto& library : loader().libraries)
        if (library->path == path)
            return library.get();
    return nullptr;
}

HINSTANCE findByHandle(void* dlHandle)
{
    for (const auto& library : loader().libraries)
        if (library->dlHandle == dlHandle)
            return library.get();
    return nullptr;
}

void removeRecord(HINSTANCE library)
{
    auto& libraries = loader().libraries;
    libraries.erase(std::remove_if(libraries.begin(), libraries.end(),
                                   [library](const std::unique_ptr<HINSTANCE__>& entry) {
                                       return entry.get() == library;
                                   }),
                    libraries.end());
}

/// Marks a library's start-up or shut-down as running while it lives.
class StartingGuard {
public:
    explicit StartingGuard(HINSTANCE library) { loader().starting.push_back(library); }
    ~StartingGuard() { loader().starting.pop_back(); }
    StartingGuard(const StartingGuard&) = delete;
    StartingGuard& operator=(const StartingGuard&) = delete;
};

/// Runs the library's DllMain, if it exports one, for reason; TRUE when it has none.
BOOL runDllMain(HINSTANCE library, DWORD reason)
{
    if (library->dlHandle == nullptr)
        return TRUE;
    void* symbol = ::dlsym(library->dlHandle, "DllMain");
    if (symbol == nullptr)
        return TRUE;
    DllMainFunction dllMain = reinterpret_cast<DllMainFunction>(symbol);
    StartingGuard starting(library);
    return dllMain(library, reason, nullptr);
}

/// Whether the file begins as a Windows image does ("MZ").
bool isWindowsImage(const std::string& path)
{
    char magic[2] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

/// Records a library just loaded, as loaded during the start-up of the one starting (if any).
HINSTANCE addRecord(std::unique_ptr<HINSTANCE__> record)
{
    LoaderState& state = loader();
    HINSTANCE library = record.get();
    state.libraries.push_back(std::move(record));
    if (!state.starting.empty())
        state.starting.back()->loadedDuringStartup.push_back(library);
    return library;
}

/// Maps a Windows resource library: it has no code, so there is no start-up to run.
HMODULE loadResourceLibrary(const std::string& path)
{
    auto record = std::make_unique<HINSTANCE__>();
    record->mappedFile = std::make_unique<cadhost::MappedFile>(path);
    if (!record->mappedFile->isMapped()) {
        t_lastLoaderError = "the file cannot be read";
        SetLastError(kErrorBadExeFormat);
        return nullptr;
    }
    record->resourceImage = std::make_unique<cadhost::PeImage>(record->mappedFile->data(),
                                                               record->mappedFile->size());
    if (!record->resourceImage->isLoadable()) {
        t_lastLoaderError = record->resourceImage->problem();
        SetLastError(kErrorBadExeFormat);
        return nullptr;
    }
    record->path = path;
    record->references = 1;
    HINSTANCE library = addRecord(std::move(record));
    SetLastError(ERROR_SUCCESS);
    return library;
}

/// String id of a library in the thread's language; none when it has no such string.
std::optional<cadhost::ResourceString> findResourceString(HINSTANCE library, UINT id)
{
    if (!library->resourceImage)
        return std::nullopt;
    return library->resourceImage->findString(id, t_uiLanguage);
}

}  // namespace

namespace cadhost {

HINSTANCE hostInstance()
{
    LoaderState& state = loader();
    if (!state.hostProgram) {
        auto host = std::make_unique<HINSTANCE__>();
        host->isHostProgram = true;
        host->dlHandle = ::dlopen(nullptr, RTLD_NOW);
        host->path = absolutePath("/proc/self/exe");
        host->references = 1;
        state.hostProgram = std::move(host);
    }
    return state.hostProgram.get();
}

bool isLiveInstance(HINSTANCE handle)
{
    if (handle == nullptr)
        return false;
    if (handle == hostInstance())
        return true;
    for (const auto& library : loader().libraries)
        if (library.get() == handle)
            return true;
    return false;
}

CWinApp* appOfLibraryStarting()
{
    const auto& starting = loader().starting;
    return starting.empty() ? nullptr : starting.back()->app;
}

bool isLibraryStarting()
{
    return !loader().starting.empty();
}

void registerConstructedApp(CWinApp* app)
{
    loader().constructedApps.push_back(app);
}

void forgetApp(CWinApp* app)
{
    LoaderState& state = loader();
    auto& apps = state.constructedApps;
    apps.erase(std::remove(apps.begin(), apps.end(), app), apps.end());
    for (const auto& library : state.libraries)
        if (library->app == app)
            library->app = nullptr;
}

void joinResourceChain(HINSTANCE library)
{
    if (isLiveInstance(library))
        library->inResourceChain = true;
}

std::string lastLoaderError()
{
    return t_lastLoaderError;
}

std::vector<std::pair<UINT, std::u16string>> stringTableOf(HINSTANCE library)
{
    std::vector<std::pair<UINT, std::u16string>> strings;
    if (!isLiveInstance(library) || !library->resourceImage)
        return strings;
    for (auto& entry : library->resourceImage->strings(t_uiLanguage))
        strings.emplace_back(entry.first, std::move(entry.second));
    return strings;
}

LanguageId threadUiLanguage()
{
    return t_uiLanguage;
}

void setThreadUiLanguage(LanguageId language)
{
    t_uiLanguage = language;
}

void reportModuleFileNameAs(const std::string& path, const std::u16string& reportedName)
{
    if (reportedName.empty())
        loader().reportedNames.erase(path);
    else
        loader().reportedNames[path] = reportedName;
}

}  // namespace cadhost

HMODULE LoadLibraryW(LPCWSTR fileName)
{
    t_lastLoaderError.clear();
    if (fileName == nullptr || *fileName == 0) {
        t_lastLoaderError = "no file name given";
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const std::string path = locateLibrary(cadhost::utf8FromUtf16(fileName));
    if (path.empty()) {
        t_lastLoaderError = "no such file";
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (HINSTANCE loaded = findByPath(path)) {
        ++loaded->references;
        SetLastError(ERROR_SUCCESS);
        return loaded;
    }
    if (isWindowsImage(path))
        return loadResourceLibrary(path);

    LoaderState& state = loader();
    // Application objects constructed by this load's static initialisation are this library's.
    std::vector<CWinApp*> waiting;
    waiting.swap(state.constructedApps);
    void* dlHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::vector<CWinApp*> constructed;
    constructed.swap(state.constructedApps);
    state.constructedApps.swap(waiting);
    if (dlHandle == nullptr) {
        const char* reason = ::dlerror();
        t_lastLoaderError = reason != nullptr ? reason : "the library cannot be loaded";
        SetLastError(kErrorBadExeFormat);
        return nullptr;
    }
    if (HINSTANCE loaded = findByHandle(dlHandle)) {
        ::dlclose(dlHandle);
        ++loaded->references;
        SetLastError(ERROR_SUCCESS);
        return loaded;
    }

    auto record = std::make_unique<HINSTANCE__>();
    record->dlHandle = dlHandle;
    record->path = path;
    record->references = 1;
    record->app = constructed.empty() ? nullptr : constructed.front();
    HINSTANCE library = addRecord(std::move(record));

    if (!runDllMain(library, DLL_PROCESS_ATTACH)) {
        for (HINSTANCE parent : state.starting) {
            auto& children = parent->loadedDuringStartup;
            children.erase(std::remove(children.begin(), children.end(), library), children.end());
        }
        ::dlclose(dlHandle);
        removeRecord(library);
        t_lastLoaderError = "the library's start-up failed";
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return library;
}

BOOL FreeLibrary(HMODULE module)
{
    if (!cadhost::isLiveInstance(module) || module->isHostProgram) {
        SetLastError(kErrorInvalidHandle);
        return FALSE;
    }
    if (--module->references > 0)
        return TRUE;
    runDllMain(module, DLL_PROCESS_DETACH);
    module->inResourceChain = false;
    for (const auto& other : loader().libraries) {
        auto& children = other->loadedDuringStartup;
        children.erase(std::remove(children.begin(), children.end(), module), children.end());
    }
    // The record outlives dlclose: the library's static destructors still reach the loader.
    if (module->dlHandle != nullptr)
        ::dlclose(module->dlHandle);
    removeRecord(module);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, const char* procName)
{
    HINSTANCE library = module == nullptr ? cadhost::hostInstance() : module;
    if (!cadhost::isLiveInstance(library) || procName == nullptr) {
        SetLastError(kErrorInvalidHandle);
        return nullptr;
    }
    // A resource library exports nothing.
    void* symbol = library->dlHandle == nullptr ? nullptr : ::dlsym(library->dlHandle, procName);
    if (symbol == nullptr) {
        SetLastError(kErrorProcNotFound);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    HINSTANCE library = module == nullptr ? cadhost::hostInstance() : module;
    if (!cadhost::isLiveInstance(library)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const auto& reported = loader().reportedNames;
    const auto override = reported.find(library->path);
    const std::u16string name =
        override != reported.end() ? override->second : cadhost::utf16FromUtf8(library->path);
    if (name.size() < size) {
        std::copy(name.begin(), name.end(), fileName);
        fileName[name.size()] = 0;
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(name.size());
    }
    std::copy(name.begin(), name.begin() + (size - 1), fileName);
    fileName[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size)
{
    HINSTANCE library = instance == nullptr ? cadhost::hostInstance() : instance;
    if (buffer == nullptr || size < 0 || !cadhost::isLiveInstance(library)) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    const std::optional<cadhost::ResourceString> text = findResourceString(library, id);
    if (size == 0) {
        // The platform's form for a size of zero: buffer receives a pointer to the text itself,
        // which lies in the mapped library. A text at an odd address is not handed out.
        const bool handedOut =
            text && reinterpret_cast<std::uintptr_t>(text->units) % alignof(WCHAR) == 0;
        const WCHAR* found = handedOut ? reinterpret_cast<const WCHAR*>(text->units) : nullptr;
        std::memcpy(buffer, &found, sizeof found);
        return handedOut ? static_cast<int>(text->length) : 0;
    }
    if (!text) {
        buffer[0] = 0;
        return 0;
    }
    const std::u16string units = cadhost::PeImage::decode(*text);
    const std::size_t copied = std::min(units.size(), static_cast<std::size_t>(size - 1));
    std::copy(units.begin(), units.begin() + copied, buffer);
    buffer[copied] = 0;
    return static_cast<int>(copied);
}

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD error)
{
    t_lastError = error;
}
