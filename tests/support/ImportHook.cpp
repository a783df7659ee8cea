#include "ImportHook.h"

#include "ModuleImports.h"

namespace wintest {

ImportHook::ImportHook(const char* dll, const char* function, void* replacement) : dll_(dll), function_(function)
{
    original_ = PatchModuleImport(GetModuleHandleA(nullptr), dll, function, replacement);
}

ImportHook::~ImportHook()
{
    if (original_)
        PatchModuleImport(GetModuleHandleA(nullptr), dll_, function_, original_);
}

}  // namespace wintest
