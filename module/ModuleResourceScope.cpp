#include "module/ModuleResourceScope.h"

#include "module/ModuleApp.h"

CModuleResourceScope::CModuleResourceScope()
    : m_hPreviousResource(AfxGetModuleState()->m_hCurrentResourceHandle)
{
    AfxGetModuleState()->m_hCurrentResourceHandle = CModuleApp::instance().resourceLibrary();
}

CModuleResourceScope::~CModuleResourceScope()
{
    AfxGetModuleState()->m_hCurrentResourceHandle = m_hPreviousResource;
}
