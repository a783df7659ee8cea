// operator new and delete for the modules built in the platform's C++ layout
// (Brevlin.vx, and the stand-ins VantrelLib.vx and vantrelhost.exe), which have
// no C++ runtime of their own. Blocks come from the C runtime's heap
// (msvcrt.dll), as they do for a g++ build of the same sources.
//
// There is no exception runtime either, so an exhausted heap cannot throw the
// standard allocation failure. It raises the platform's own instead, the
// structured exception STATUS_NO_MEMORY (as HeapAlloc does with
// HEAP_GENERATE_EXCEPTIONS), which a host may catch and which otherwise ends the
// process with that status. Either way new never answers null, so no caller
// writes through a null block.
#include <windows.h>

#include <stdlib.h>

namespace {

void* NewBlock(size_t bytes)
{
    void* block = malloc(bytes ? bytes : 1);
    if (!block)
        RaiseException(static_cast<DWORD>(STATUS_NO_MEMORY), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return block;
}

}  // namespace

void* operator new(size_t bytes) { return NewBlock(bytes); }
void* operator new[](size_t bytes) { return NewBlock(bytes); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
