#include "module/EntryPoint.h"

namespace {

/// Hands the application to the host's dynamic linker and declares it able to work with
/// several open drawings. The module frees everything it holds when it is unloaded, so it
/// leaves the application unlocked.
void registerApplication(void* appId)
{
    AcRxDictionary* registry = acrxSysRegistry();
    AcRxDynamicLinker* linker =
        registry == nullptr ? nullptr
                            : AcRxDynamicLinker::cast(registry->at(ACRX_T("DynamicLinker")));
    if (linker != nullptr)
        linker->unlockApplication(appId);
    acrxRegisterAppMDIAware(appId);
}

}  // namespace

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId)
{
    if (message == AcRx::kInitAppMsg)
        registerApplication(appId);
    return AcRx::kRetOK;
}
