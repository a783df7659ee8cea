// The module's global operator new and delete, in every form, on the process heap.
//
// Built with -fno-exceptions, the module cannot catch std::bad_alloc: libstdc++'s
// own operator new would throw it into std::terminate and abort, which the host's
// crash handler and Windows Error Reporting see as a plain exit. An allocation that
// fails here raises STATUS_NO_MEMORY instead, noncontinuable, as the heap itself
// does for HEAP_GENERATE_EXCEPTIONS. The nothrow forms answer null as the language
// wants. What may grow without bound with the user's data is checked against its
// bound before it grows; this is the end of what was not.
//
// No new handler is called: nothing in the module installs one.
#include "platform/ModuleHeap.h"

#include <windows.h>

#include <cstdint>
#include <new>

namespace {

void* TakeBlock(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

void GiveBack(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

// The heap aligns to 8 bytes; a stricter alignment takes a larger block and keeps
// the block's own address just below the aligned one.
void* TakeAligned(size_t size, std::align_val_t alignment)
{
    size_t align = static_cast<size_t>(alignment);
    if (align <= MEMORY_ALLOCATION_ALIGNMENT)
        return TakeBlock(size);
    if (size > ~static_cast<size_t>(0) - align - sizeof(void*))
        return nullptr;
    void* block = TakeBlock(size + align + sizeof(void*));
    if (!block)
        return nullptr;
    uintptr_t aligned = (reinterpret_cast<uintptr_t>(block) + sizeof(void*) + align - 1) & ~(align - 1);
    reinterpret_cast<void**>(aligned)[-1] = block;
    return reinterpret_cast<void*>(aligned);
}

void GiveBackAligned(void* aligned, std::align_val_t alignment)
{
    if (aligned && static_cast<size_t>(alignment) > MEMORY_ALLOCATION_ALIGNMENT)
        aligned = static_cast<void**>(aligned)[-1];
    GiveBack(aligned);
}

void* Allocate(size_t size)
{
    void* block = TakeBlock(size);
    if (!block)
        ReportOutOfMemory(size);
    return block;
}

void* AllocateAligned(size_t size, std::align_val_t alignment)
{
    void* block = TakeAligned(size, alignment);
    if (!block)
        ReportOutOfMemory(size);
    return block;
}

}  // namespace

void ReportOutOfMemory(size_t size)
{
    ULONG_PTR request = size;
    // A handler that tries to continue gets STATUS_NONCONTINUABLE_EXCEPTION; nothing
    // ever comes back here, but should it, the report is raised again.
    for (;;)
        RaiseException(static_cast<DWORD>(STATUS_NO_MEMORY), EXCEPTION_NONCONTINUABLE, 1, &request);
}

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return TakeBlock(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return TakeBlock(size); }
void operator delete(void* block) noexcept { GiveBack(block); }
void operator delete[](void* block) noexcept { GiveBack(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { GiveBack(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { GiveBack(block); }
void operator delete(void* block, size_t) noexcept { GiveBack(block); }
void operator delete[](void* block, size_t) noexcept { GiveBack(block); }

void* operator new(size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return TakeAligned(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return TakeAligned(size, alignment);
}
void operator delete(void* block, std::align_val_t alignment) noexcept { GiveBackAligned(block, alignment); }
void operator delete[](void* block, std::align_val_t alignment) noexcept { GiveBackAligned(block, alignment); }
void operator delete(void* block, size_t, std::align_val_t alignment) noexcept { GiveBackAligned(block, alignment); }
void operator delete[](void* block, size_t, std::align_val_t alignment) noexcept
{
    GiveBackAligned(block, alignment);
}
void operator delete(void* block, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    GiveBackAligned(block, alignment);
}
void operator delete[](void* block, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    GiveBackAligned(block, alignment);
}
