// What lives as long as the module is loaded, whatever panels come and go.
#pragma once

#include <windows.h>

struct ModuleRecord {
    HINSTANCE instance;         // set at DLL_PROCESS_ATTACH
    CLIPFORMAT idListFormat;    // "Shell IDList Array", registered at load
    HANDLE activationContext;   // INVALID_HANDLE_VALUE until made (ActivationScope.h)
    bool activationTried;       // one attempt per panel: a failure is not retried at every message
};

extern ModuleRecord moduleRecord;
