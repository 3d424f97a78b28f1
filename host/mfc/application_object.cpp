#include "afxwin.h"
#include "mfc/loaded_libraries.h"

namespace {

const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, 0, 0, 0, nullptr}};
const AFX_MSGMAP kRootMessageMap = {nullptr, kNoEntries};

}  // namespace

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    return &kRootMessageMap;
}

BOOL CWinThread::InitInstance()
{
    // A thread object must say what it starts; the base has nothing to start.
    return FALSE;
}

int CWinThread::ExitInstance()
{
    return 0;
}

CWinApp::CWinApp(LPCWSTR appName) : m_hInstance(nullptr), m_pszAppName(appName)
{
    cadhost::registerConstructedApp(this);
}

CWinApp::~CWinApp()
{
    cadhost::forgetApp(this);
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}
