// What a product module holds of the process's resources, for tests that create
// and destroy panels many times and check that nothing is left behind: windows
// and GDI objects of the process, and, through counting replacements in the
// module's own import table, its heap blocks, image lists, icons, drop target
// registrations and timers. Everything runs on the test's one thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// Windows of this thread: top-level and message-only ones with all their descendants.
int ThreadWindowCount();

// GDI objects of the process. GetGuiResources answers 0 under Wine; there the
// count is read from the GDI handle table that Wine publishes in the process
// environment block (PEB GdiSharedHandleTable): the entries in use.
int GdiObjectCount();
bool GdiCountFromHandleTable();  // true when GetGuiResources gave nothing to go by
DWORD UserObjectCount();         // GetGuiResources(GR_USEROBJECTS), 0 under Wine

// The modules whose imports are watched; each has its own heap ledger.
enum WatchedModule { kWatchedPlugin = 0, kWatchedAdaptor = 1, kWatchedModuleCount };

// Replaces `module`'s imports of the heap functions (msvcrt malloc, calloc,
// realloc, free), the image list, icon, drop target and timer functions with
// counting ones that call the real functions. Needed again after each load.
void WatchModule(HMODULE module, WatchedModule which);

// Calls `onLoad` with every module that `module` loads through LoadLibraryW
// (so that a plug-in loaded by the adaptor can be watched before its create runs).
void WatchModuleLoads(HMODULE module, void (*onLoad)(HMODULE loaded, const wchar_t* path));

struct ResourceLedger {
    int liveBlocks[kWatchedModuleCount];  // heap blocks allocated and not yet freed
    int blocksAllocated[kWatchedModuleCount];
    int imageListsCreated;
    int imageListsNotFollowed;  // no reference could be taken: their lifetime is unknown
    int liveImageLists;       // created by a watched module, still referenced by anyone but the watch
    int failedImageListDestroys;
    int liveIcons;            // handed to a watched module (extracted, copied) and not destroyed
    int iconsMade;
    int liveDataFiles;        // files opened as data (LoadLibraryExA) and not freed
    int dataFilesOpened;
    int dropRegistrations;    // RegisterDragDrop answered S_OK
    int dropRevocations;      // RevokeDragDrop answered S_OK while the window still stood
    int openDropRegistrations;  // registered windows without such a revoke
    int dropReferencesAtRevoke;  // references the target had right after its last revoke, beyond its owner's
    int timersSet;
    int liveTimers;           // set and neither killed nor gone with their window
};

// Reads the ledger. Image lists that only the watch still holds are let go here.
ResourceLedger ReadLedger();

// Forgets what was recorded (not the replaced imports); lets go of held image lists.
void ResetLedger();

struct TimerMessage {
    HWND window;
    UINT_PTR id;
};

// Dispatches the thread's messages for `ms` milliseconds and answers every
// WM_TIMER that arrived, in order.
std::vector<TimerMessage> PumpRecordingTimers(DWORD ms);

std::string Describe(const std::vector<TimerMessage>& timers);

// What the whole process holds at one moment, whoever took it: what a module's
// load and unload leave behind (its runtime's TLS indexes, heap blocks and
// handles) shows here, though no import table of the module shows it. Taking
// a reading allocates nothing that outlives it.
struct ProcessReading {
    int tlsIndexesObtainable;  // TlsAlloc calls that succeed before TLS_OUT_OF_INDEXES (all freed again)
    int heaps;                 // GetProcessHeaps: the process heap, msvcrt's heap, any other
    long heapBlocks;           // busy entries of all of them, walked with HeapWalk
    long long heapBytes;       // their sizes (cbData)
    int handles;               // kernel handles of the process (see CountHandles)
    bool handlesFromProbe;     // counted by probing handle values: GetProcessHandleCount answered 0
    int gdiObjects;
    int windows;               // of this thread (ThreadWindowCount)
    struct Kind {
        wchar_t type[24];  // the object type, as NtQueryObject names it ("Semaphore")
        int count;
    } handleKinds[24];  // filled when handlesFromProbe
    int handleKindCount;
};

ProcessReading ReadProcess();

// The figures that grew from `before` to `after` ("heap: +2 blocks, +19,000 bytes;
// handles: +1 (Semaphore +1)"), or "" when none did.
std::string DescribeGrowth(const ProcessReading& before, const ProcessReading& after);

}  // namespace wintest
