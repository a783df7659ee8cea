// Saves the 10,000 items of SaveCrashTest into a folder, for the test to kill it
// while it does.
//
//   SaveCrashChild <folder> <version 0|1> <ready event> <report file>
//
// Sets the named event just before SaveSettings, and when the save returns
// writes its time in milliseconds to the report file.
//   SaveCrashChild panel <folder>: a host that crashes. The real panel on <folder>
// gets a page and double clicks off by its commands; three seconds of message loop,
// then the end without destroy (exit code 99).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "panel/Panel.h"
#include "platform/ModuleRecord.h"
#include "SaveCrashData.h"
#include "data/SettingsFile.h"
#include "WinTest.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

const char* settingFolder;

int32_t KDX_CALL Service(int32_t code, uintptr_t param1, uintptr_t param2)
{
    if (code != KdxServiceFolder || param1 != KdxFolderSetting)
        return KdxResultUnknownCode;
    *reinterpret_cast<char**>(param2) = _strdup(settingFolder);
    return KdxResultDone;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "panel") == 0) {
        settingFolder = argv[2];
        moduleRecord.instance = GetModuleHandleA(nullptr);
        wintest::WindowNest nest;
        KdxHostServices services = {kKdxHostServicesSize};
        services.service = Service;  // no free: the text is left to the process's end
        HWND panel = CreatePanel(&services, nest.panelParent());
        SendMessageA(panel, WM_COMMAND, 10012, 0);  // a new page
        SendMessageA(panel, WM_COMMAND, 10006, 0);  // double clicks off
        wintest::Pump(3000);
        TerminateProcess(GetCurrentProcess(), 99);
    }
    if (argc != 5)
        return 2;
    savecrash::FillData(atoi(argv[2]));
    SetSettingsFolder(wintest::Wide(argv[1]).c_str());
    if (launcherData.iniPath.empty())
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
