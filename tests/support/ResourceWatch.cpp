#include "ResourceWatch.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <unknwn.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_set>
#include <utility>

#include "ModuleImports.h"

namespace wintest {

namespace {

// ---- windows and GDI objects

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountChild, count);  // every descendant, not just the children
    return TRUE;
}

// One entry of Wine's GDI handle table (include/ntgdi.h): 24 bytes on every
// architecture; an entry is in use while its type is nonzero.
struct WineGdiEntry {
    unsigned long long object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    unsigned long long userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry");
constexpr int kWineGdiHandles = 0x10000;
constexpr size_t kPebGdiSharedHandleTable = 0x94;  // 32-bit process environment block

bool UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

const WineGdiEntry* WineGdiTable()
{
    if (!UnderWine())
        return nullptr;
    using QueryProc = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return nullptr;
    auto peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    return *reinterpret_cast<const WineGdiEntry* const*>(peb + kPebGdiSharedHandleTable);
}

// ---- the ledger behind the replaced imports

struct Originals {
    void*(__cdecl* malloc)(size_t);
    void*(__cdecl* calloc)(size_t, size_t);
    void*(__cdecl* realloc)(void*, size_t);
    void(__cdecl* free)(void*);
    LPVOID(WINAPI* heapAlloc)(HANDLE, DWORD, SIZE_T);
    LPVOID(WINAPI* heapReAlloc)(HANDLE, DWORD, LPVOID, SIZE_T);
    BOOL(WINAPI* heapFree)(HANDLE, DWORD, LPVOID);
    HIMAGELIST(WINAPI* imageListCreate)(int, int, UINT, int, int);
    BOOL(WINAPI* imageListDestroy)(HIMAGELIST);
    HICON(WINAPI* imageListGetIcon)(HIMAGELIST, int, UINT);
    HRESULT(WINAPI* imageListQueryInterface)(HIMAGELIST, REFIID, void**);
    UINT(WINAPI* extractIconEx)(LPCSTR, int, HICON*, HICON*, UINT);
    DWORD_PTR(WINAPI* getFileInfo)(LPCSTR, DWORD, SHFILEINFOA*, UINT, UINT);
    UINT(WINAPI* extractIconExW)(LPCWSTR, int, HICON*, HICON*, UINT);
    HICON(WINAPI* copyIcon)(HICON);
    BOOL(WINAPI* destroyIcon)(HICON);
    HICON(WINAPI* createIconFromResourceEx)(PBYTE, DWORD, BOOL, DWORD, int, int, UINT);
    HMODULE(WINAPI* loadLibraryExA)(LPCSTR, HANDLE, DWORD);
    BOOL(WINAPI* freeLibrary)(HMODULE);
    HRESULT(WINAPI* registerDragDrop)(HWND, IDropTarget*);
    HRESULT(WINAPI* revokeDragDrop)(HWND);
    UINT_PTR(WINAPI* setTimer)(HWND, UINT_PTR, UINT, TIMERPROC);
    BOOL(WINAPI* killTimer)(HWND, UINT_PTR);
    HMODULE(WINAPI* loadLibraryW)(LPCWSTR);
};
Originals real;

struct Ledger {
    std::unordered_set<void*> blocks[kWatchedModuleCount];
    int blocksAllocated[kWatchedModuleCount] = {};
    std::vector<IUnknown*> heldImageLists;  // one reference each, taken at creation
    int imageListsCreated = 0;
    int imageListsNotFollowed = 0;
    int failedImageListDestroys = 0;
    std::set<HICON> icons;
    int iconsMade = 0;
    std::map<HMODULE, int> dataFiles;  // loads not yet freed, by handle
    int dataFilesOpened = 0;
    std::map<HWND, IDropTarget*> dropTargets;  // registered and not yet revoked
    int dropRegistrations = 0;
    int dropRevocations = 0;
    int dropReferencesAtRevoke = 0;
    std::set<std::pair<HWND, UINT_PTR>> timers;
    int timersSet = 0;
};
Ledger ledger;
void (*loadObserver)(HMODULE, const wchar_t*) = nullptr;

template <class Proc>
void Resolve(Proc* slot, const char* dll, const char* name)
{
    if (!*slot)
        *slot = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), name)));
}

