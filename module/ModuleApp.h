// The module's application object: it owns the Czech resource library "VelmoraCsy.dll" from
// the module's start-up to its shut-down.
#pragma once
#include "afxwin.h"

class CModuleApp : public CWinApp {
public:
    /// An application object that holds no resource library yet.
    CModuleApp();

    /// Loads the resource library from the module's own folder; false refuses the module load.
    BOOL InitInstance() override;
    /// Frees the resource library and ends the application object.
    int ExitInstance() override;

    /// The loaded resource library; null before InitInstance succeeds and after ExitInstance.
    HINSTANCE resourceLibrary() const { return m_hResourceLibrary; }

    /// The module's one application object.
    static CModuleApp& instance();

private:
    HINSTANCE m_hResourceLibrary;

    DECLARE_MESSAGE_MAP()
};
