#include "platform/NativePaths.h"

#include <shlwapi.h>

#include "data/LauncherData.h"

bool RunsUnderWow64()
{
    static int wow64 = -1;  // not asked yet
    if (wow64 == -1) {
        BOOL answer = FALSE;
        wow64 = IsWow64Process(GetCurrentProcess(), &answer) && answer ? 1 : 0;
    }
    return wow64 == 1;
}

void ReachablePathW(const WCHAR* path, WCHAR* reached)
{
    WCHAR native[kTextSize];
    native[0] = L'\0';
    if (RunsUnderWow64()) {
        // GetSystemDirectory names System32 in a 32-bit process too.
        WCHAR system[MAX_PATH], windows[MAX_PATH];
        UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
        UINT windowsLength = GetWindowsDirectoryW(windows, MAX_PATH);
        int length = lstrlenW(path);
        if (systemLength > 0 && systemLength < MAX_PATH && windowsLength > 0 && windowsLength < MAX_PATH
            && length >= static_cast<int>(systemLength) && StrCmpNIW(path, system, systemLength) == 0
            && (path[systemLength] == L'\\' || path[systemLength] == L'\0')
            && windowsLength + 10 + (length - systemLength) < kTextSize) {
            lstrcpyW(native, windows);
            PathAddBackslashW(native);
            lstrcatW(native, L"Sysnative");
            lstrcatW(native, path + systemLength);
            // A file only the 32-bit view holds (one picked in the file browser, which
            // shows that view) is still reached through the redirection.
            if (GetFileAttributesW(native) == INVALID_FILE_ATTRIBUTES)
                native[0] = L'\0';
        }
    }
    if (native[0])
        lstrcpyW(reached, native);
    else if (reached != path)
        lstrcpyW(reached, path);
}

void ReachablePath(const char* path, char* reached)
{
    WCHAR wide[kTextSize];
    char native[kTextSize];
    if (RunsUnderWow64() && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kTextSize) > 0) {
        ReachablePathW(wide, wide);
        if (WideCharToMultiByte(CP_ACP, 0, wide, -1, native, kTextSize, nullptr, nullptr) > 0) {
            lstrcpyA(reached, native);
            return;
        }
    }
    if (reached != path)
        lstrcpyA(reached, path);
}