void ResolveOriginals()
{
    Resolve(&real.malloc, "msvcrt.dll", "malloc");
    Resolve(&real.calloc, "msvcrt.dll", "calloc");
    Resolve(&real.realloc, "msvcrt.dll", "realloc");
    Resolve(&real.free, "msvcrt.dll", "free");
    Resolve(&real.heapAlloc, "kernel32.dll", "HeapAlloc");
    Resolve(&real.heapReAlloc, "kernel32.dll", "HeapReAlloc");
    Resolve(&real.heapFree, "kernel32.dll", "HeapFree");
    Resolve(&real.imageListCreate, "comctl32.dll", "ImageList_Create");
    Resolve(&real.imageListDestroy, "comctl32.dll", "ImageList_Destroy");
    Resolve(&real.imageListGetIcon, "comctl32.dll", "ImageList_GetIcon");
    Resolve(&real.imageListQueryInterface, "comctl32.dll", "HIMAGELIST_QueryInterface");
    Resolve(&real.extractIconEx, "shell32.dll", "ExtractIconExA");
    Resolve(&real.getFileInfo, "shell32.dll", "SHGetFileInfoA");
    Resolve(&real.extractIconExW, "shell32.dll", "ExtractIconExW");
    Resolve(&real.copyIcon, "user32.dll", "CopyIcon");
    Resolve(&real.destroyIcon, "user32.dll", "DestroyIcon");
    Resolve(&real.createIconFromResourceEx, "user32.dll", "CreateIconFromResourceEx");
    Resolve(&real.loadLibraryExA, "kernel32.dll", "LoadLibraryExA");
    Resolve(&real.freeLibrary, "kernel32.dll", "FreeLibrary");
    Resolve(&real.registerDragDrop, "ole32.dll", "RegisterDragDrop");
    Resolve(&real.revokeDragDrop, "ole32.dll", "RevokeDragDrop");
    Resolve(&real.setTimer, "user32.dll", "SetTimer");
    Resolve(&real.killTimer, "user32.dll", "KillTimer");
    Resolve(&real.loadLibraryW, "kernel32.dll", "LoadLibraryW");
}

// The panel's workers allocate and free too: every use of the ledger takes this
// lock (a critical section, so a watched call inside a watched call may nest).
struct LedgerLock {
    CRITICAL_SECTION section;
    LedgerLock() { InitializeCriticalSection(&section); }
};
LedgerLock ledgerLock;

class LedgerGuard {
public:
    LedgerGuard() { EnterCriticalSection(&ledgerLock.section); }
    ~LedgerGuard() { LeaveCriticalSection(&ledgerLock.section); }
    LedgerGuard(const LedgerGuard&) = delete;
    LedgerGuard& operator=(const LedgerGuard&) = delete;
};

void ForgetBlock(void* block)
{
    LedgerGuard guard;
    for (auto& blocks : ledger.blocks) {
        if (blocks.erase(block))
            return;
    }
}

template <int Module>
void* __cdecl WatchedMalloc(size_t size)
{
    LedgerGuard guard;
    void* block = real.malloc(size);
    if (block) {
        ledger.blocks[Module].insert(block);
        ++ledger.blocksAllocated[Module];
    }
    return block;
}

template <int Module>
void* __cdecl WatchedCalloc(size_t count, size_t size)
{
    LedgerGuard guard;
    void* block = real.calloc(count, size);
    if (block) {
        ledger.blocks[Module].insert(block);
        ++ledger.blocksAllocated[Module];
    }
    return block;
}

template <int Module>
void* __cdecl WatchedRealloc(void* block, size_t size)
{
    LedgerGuard guard;
    void* moved = real.realloc(block, size);
    if (block && (moved || size == 0))
        ForgetBlock(block);
    if (moved) {
        ledger.blocks[Module].insert(moved);
        ++ledger.blocksAllocated[Module];
    }
    return moved;
}

// Dockmere's operator new and delete take their blocks from the heap directly.
template <int Module>
LPVOID WINAPI WatchedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size)
{
    LedgerGuard guard;
    void* block = real.heapAlloc(heap, flags, size);
    if (block) {
        ledger.blocks[Module].insert(block);
        ++ledger.blocksAllocated[Module];
    }
    return block;
}

template <int Module>
LPVOID WINAPI WatchedHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T size)
{
    LedgerGuard guard;
    void* moved = real.heapReAlloc(heap, flags, block, size);
    if (moved) {
        ForgetBlock(block);
        ledger.blocks[Module].insert(moved);
        ++ledger.blocksAllocated[Module];
    }
    return moved;
}

