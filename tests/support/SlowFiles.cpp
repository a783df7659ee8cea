#include "SlowFiles.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "ModuleImports.h"

namespace wintest {
namespace {

#define SLOW_FILE_CALLS(X)                                                                                      \
    X("kernel32.dll", CreateFileA) X("kernel32.dll", CreateFileW) X("kernel32.dll", GetFileAttributesA)          \
    X("kernel32.dll", GetFileAttributesW) X("kernel32.dll", GetFileAttributesExA)                                \
    X("kernel32.dll", GetFileAttributesExW) X("kernel32.dll", FindFirstFileA) X("kernel32.dll", FindFirstFileW)  \
    X("kernel32.dll", FindFirstFileExA) X("kernel32.dll", FindFirstFileExW) X("kernel32.dll", GetShortPathNameA) \
    X("kernel32.dll", GetShortPathNameW) X("kernel32.dll", GetLongPathNameA) X("kernel32.dll", GetLongPathNameW) \
    X("kernel32.dll", LoadLibraryExA) X("kernel32.dll", LoadLibraryExW) X("kernel32.dll", MoveFileExA)           \
    X("kernel32.dll", MoveFileExW) X("kernel32.dll", DeleteFileA) X("kernel32.dll", DeleteFileW)                 \
    X("shell32.dll", SHGetFileInfoA) X("shell32.dll", SHGetFileInfoW) X("shell32.dll", ExtractIconExA)           \
    X("shell32.dll", ExtractIconExW) X("shell32.dll", ExtractIconA) X("shell32.dll", ExtractIconW)               \
    X("user32.dll", PrivateExtractIconsA) X("user32.dll", PrivateExtractIconsW) X("shell32.dll", ShellExecuteA)  \
    X("shell32.dll", ShellExecuteW) X("shell32.dll", ShellExecuteExA) X("shell32.dll", ShellExecuteExW)          \
    X("shell32.dll", SHGetPathFromIDListA) X("shell32.dll", SHGetPathFromIDListW)

enum Call {
#define SLOW_FILE_ENUM(dll, name) k##name,
    SLOW_FILE_CALLS(SLOW_FILE_ENUM)
#undef SLOW_FILE_ENUM
        kCallCount
};

struct HeldPath {
    std::wstring prefix;
    bool held = false;
    HANDLE released = nullptr;  // manual reset, set by Release
    int requests = 0;
    int blocked = 0;
};

struct Patched {
    HMODULE module;
    int call;
    void* previous;
};

// The process's: a caller can still be blocked when the object goes.
struct State {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<HeldPath> paths;
    HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // a caller came or went
    void* originals[kCallCount] = {};
    std::vector<Patched> patched;
} state;

struct Locked {
    Locked() { AcquireSRWLockExclusive(&state.lock); }
    ~Locked() { ReleaseSRWLockExclusive(&state.lock); }
};

bool Names(const std::wstring& prefix, const WCHAR* path)
{
    if (wcsncmp(path, L"\\\\?\\", 4) == 0)
        path += 4;
    int length = static_cast<int>(prefix.size());
    return lstrlenW(path) >= length
           && CompareStringOrdinal(path, length, prefix.c_str(), length, TRUE) == CSTR_EQUAL;
}

void Gate(const WCHAR* path)
{
    if (!path)
        return;
    // The hold is found again by its event afterwards: the list may change meanwhile.
    HANDLE released = nullptr;
    {
        Locked locked;
        for (HeldPath& held : state.paths) {
            if (held.held && Names(held.prefix, path)) {
                ++held.requests;
                ++held.blocked;
                released = held.released;
                break;
            }
        }
    }
    if (!released)
        return;
    SetEvent(state.changed);
    WaitForSingleObject(released, INFINITE);
    {
        Locked locked;
        for (HeldPath& held : state.paths) {
            if (held.released == released)
                --held.blocked;
        }
    }
    SetEvent(state.changed);
}

void Gate(const char* path)
{
    if (!path)
        return;
    int size = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], size);
    Gate(wide.c_str());
}

template <class Function>
Function Real(Call call)
{
    return reinterpret_cast<Function>(state.originals[call]);
}
#define REAL(name) Real<decltype(&name)>(k##name)

