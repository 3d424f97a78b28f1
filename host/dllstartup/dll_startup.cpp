// The regular-DLL start-up that every module links: it drives the module's application object
// when the host's loader attaches and detaches the library.
#include "../mfc/loaded_libraries.h"
#include "afxwin.h"

namespace {

BOOL attach(HINSTANCE instance)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return TRUE;
    app->m_hInstance = instance;
    if (!app->InitInstance()) {
        app->ExitInstance();
        return FALSE;
    }
    cadhost::joinResourceChain(instance);
    return TRUE;
}

void detach()
{
    if (CWinApp* app = AfxGetApp())
        app->ExitInstance();
}

}  // namespace

extern "C" BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    // Only the host's loader drives a module's application object.
    if (!cadhost::isLibraryStarting())
        return TRUE;
    try {
        switch (reason) {
        case DLL_PROCESS_ATTACH:
            return attach(instance);
        case DLL_PROCESS_DETACH:
            detach();
            return TRUE;
        default:
            return TRUE;
        }
    } catch (...) {
        return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    }
}