BOOL WINAPI WatchedHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (block)
        ForgetBlock(block);
    return real.heapFree(heap, flags, block);
}

void __cdecl WatchedFree(void* block)
{
    LedgerGuard guard;
    // Blocks from before the watch began are simply not in the ledger.
    if (block)
        ForgetBlock(block);
    real.free(block);
}

HIMAGELIST WINAPI WatchedImageListCreate(int cx, int cy, UINT flags, int initial, int grow)
{
    LedgerGuard guard;
    HIMAGELIST list = real.imageListCreate(cx, cy, flags, initial, grow);
    if (list) {
        ++ledger.imageListsCreated;
        IUnknown* object = nullptr;
        if (real.imageListQueryInterface &&
            SUCCEEDED(real.imageListQueryInterface(list, IID_IUnknown, reinterpret_cast<void**>(&object))) && object)
            ledger.heldImageLists.push_back(object);
        else
            ++ledger.imageListsNotFollowed;
    }
    return list;
}

BOOL WINAPI WatchedImageListDestroy(HIMAGELIST list)
{
    LedgerGuard guard;
    BOOL done = real.imageListDestroy(list);
    if (!done)
        ++ledger.failedImageListDestroys;
    return done;
}

void NoteIcon(HICON icon)
{
    LedgerGuard guard;
    if (icon && ledger.icons.insert(icon).second)
        ++ledger.iconsMade;
}

HICON WINAPI WatchedImageListGetIcon(HIMAGELIST list, int index, UINT flags)
{
    HICON icon = real.imageListGetIcon(list, index, flags);
    NoteIcon(icon);
    return icon;
}

UINT WINAPI WatchedExtractIconEx(LPCSTR file, int index, HICON* large, HICON* small, UINT count)
{
    UINT result = real.extractIconEx(file, index, large, small, count);
    // Index -1 with no output asks for the count only.
    for (UINT i = 0; i < count && result != UINT(-1) && result != 0; ++i) {
        if (large)
            NoteIcon(large[i]);
        if (small)
            NoteIcon(small[i]);
    }
    return result;
}

// The panel's workers read icons by index with the wide form and copy an icon a
// page names twice.
UINT WINAPI WatchedExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT count)
{
    UINT result = real.extractIconExW(file, index, large, small, count);
    for (UINT i = 0; i < count && result != UINT(-1) && result != 0; ++i) {
        if (large)
            NoteIcon(large[i]);
        if (small)
            NoteIcon(small[i]);
    }
    return result;
}

HICON WINAPI WatchedCopyIcon(HICON icon)
{
    HICON copy = real.copyIcon(icon);
    NoteIcon(copy);
    return copy;
}

DWORD_PTR WINAPI WatchedGetFileInfo(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    DWORD_PTR result = real.getFileInfo(path, attributes, info, size, flags);
    if (result && (flags & SHGFI_ICON) && info)
        NoteIcon(info->hIcon);
    return result;
}

HICON WINAPI WatchedCreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int cx, int cy,
                                             UINT flags)
{
    HICON made = real.createIconFromResourceEx(bits, size, icon, version, cx, cy, flags);
    NoteIcon(made);
    return made;
}

HMODULE WINAPI WatchedLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    LedgerGuard guard;
    HMODULE module = real.loadLibraryExA(path, file, flags);
    if (module) {
        ++ledger.dataFiles[module];
        ++ledger.dataFilesOpened;
    }
    return module;
}

BOOL WINAPI WatchedFreeLibrary(HMODULE module)
{
    LedgerGuard guard;
    BOOL done = real.freeLibrary(module);
    auto opened = ledger.dataFiles.find(module);
    if (done && opened != ledger.dataFiles.end() && --opened->second == 0)
        ledger.dataFiles.erase(opened);
    return done;
}

BOOL WINAPI WatchedDestroyIcon(HICON icon)
{
    LedgerGuard guard;
    BOOL done = real.destroyIcon(icon);
    if (done)
        ledger.icons.erase(icon);
    return done;
}

ULONG ReferencesOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

HRESULT WINAPI WatchedRegisterDragDrop(HWND window, IDropTarget* target)
{
    LedgerGuard guard;
    HRESULT result = real.registerDragDrop(window, target);
    if (result == S_OK) {
        ++ledger.dropRegistrations;
        ledger.dropTargets[window] = target;
    }
    return result;
}

