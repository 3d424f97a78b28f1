// The host's record of loaded libraries behind LoadLibraryW, FreeLibrary, GetProcAddress,
// GetModuleFileNameW and LoadStringW: what an instance handle stands for.
#pragma once
#include "win32.h"
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CWinApp;
namespace cadhost {
class MappedFile;
class PeImage;
/// A Windows language identifier (LANGID), as in mfc/pe_image.h.
typedef std::uint16_t LanguageId;
}  // namespace cadhost

/// What an instance handle stands for: the host program itself or a loaded library, either a
/// library of this platform or a Windows resource library.
struct HINSTANCE__ {
    void* dlHandle = nullptr;  ///< the dynamic loader's handle (null: a resource library)
    /// A resource library's file, mapped, and its image read from it (null: none).
    std::unique_ptr<cadhost::MappedFile> mappedFile;
    std::unique_ptr<cadhost::PeImage> resourceImage;
    std::string path;          ///< absolute file name (UTF-8)
    int references = 0;        ///< LoadLibraryW calls not yet matched by FreeLibrary
    bool isHostProgram = false;
    /// The application object the library's start-up constructed (null: none).
    CWinApp* app = nullptr;
    /// In the chain of resource modules: its start-up succeeded.
    bool inResourceChain = false;
    /// The libraries first loaded while this one was starting up, in load order.
    std::vector<HINSTANCE> loadedDuringStartup;
};

namespace cadhost {

/// The host program's own instance handle (the initial current resource handle).
HINSTANCE hostInstance();
/// Whether handle is the host program's or a library's that is loaded now.
bool isLiveInstance(HINSTANCE handle);
/// The application object of the library whose start-up or shut-down is running (null when
/// none runs, or that library has none).
CWinApp* appOfLibraryStarting();
/// Whether a library's start-up or shut-down is running now.
bool isLibraryStarting();
/// Registers an application object just constructed by a library's static initialisation.
void registerConstructedApp(CWinApp* app);
/// Forgets an application object being destroyed.
void forgetApp(CWinApp* app);
/// Adds a library whose start-up succeeded to the chain of resource modules.
void joinResourceChain(HINSTANCE library);

/// Why the last LoadLibraryW on this thread failed, as the dynamic loader said it (UTF-8).
std::string lastLoaderError();

/// The string table of a library as LoadStringW reads it, in ascending order of id; empty when
/// it has none.
std::vector<std::pair<UINT, std::u16string>> stringTableOf(HINSTANCE library);

/// The user interface language of this thread, whose strings a resource library's string table
/// gives first; English (United States), 0x0409, until it is set.
LanguageId threadUiLanguage();
void setThreadUiLanguage(LanguageId language);

/// Makes GetModuleFileNameW report reportedName for the library at path (absolute, UTF-8), as
/// when that library lives in a folder of that name; an empty name ends the override.
void reportModuleFileNameAs(const std::string& path, const std::u16string& reportedName);

}  // namespace cadhost
