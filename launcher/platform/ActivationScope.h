// Common controls 6 for the panel in any host: the module's own manifest
// (resource 2) made into an activation context, and a scope that activates it
// for what the panel creates and handles.
#pragma once

#include <windows.h>

// Activates the module's activation context for the scope's life. Made at the
// first scope of a panel; a module without the manifest (or a host that has
// none to give) runs with whatever context is active.
class ActivationScope {
public:
    ActivationScope();
    ~ActivationScope();
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_;
    bool active_;
};

// Lets go of the module's activation context: once the panel's windows are
// gone, and at unload.
void ReleaseActivationContext();
