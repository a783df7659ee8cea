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

}  // namespace wintest
