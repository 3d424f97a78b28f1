// The resource scope of a command: while it is open, strings loaded by identifier come from the
// module's resource library.
#pragma once
#include "afxwin.h"

class CModuleResourceScope {
public:
    /// Makes the resource library the current resource handle, remembering the previous one.
    CModuleResourceScope();
    /// Puts the remembered resource handle back.
    ~CModuleResourceScope();
    CModuleResourceScope(const CModuleResourceScope&) = delete;
    CModuleResourceScope& operator=(const CModuleResourceScope&) = delete;

private:
    HINSTANCE m_hPreviousResource;
};
