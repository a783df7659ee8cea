// Saves the 10,000 items of SaveCrashTest into a folder, for the test to kill it
// while it does.
//
//   SaveCrashChild <folder> <version 0|1> <ready event> <report file>
//
// Sets the named event just before SaveSettings, and when the save returns
// writes its time in milliseconds to the report file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "SaveCrashData.h"
#include "SettingsFile.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
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