HRESULT WINAPI WatchedRevokeDragDrop(HWND window)
{
    LedgerGuard guard;
    bool standing = IsWindow(window) != FALSE;
    HRESULT result = real.revokeDragDrop(window);
    auto found = ledger.dropTargets.find(window);
    if (result == S_OK && standing && found != ledger.dropTargets.end()) {
        ++ledger.dropRevocations;
        // The caller still holds its own reference; anything beyond it was left behind.
        ULONG references = ReferencesOf(found->second);
        if (references > 1)
            ledger.dropReferencesAtRevoke += static_cast<int>(references - 1);
        ledger.dropTargets.erase(found);
    }
    return result;
}

UINT_PTR WINAPI WatchedSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc)
{
    LedgerGuard guard;
    UINT_PTR result = real.setTimer(window, id, period, proc);
    if (result) {
        ++ledger.timersSet;
        ledger.timers.insert({window, window ? id : result});
    }
    return result;
}

BOOL WINAPI WatchedKillTimer(HWND window, UINT_PTR id)
{
    LedgerGuard guard;
    BOOL done = real.killTimer(window, id);
    ledger.timers.erase({window, id});
    return done;
}

HMODULE WINAPI WatchedLoadLibraryW(LPCWSTR path)
{
    HMODULE module = real.loadLibraryW(path);
    if (module && loadObserver)
        loadObserver(module, path);
    return module;
}

template <int Module>
void WatchHeap(HMODULE module)
{
    PatchModuleImport(module, "msvcrt.dll", "malloc", reinterpret_cast<void*>(&WatchedMalloc<Module>));
    PatchModuleImport(module, "msvcrt.dll", "calloc", reinterpret_cast<void*>(&WatchedCalloc<Module>));
    PatchModuleImport(module, "msvcrt.dll", "realloc", reinterpret_cast<void*>(&WatchedRealloc<Module>));
    PatchModuleImport(module, "msvcrt.dll", "free", reinterpret_cast<void*>(&WatchedFree));
    if (Module == kWatchedPlugin) {
        PatchModuleImport(module, "kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(&WatchedHeapAlloc<Module>));
        PatchModuleImport(module, "kernel32.dll", "HeapReAlloc", reinterpret_cast<void*>(&WatchedHeapReAlloc<Module>));
        PatchModuleImport(module, "kernel32.dll", "HeapFree", reinterpret_cast<void*>(&WatchedHeapFree));
    }
}

void ReleaseHeldImageLists(bool all)
{
    LedgerGuard guard;
    std::vector<IUnknown*> kept;
    for (IUnknown* object : ledger.heldImageLists) {
        if (all || ReferencesOf(object) == 1)
            object->Release();
        else
            kept.push_back(object);
    }
    ledger.heldImageLists.swap(kept);
}

}  // namespace

int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
    DWORD thread = GetCurrentThreadId();
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
        if (GetWindowThreadProcessId(window, nullptr) == thread)
            CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

bool GdiCountFromHandleTable()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == 0 && WineGdiTable() != nullptr;
}

int GdiObjectCount()
{
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported)
        return static_cast<int>(reported);
    const WineGdiEntry* table = WineGdiTable();
    if (!table)
        return 0;
    int count = 0;
    for (int i = 0; i < kWineGdiHandles; ++i)
        count += table[i].type != 0;
    return count;
}

DWORD UserObjectCount()
{
    return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
}

