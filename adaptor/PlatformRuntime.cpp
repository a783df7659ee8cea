// operator new and delete for the modules built in the platform's C++ layout
// (Brevlin.vx, and the stand-ins VantrelLib.vx and vantrelhost.exe), which have
// no C++ runtime of their own. Blocks come from the process heap.
//
// There is no exception runtime either, so an exhausted heap cannot throw the
// standard allocation failure. It raises the platform's own instead: HeapAlloc
// with HEAP_GENERATE_EXCEPTIONS ends in the structured exception
// STATUS_NO_MEMORY, which a host may catch and which otherwise ends the process
// with that status. Either way new never answers null, so no caller writes
// through a null block.
#include <windows.h>

#include <stddef.h>

namespace {

void* NewBlock(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), HEAP_GENERATE_EXCEPTIONS, bytes ? bytes : 1);
}

void DeleteBlock(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

void* operator new(size_t bytes) { return NewBlock(bytes); }
void* operator new[](size_t bytes) { return NewBlock(bytes); }
void operator delete(void* block) noexcept { DeleteBlock(block); }
void operator delete[](void* block) noexcept { DeleteBlock(block); }
void operator delete(void* block, size_t) noexcept { DeleteBlock(block); }
void operator delete[](void* block, size_t) noexcept { DeleteBlock(block); }
