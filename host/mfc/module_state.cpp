#include "afxwin.h"
#include "mfc/loaded_libraries.h"

AFX_MODULE_STATE* AfxGetModuleState()
{
    static AFX_MODULE_STATE hostState{cadhost::hostInstance(), cadhost::hostInstance(), nullptr};
    return &hostState;
}

CWinApp* AfxGetApp()
{
    if (cadhost::isLibraryStarting())
        return cadhost::appOfLibraryStarting();
    return AfxGetModuleState()->m_pCurrentWinApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

void AfxSetResourceHandle(HINSTANCE resource)
{
    AfxGetModuleState()->m_hCurrentResourceHandle = resource;
}
