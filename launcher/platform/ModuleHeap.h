// The module's memory: its global operator new and delete take blocks of the
// process heap, and an allocation that fails ends the way the platform reports
// one (ModuleHeap.cpp).
#pragma once

#include <cstddef>

// Raises the noncontinuable STATUS_NO_MEMORY exception for a request of `size`
// bytes, as HeapAlloc with HEAP_GENERATE_EXCEPTIONS does: the host's crash handler
// and Windows Error Reporting see it. Never returns.
[[noreturn]] void ReportOutOfMemory(size_t size);