void WatchModule(HMODULE module, WatchedModule which)
{
    ResolveOriginals();
    if (which == kWatchedPlugin)
        WatchHeap<kWatchedPlugin>(module);
    else
        WatchHeap<kWatchedAdaptor>(module);
    PatchModuleImport(module, "comctl32.dll", "ImageList_Create", reinterpret_cast<void*>(&WatchedImageListCreate));
    PatchModuleImport(module, "comctl32.dll", "ImageList_Destroy", reinterpret_cast<void*>(&WatchedImageListDestroy));
    PatchModuleImport(module, "comctl32.dll", "ImageList_GetIcon", reinterpret_cast<void*>(&WatchedImageListGetIcon));
    PatchModuleImport(module, "shell32.dll", "ExtractIconExA", reinterpret_cast<void*>(&WatchedExtractIconEx));
    PatchModuleImport(module, "shell32.dll", "SHGetFileInfoA", reinterpret_cast<void*>(&WatchedGetFileInfo));
    PatchModuleImport(module, "shell32.dll", "ExtractIconExW", reinterpret_cast<void*>(&WatchedExtractIconExW));
    PatchModuleImport(module, "user32.dll", "CopyIcon", reinterpret_cast<void*>(&WatchedCopyIcon));
    PatchModuleImport(module, "user32.dll", "DestroyIcon", reinterpret_cast<void*>(&WatchedDestroyIcon));
    PatchModuleImport(module, "user32.dll", "CreateIconFromResourceEx",
                      reinterpret_cast<void*>(&WatchedCreateIconFromResourceEx));
    PatchModuleImport(module, "kernel32.dll", "LoadLibraryExA", reinterpret_cast<void*>(&WatchedLoadLibraryExA));
    PatchModuleImport(module, "kernel32.dll", "FreeLibrary", reinterpret_cast<void*>(&WatchedFreeLibrary));
    PatchModuleImport(module, "ole32.dll", "RegisterDragDrop", reinterpret_cast<void*>(&WatchedRegisterDragDrop));
    PatchModuleImport(module, "ole32.dll", "RevokeDragDrop", reinterpret_cast<void*>(&WatchedRevokeDragDrop));
    PatchModuleImport(module, "user32.dll", "SetTimer", reinterpret_cast<void*>(&WatchedSetTimer));
    PatchModuleImport(module, "user32.dll", "KillTimer", reinterpret_cast<void*>(&WatchedKillTimer));
}

void WatchModuleLoads(HMODULE module, void (*onLoad)(HMODULE, const wchar_t*))
{
    ResolveOriginals();
    loadObserver = onLoad;
    PatchModuleImport(module, "kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(&WatchedLoadLibraryW));
}

ResourceLedger ReadLedger()
{
    LedgerGuard guard;
    ReleaseHeldImageLists(false);
    // A window timer goes with its window.
    for (auto timer = ledger.timers.begin(); timer != ledger.timers.end();) {
        if (timer->first && !IsWindow(timer->first))
            timer = ledger.timers.erase(timer);
        else
            ++timer;
    }
    ResourceLedger read = {};
    for (int i = 0; i < kWatchedModuleCount; ++i) {
        read.liveBlocks[i] = static_cast<int>(ledger.blocks[i].size());
        read.blocksAllocated[i] = ledger.blocksAllocated[i];
    }
    read.imageListsCreated = ledger.imageListsCreated;
    read.imageListsNotFollowed = ledger.imageListsNotFollowed;
    read.liveImageLists = static_cast<int>(ledger.heldImageLists.size());
    read.failedImageListDestroys = ledger.failedImageListDestroys;
    read.liveIcons = static_cast<int>(ledger.icons.size());
    read.iconsMade = ledger.iconsMade;
    int liveDataFiles = 0;
    for (const auto& opened : ledger.dataFiles)
        liveDataFiles += opened.second;
    read.liveDataFiles = liveDataFiles;
    read.dataFilesOpened = ledger.dataFilesOpened;
    read.dropRegistrations = ledger.dropRegistrations;
    read.dropRevocations = ledger.dropRevocations;
    read.openDropRegistrations = static_cast<int>(ledger.dropTargets.size());
    read.dropReferencesAtRevoke = ledger.dropReferencesAtRevoke;
    read.timersSet = ledger.timersSet;
    read.liveTimers = static_cast<int>(ledger.timers.size());
    return read;
}

void ResetLedger()
{
    LedgerGuard guard;
    ReleaseHeldImageLists(true);
    for (auto& blocks : ledger.blocks)
        blocks.clear();
    ledger = Ledger();
}

std::vector<TimerMessage> PumpRecordingTimers(DWORD ms)
{
    std::vector<TimerMessage> timers;
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER)
                timers.push_back({msg.hwnd, msg.wParam});
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return timers;
}

