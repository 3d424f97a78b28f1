#include "module/ModuleApp.h"

#include "adesk.h"

#include <cstddef>

namespace {

/// Wide characters of the module path buffer, the terminating zero included.
constexpr DWORD kPathBufferLength = 500;

constexpr WCHAR kResourceLibraryName[] = ACRX_T("VelmoraCsy.dll");
constexpr std::size_t kResourceLibraryNameLength =
    sizeof kResourceLibraryName / sizeof kResourceLibraryName[0] - 1;

/// Tells the user that the module cannot start without its resource library.
void reportResourceLibraryMissing()
{
    MessageBoxW(nullptr, ACRX_T("Can`t load resource library"), nullptr, MB_OK | MB_ICONERROR);
}

/// The index just after the last '\' or '/' of the first length characters of path; 0 when
/// there is none.
std::size_t folderEnd(const WCHAR* path, std::size_t length)
{
    std::size_t end = length;
    while (end > 0 && path[end - 1] != ACRX_T('\\') && path[end - 1] != ACRX_T('/'))
        --end;
    return end;
}

/// The module's one application object, constructed when the module is loaded.
CModuleApp theApp;

}  // namespace

BEGIN_MESSAGE_MAP(CModuleApp, CWinApp)
END_MESSAGE_MAP()

CModuleApp::CModuleApp() : CWinApp(nullptr), m_hResourceLibrary(nullptr) {}

CModuleApp& CModuleApp::instance() { return theApp; }

BOOL CModuleApp::InitInstance()
{
    if (!CWinApp::InitInstance())
        return FALSE;

    WCHAR path[kPathBufferLength] = {};
    const DWORD nameLength = GetModuleFileNameW(m_hInstance, path, kPathBufferLength);
    if (nameLength == 0)
        return FALSE;
    // A name that filled the whole buffer was cut short: its folder is not known.
    if (nameLength >= kPathBufferLength) {
        reportResourceLibraryMissing();
        return FALSE;
    }
    const std::size_t end = folderEnd(path, nameLength);
    // Without a separator the name holds no folder to look in; the library must also fit
    // into the buffer together with the folder and the terminating zero.
    if (end == 0 || end + kResourceLibraryNameLength + 1 > kPathBufferLength) {
        reportResourceLibraryMissing();
        return FALSE;
    }
    for (std::size_t i = 0; i <= kResourceLibraryNameLength; ++i)
        path[end + i] = kResourceLibraryName[i];

    m_hResourceLibrary = LoadLibraryW(path);
    if (m_hResourceLibrary == nullptr) {
        reportResourceLibraryMissing();
        return FALSE;
    }
    return TRUE;
}

int CModuleApp::ExitInstance()
{
    if (m_hResourceLibrary != nullptr)
        FreeLibrary(m_hResourceLibrary);
    m_hResourceLibrary = nullptr;
    return CWinApp::ExitInstance();
}
