// Saves the 10,000 items of SaveCrashTest into a folder, for the test to kill it
// while it does.
//
//   SaveCrashChild <folder> <version 0|1> <ready event> <report file>
//
// Sets the named event just before SaveSettings, and when the save returns
// writes its time in milliseconds to the report file.
//
//   SaveCrashChild panel <folder>
//
// Creates the real panel in a window of its own with <folder> as the setting
// folder, adds a page and switches double clicks off through the panel's commands,
// runs its message loop for three seconds and ends without destroy, as a host that
// crashes does (exit code 99).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Panel.h"
#include "SaveCrashData.h"
#include "SettingsFile.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

const char* settingFolder = "";

int32_t KDX_CALL Service(int32_t code, uintptr_t param1, uintptr_t param2)
{
    if (code != KdxServiceFolder || param1 != KdxFolderSetting)
        return KdxResultUnknownCode;
    size_t size = strlen(settingFolder) + 1;
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size));
    memcpy(text, settingFolder, size);
    *reinterpret_cast<char**>(param2) = text;
    return KdxResultDone;
}

int32_t KDX_CALL Free(void* block)
{
    return HeapFree(GetProcessHeap(), 0, block) ? 0 : 1;
}

int RunPanelAndCrash(const char* folder)
{
    settingFolder = folder;
    panelState.instance = GetModuleHandleA(nullptr);
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 320, 480, nullptr, nullptr,
                                panelState.instance, nullptr);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 460, host, nullptr,
                                  panelState.instance, nullptr);
    KdxHostServices services = {};
    services.size = kKdxHostServicesSize;
    services.service = Service;
    services.free = Free;
    HWND panel = CreatePanel(&services, parent);
    if (!panel)
        return 3;
    SendMessageA(panel, WM_COMMAND, 10012, 0);  // a new page, shown
    SendMessageA(panel, WM_COMMAND, 10006, 0);  // double clicks off
    DWORD end = GetTickCount() + 3000;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    TerminateProcess(GetCurrentProcess(), 99);
    return 4;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "panel") == 0)
        return RunPanelAndCrash(argv[2]);
    if (argc != 5)
        return 2;
    savecrash::FillData(atoi(argv[2]));
    SetSettingsFolder(argv[1]);
    if (!launcherData.iniPath[0])
        return 3;

    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (!ready)
        return 4;
    SetEvent(ready);
    CloseHandle(ready);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SaveSettings();
    QueryPerformanceCounter(&end);

    FILE* report = fopen(argv[4], "w");
    if (!report)
        return 5;
    fprintf(report, "%.3f\n", Milliseconds(start, end));
    fclose(report);
    return 0;
}
