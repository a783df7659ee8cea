// The module's activation context and the scope that activates it.
#include "platform/ActivationScope.h"

#include "platform/ModuleRecord.h"

namespace {

HANDLE ModuleContext()
{
    HANDLE& context = moduleRecord.activationContext;
    if (moduleRecord.activationTried || !moduleRecord.instance)
        return context;
    moduleRecord.activationTried = true;
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(moduleRecord.instance, path, MAX_PATH);
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path;
    request.hModule = moduleRecord.instance;
    request.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    context = CreateActCtxW(&request);
    return context;
}

}  // namespace

ActivationScope::ActivationScope() : cookie_(0), active_(false)
{
    HANDLE moduleContext = ModuleContext();
    if (moduleContext != INVALID_HANDLE_VALUE)
        active_ = ActivateActCtx(moduleContext, &cookie_) != FALSE;
}

ActivationScope::~ActivationScope()
{
    if (active_)
        DeactivateActCtx(0, cookie_);
}

void ReleaseActivationContext()
{
    // An activation still on the stack holds a reference of its own.
    if (moduleRecord.activationContext != INVALID_HANDLE_VALUE)
        ReleaseActCtx(moduleRecord.activationContext);
    moduleRecord.activationContext = INVALID_HANDLE_VALUE;
    moduleRecord.activationTried = false;
}