HANDLE WINAPI SlowCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                              DWORD flags, HANDLE from)
{
    Gate(path);
    return REAL(CreateFileA)(path, access, share, security, how, flags, from);
}
HANDLE WINAPI SlowCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                              DWORD flags, HANDLE from)
{
    Gate(path);
    return REAL(CreateFileW)(path, access, share, security, how, flags, from);
}
DWORD WINAPI SlowGetFileAttributesA(LPCSTR path) { return Gate(path), REAL(GetFileAttributesA)(path); }
DWORD WINAPI SlowGetFileAttributesW(LPCWSTR path) { return Gate(path), REAL(GetFileAttributesW)(path); }
BOOL WINAPI SlowGetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info)
{
    return Gate(path), REAL(GetFileAttributesExA)(path, level, info);
}
BOOL WINAPI SlowGetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info)
{
    return Gate(path), REAL(GetFileAttributesExW)(path, level, info);
}
HANDLE WINAPI SlowFindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data)
{
    return Gate(path), REAL(FindFirstFileA)(path, data);
}
HANDLE WINAPI SlowFindFirstFileW(LPCWSTR path, LPWIN32_FIND_DATAW data)
{
    return Gate(path), REAL(FindFirstFileW)(path, data);
}
HANDLE WINAPI SlowFindFirstFileExA(LPCSTR path, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search,
                                   LPVOID filter, DWORD flags)
{
    return Gate(path), REAL(FindFirstFileExA)(path, level, data, search, filter, flags);
}
HANDLE WINAPI SlowFindFirstFileExW(LPCWSTR path, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search,
                                   LPVOID filter, DWORD flags)
{
    return Gate(path), REAL(FindFirstFileExW)(path, level, data, search, filter, flags);
}
DWORD WINAPI SlowGetShortPathNameA(LPCSTR path, LPSTR out, DWORD size)
{
    return Gate(path), REAL(GetShortPathNameA)(path, out, size);
}
DWORD WINAPI SlowGetShortPathNameW(LPCWSTR path, LPWSTR out, DWORD size)
{
    return Gate(path), REAL(GetShortPathNameW)(path, out, size);
}
DWORD WINAPI SlowGetLongPathNameA(LPCSTR path, LPSTR out, DWORD size)
{
    return Gate(path), REAL(GetLongPathNameA)(path, out, size);
}
DWORD WINAPI SlowGetLongPathNameW(LPCWSTR path, LPWSTR out, DWORD size)
{
    return Gate(path), REAL(GetLongPathNameW)(path, out, size);
}
HMODULE WINAPI SlowLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    return Gate(path), REAL(LoadLibraryExA)(path, file, flags);
}
HMODULE WINAPI SlowLoadLibraryExW(LPCWSTR path, HANDLE file, DWORD flags)
{
    return Gate(path), REAL(LoadLibraryExW)(path, file, flags);
}
BOOL WINAPI SlowMoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    return Gate(from), Gate(to), REAL(MoveFileExA)(from, to, flags);
}
BOOL WINAPI SlowMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    return Gate(from), Gate(to), REAL(MoveFileExW)(from, to, flags);
}
BOOL WINAPI SlowDeleteFileA(LPCSTR path) { return Gate(path), REAL(DeleteFileA)(path); }
BOOL WINAPI SlowDeleteFileW(LPCWSTR path) { return Gate(path), REAL(DeleteFileW)(path); }

// A request by attributes or by item list looks at no file.
constexpr UINT kNoFileLooked = SHGFI_USEFILEATTRIBUTES | SHGFI_PIDL;
DWORD_PTR WINAPI SlowSHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT size, UINT flags)
{
    if (!(flags & kNoFileLooked))
        Gate(path);
    return REAL(SHGetFileInfoA)(path, attributes, info, size, flags);
}
DWORD_PTR WINAPI SlowSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags)
{
    if (!(flags & kNoFileLooked))
        Gate(path);
    return REAL(SHGetFileInfoW)(path, attributes, info, size, flags);
}
UINT WINAPI SlowExtractIconExA(LPCSTR path, int index, HICON* large, HICON* small, UINT count)
{
    return Gate(path), REAL(ExtractIconExA)(path, index, large, small, count);
}
UINT WINAPI SlowExtractIconExW(LPCWSTR path, int index, HICON* large, HICON* small, UINT count)
{
    return Gate(path), REAL(ExtractIconExW)(path, index, large, small, count);
}
HICON WINAPI SlowExtractIconA(HINSTANCE instance, LPCSTR path, UINT index)
{
    return Gate(path), REAL(ExtractIconA)(instance, path, index);
}
HICON WINAPI SlowExtractIconW(HINSTANCE instance, LPCWSTR path, UINT index)
{
    return Gate(path), REAL(ExtractIconW)(instance, path, index);
}
UINT WINAPI SlowPrivateExtractIconsA(LPCSTR path, int index, int cx, int cy, HICON* icons, UINT* ids, UINT count,
                                     UINT flags)
{
    return Gate(path), REAL(PrivateExtractIconsA)(path, index, cx, cy, icons, ids, count, flags);
}
UINT WINAPI SlowPrivateExtractIconsW(LPCWSTR path, int index, int cx, int cy, HICON* icons, UINT* ids, UINT count,
                                     UINT flags)
{
    return Gate(path), REAL(PrivateExtractIconsW)(path, index, cx, cy, icons, ids, count, flags);
}
HINSTANCE WINAPI SlowShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show)
{
    return Gate(file), Gate(folder), REAL(ShellExecuteA)(owner, verb, file, parameters, folder, show);
}
HINSTANCE WINAPI SlowShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                                   INT show)
{
    return Gate(file), Gate(folder), REAL(ShellExecuteW)(owner, verb, file, parameters, folder, show);
}
BOOL WINAPI SlowShellExecuteExA(SHELLEXECUTEINFOA* info)
{
    if (info)
        Gate(info->lpFile), Gate(info->lpDirectory);
    return REAL(ShellExecuteExA)(info);
}
BOOL WINAPI SlowShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    if (info)
        Gate(info->lpFile), Gate(info->lpDirectory);
    return REAL(ShellExecuteExW)(info);
}
// The path an item list names is the answer: a slow one is slow to give.
BOOL WINAPI SlowSHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path)
{
    BOOL found = REAL(SHGetPathFromIDListA)(list, path);
    if (found)
        Gate(path);
    return found;
}
BOOL WINAPI SlowSHGetPathFromIDListW(PCIDLIST_ABSOLUTE list, LPWSTR path)
{
    BOOL found = REAL(SHGetPathFromIDListW)(list, path);
    if (found)
        Gate(path);
    return found;
}

