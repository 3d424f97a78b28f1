// The module's entry point, which the host calls with its application messages.
#pragma once
#include "rxobject.h"

/// Answers the host's application messages; always kRetOK.
extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId);
