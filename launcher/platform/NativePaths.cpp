#include "platform/NativePaths.h"

#include <windows.h>
#include <shlwapi.h>

namespace {

// System32's folders that WOW64 leaves unredirected: a 32-bit process sees the
// 64-bit ones there under their own names.
const wchar_t* const kUnredirected[] = {L"drivers\\etc", L"spool", L"catroot", L"catroot2", L"logfiles",
                                        L"driverstore"};

// `rest` (what follows System32's backslash) lies in one of those folders.
bool IsUnredirected(const wchar_t* rest)
{
    for (const wchar_t* folder : kUnredirected) {
        int length = lstrlenW(folder);
        if (StrCmpNIW(rest, folder, length) == 0 && (rest[length] == L'\\' || rest[length] == L'\0'))
            return true;
    }
    return false;
}

}  // namespace

bool RunsUnderWow64()
{
    static int wow64 = -1;  // not asked yet
    if (wow64 == -1) {
        BOOL answer = FALSE;
        wow64 = IsWow64Process(GetCurrentProcess(), &answer) && answer ? 1 : 0;
    }
    return wow64 == 1;
}

std::wstring ReachablePathW(const std::wstring& path)
{
    if (!RunsUnderWow64())
        return path;
    // GetSystemDirectory names System32 in a 32-bit process too.
    WCHAR system[MAX_PATH], windows[MAX_PATH];
    UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    UINT windowsLength = GetWindowsDirectoryW(windows, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 || windowsLength >= MAX_PATH
        || path.size() < systemLength || StrCmpNIW(path.c_str(), system, systemLength) != 0
        || (path.size() > systemLength && path[systemLength] != L'\\')
        || (path.size() > systemLength && IsUnredirected(path.c_str() + systemLength + 1)))
        return path;
    std::wstring native(windows);
    if (native.back() != L'\\')
        native += L'\\';
    native += L"Sysnative";
    native.append(path, systemLength, std::wstring::npos);
    // A file only the 32-bit view holds (one picked in the file browser, which
    // shows that view) is still reached through the redirection.
    return GetFileAttributesW(native.c_str()) == INVALID_FILE_ATTRIBUTES ? path : native;
}

std::wstring StartablePathW(const std::wstring& path)
{
    const wchar_t* extension = PathFindExtensionW(path.c_str());
    if (lstrcmpiW(extension, L".exe") != 0 && lstrcmpiW(extension, L".com") != 0)
        return path;
    return ReachablePathW(path);
}