struct Replacement {
    const char* dll;
    const char* name;
    void* address;
};
const Replacement kReplacements[kCallCount] = {
#define SLOW_FILE_ENTRY(dll, name) {dll, #name, reinterpret_cast<void*>(&Slow##name)},
    SLOW_FILE_CALLS(SLOW_FILE_ENTRY)
#undef SLOW_FILE_ENTRY
};

bool SamePrefix(const HeldPath& held, const std::wstring& prefix)
{
    return CompareStringOrdinal(held.prefix.c_str(), -1, prefix.c_str(), -1, TRUE) == CSTR_EQUAL;
}

HeldPath* Find(const std::wstring& prefix)
{
    for (HeldPath& held : state.paths) {
        if (SamePrefix(held, prefix))
            return &held;
    }
    return nullptr;
}

bool StillLoaded(HMODULE module)
{
    HMODULE found = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(module), &found)
           && found == module;
}

}  // namespace

SlowFiles::SlowFiles(HMODULE module)
{
    for (int call = 0; call < kCallCount; ++call) {
        if (!state.originals[call])
            state.originals[call] = reinterpret_cast<void*>(
                GetProcAddress(LoadLibraryA(kReplacements[call].dll), kReplacements[call].name));
    }
    Patch(module);
}

SlowFiles::~SlowFiles()
{
    std::vector<std::wstring> prefixes;
    {
        Locked locked;
        for (const HeldPath& held : state.paths)
            prefixes.push_back(held.prefix);
    }
    for (const std::wstring& prefix : prefixes)
        Release(prefix);
    for (const Patched& patch : state.patched) {
        if (StillLoaded(patch.module))
            PatchModuleImport(patch.module, kReplacements[patch.call].dll, kReplacements[patch.call].name,
                              patch.previous);
    }
    state.patched.clear();
    // The events go once nobody waits on them; a caller still waking takes a moment.
    Locked locked;
    std::vector<HeldPath> kept;
    for (HeldPath& held : state.paths) {
        if (held.blocked)
            kept.push_back(held);
        else
            CloseHandle(held.released);
    }
    state.paths.swap(kept);
}

void SlowFiles::Patch(HMODULE module)
{
    for (int call = 0; call < kCallCount; ++call) {
        const Replacement& replacement = kReplacements[call];
        void* previous = PatchModuleImport(module, replacement.dll, replacement.name, replacement.address);
        if (!previous)
            continue;
        // What the slot held may be another test's replacement: calls pass on to it.
        if (previous != replacement.address)
            state.originals[call] = previous;
        state.patched.push_back(Patched{module, call, previous});
    }
}

void SlowFiles::Hold(const std::wstring& prefix)
{
    Locked locked;
    HeldPath* held = Find(prefix);
    if (!held || held->blocked) {
        state.paths.push_back(HeldPath{});
        held = &state.paths.back();
        held->prefix = prefix;
    } else if (held->released) {
        CloseHandle(held->released);
    }
    held->held = true;
    held->released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void SlowFiles::Release(const std::wstring& prefix)
{
    Locked locked;
    for (HeldPath& held : state.paths) {
        if (held.held && SamePrefix(held, prefix)) {
            held.held = false;
            SetEvent(held.released);
        }
    }
}

int SlowFiles::Requests(const std::wstring& prefix) const
{
    Locked locked;
    int requests = 0;
    for (const HeldPath& held : state.paths) {
        if (SamePrefix(held, prefix))
            requests += held.requests;
    }
    return requests;
}

bool SlowFiles::WaitForBlocked(const std::wstring& prefix, int count, DWORD timeoutMs) const
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        int blocked = 0;
        {
            Locked locked;
            for (const HeldPath& held : state.paths) {
                if (held.held && SamePrefix(held, prefix))
                    blocked += held.blocked;
            }
        }
        if (blocked >= count)
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        WaitForSingleObject(state.changed, static_cast<DWORD>(deadline - now));
    }
}

}  // namespace wintest