namespace {

int ObtainableTlsIndexes()
{
    static DWORD taken[TLS_MINIMUM_AVAILABLE * 32];  // Windows and Wine offer 1,088
    int count = 0;
    for (DWORD index; count < static_cast<int>(sizeof taken / sizeof *taken) &&
                      (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        taken[count++] = index;
    for (int i = 0; i < count; ++i)
        TlsFree(taken[i]);
    return count;
}

void WalkHeaps(ProcessReading* reading)
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    reading->heaps = static_cast<int>(count);
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++reading->heapBlocks;
                reading->heapBytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
}

void NoteHandleKind(ProcessReading* reading, HANDLE handle)
{
    using QueryProc = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    alignas(8) BYTE buffer[512];
    const wchar_t* type = L"?";
    wchar_t name[24] = {};
    if (query && query(handle, 2 /* ObjectTypeInformation */, buffer, sizeof buffer, nullptr) == 0) {
        const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
        lstrcpynW(name, text->Buffer, static_cast<int>(std::min<size_t>(text->Length / 2 + 1, 24)));
        type = name;
    }
    for (int i = 0; i < reading->handleKindCount; ++i) {
        if (lstrcmpW(reading->handleKinds[i].type, type) == 0) {
            ++reading->handleKinds[i].count;
            return;
        }
    }
    if (reading->handleKindCount < 24) {
        ProcessReading::Kind& kind = reading->handleKinds[reading->handleKindCount++];
        lstrcpynW(kind.type, type, 24);
        kind.count = 1;
    }
}

// GetProcessHandleCount where it answers; Wine's answers 0 (its ProcessHandleCount
// is a stub), and there the handle values are probed: Wine hands out the lowest
// free entry of the process's table, as a multiple of 4, so the handles in use
// lie close together and a long run of unused values ends them.
void CountHandles(ProcessReading* reading)
{
    DWORD reported = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &reported) && reported) {
        reading->handles = static_cast<int>(reported);
        return;
    }
    reading->handlesFromProbe = true;
    constexpr UINT_PTR kUnusedRun = 4 * 4096;
    UINT_PTR last = 0;
    for (UINT_PTR value = 4; value < last + kUnusedRun + 8; value += 4) {
        DWORD flags;
        if (!GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            continue;
        last = value;
        ++reading->handles;
        NoteHandleKind(reading, reinterpret_cast<HANDLE>(value));
    }
}

int KindCount(const ProcessReading& reading, const wchar_t* type)
{
    for (int i = 0; i < reading.handleKindCount; ++i) {
        if (lstrcmpW(reading.handleKinds[i].type, type) == 0)
            return reading.handleKinds[i].count;
    }
    return 0;
}

}  // namespace

ProcessReading ReadProcess()
{
    ProcessReading reading = {};
    reading.tlsIndexesObtainable = ObtainableTlsIndexes();
    reading.windows = ThreadWindowCount();
    reading.gdiObjects = GdiObjectCount();
    CountHandles(&reading);
    WalkHeaps(&reading);  // last: nothing above keeps a block, but a heap may cache one
    return reading;
}

std::string DescribeGrowth(const ProcessReading& before, const ProcessReading& after)
{
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (after.tlsIndexesObtainable < before.tlsIndexesObtainable)
        add("TLS indexes: " + std::to_string(before.tlsIndexesObtainable - after.tlsIndexesObtainable) + " fewer");
    if (after.heapBlocks > before.heapBlocks || after.heapBytes > before.heapBytes)
        add("heap: " + std::to_string(after.heapBlocks - before.heapBlocks) + " blocks, " +
            std::to_string(after.heapBytes - before.heapBytes) + " bytes");
    if (after.heaps > before.heaps)
        add("heaps: +" + std::to_string(after.heaps - before.heaps));
    if (after.handles > before.handles) {
        std::string kinds;
        for (int i = 0; i < after.handleKindCount; ++i) {
            int grown = after.handleKinds[i].count - KindCount(before, after.handleKinds[i].type);
            if (grown > 0) {
                char part[64];
                snprintf(part, sizeof part, "%s%ls +%d", kinds.empty() ? "" : ", ", after.handleKinds[i].type, grown);
                kinds += part;
            }
        }
        add("handles: +" + std::to_string(after.handles - before.handles) + (kinds.empty() ? "" : " (" + kinds + ")"));
    }
    if (after.gdiObjects > before.gdiObjects)
        add("GDI objects: +" + std::to_string(after.gdiObjects - before.gdiObjects));
    if (after.windows > before.windows)
        add("windows: +" + std::to_string(after.windows - before.windows));
    return text;
}

std::string Describe(const std::vector<TimerMessage>& timers)
{
    std::string text;
    for (const TimerMessage& timer : timers) {
        char line[64];
        snprintf(line, sizeof line, "%swindow %p id %lu", text.empty() ? "" : ", ",
                 static_cast<void*>(timer.window), static_cast<unsigned long>(timer.id));
        text += line;
    }
    return text.empty() ? "none" : text;
}

}  // namespace wintest
