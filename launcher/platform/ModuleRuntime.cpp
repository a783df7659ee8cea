// The module's static runtime, made to give back at every unload what it takes
// at every load (tests/README.md, "Nothing left behind", has the measurements).
//
// - libstdc++'s emergency exception pool: a block of 18,944 bytes allocated by a
//   static constructor at load and never freed; __gnu_cxx::__freeres() frees it.
//   Only when FreeLibrary unloads the module: at the process's exit nothing needs
//   giving back, and other threads may still be running.
// - libgcc's frame registry: at load, crtbegin.o's __gcc_register_frame hands the
//   module's unwind tables to __register_frame_info, whose first call creates
//   the registry's lock (a semaphore with the -win32 compilers; with the -posix
//   ones a winpthreads mutex, which takes a TLS index, an event, a thread handle
//   and four blocks) that nothing ever closes. The module's link wraps the two
//   calls (launcher/CMakeLists.txt, --wrap) to the empty stand-ins below, so
//   that no registry is made. The tables are only read by a throw looking for
//   a handler, and the panel has none (it is built with -fno-exceptions). The
//   module's own operator new never throws: a failed allocation raises
//   STATUS_NO_MEMORY (platform/ModuleHeap.cpp).
#include "platform/ModuleRuntime.h"

namespace __gnu_cxx {
void __freeres() noexcept;  // libstdc++'s own; no header declares it
}

void ReleaseModuleRuntime()
{
    __gnu_cxx::__freeres();
}

// Only the module's link routes crtbegin.o's calls here; elsewhere nothing calls them.
extern "C" void __wrap___register_frame_info(const void*, void*) {}
extern "C" void* __wrap___deregister_frame_info(const void*)
{
    return nullptr;
}
