// What the workers cost the host's thread, with the real Dockmere.kdx loaded,
// created and destroyed as kdxhost does it; each figure the median of five runs:
// - creation of a panel whose first page of 25 items holds 5 whose files never
//   answer (SlowFiles holds them in the module's imports) against the same panel
//   with those files answering;
// - the time from the create call until the last real icon of a 100-item first
//   page is in the list (the workers' result dispatched by the host's loop)
//   against create as it was with the fill on the host's thread: the same
//   create's return (placeholders in) plus the same 100 icons appended to both
//   image lists in one step (AppendItemIcons), what the create did before.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchRows.h"
#include "KdxHostCore.h"
#include "SlowFiles.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"
#include "platform/ItemIcons.h"

namespace {

constexpr char kBench[] = "IconBench";

constexpr int kRuns = 5;
constexpr UINT kIconsReady = WM_APP + 1;

std::wstring ProgramPathW()
{
    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    return program;
}

std::string ProgramPath()
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    return program;
}

// A settings file of one page: `count` items from the shell's icon library, every
// fifth (when `withProgram`) this program itself, on its own volume's lane.
std::string WriteSettings(const char* name, int count, bool withProgram)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "dockmere-iconbench-" + std::to_string(GetCurrentProcessId()) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    ResetLauncherData();
    launcherData.settings = PanelSettings{1, 1, 10009, 1, 1};
    AddPage();
    for (int i = 0; i < count; ++i) {
        LauncherItem item = {};
        item.posX = item.posY = -1;
        item.name = L"item " + std::to_wstring(i + 1);
        bool program = withProgram && i % 5 == 2;
        item.path = program ? ProgramPathW() : L"C:\\windows\\system32\\shell32.dll";
        item.iconPath = item.path;
        item.iconIndex = program ? -1 : i % 120;
        AddItem(0, item);
    }
    SetSettingsFolder(std::wstring(folder.begin(), folder.end()).c_str());
    SaveSettings();
    return folder;
}

void RemoveFolder(const std::string& folder)
{
    DeleteFileA((folder + "\\Dockmere.ini").c_str());
    DeleteFileA((folder + "\\Dockmere.ini.tmp").c_str());
    RemoveDirectoryA(folder.c_str());
}

void PumpUntilUnloaded(const std::string& plugin)
{
    DWORD until = GetTickCount() + 10000;
    while (GetModuleHandleA(plugin.c_str()) && GetTickCount() < until) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(1);
    }
}

}  // namespace

int main()
{
    InitCommonControls();
    std::string plugin = ProgramPath();
    plugin.erase(plugin.find_last_of('\\') + 1);
    plugin += "Dockmere.kdx";
    HWND top = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 320, 600, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 580, top, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    std::wstring held = ProgramPathW();

    // Creation with 5 files that never answer, against the same files answering.
    std::string mixed = WriteSettings("-mixed", 25, true);
    std::vector<double> plain, hung;
    for (int run = 0; run < 2 * kRuns; ++run) {
        bool holding = run % 2 == 1;
        HostState().folders[KdxFolderSetting] = HostFolderText(mixed);
        KdxPlugin module;
        if (module.Load(plugin.c_str()) != KdxLoadResult::Loaded) {
            fprintf(stderr, "IconBench: %s was refused\n", plugin.c_str());
            return 1;
        }
        {
            wintest::SlowFiles slow(module.module());
            if (holding)
                slow.Hold(held);
            double start = Now();
            HWND panel = module.Create(parent);
            (holding ? hung : plain).push_back(Now() - start);
            if (!panel)
                return 1;
            module.Destroy();  // destroy and unload: workers still running hold the module
        }  // the held files answer: the workers end and let it go
        PumpUntilUnloaded(plugin);
    }
    double plainMs = Median(plain);
    double hungMs = Median(hung);
    char text[96];
    Row(kBench, {"figure", "time", "against", "time", "result", "target"});
    snprintf(text, sizeof text, "%+.1f ms", hungMs - plainMs);
    Row(kBench, {"creation, 25 items of which 5 never answer", Ms(hungMs), "the same, all answering", Ms(plainMs), text,
         hungMs <= plainMs + 50 ? "at most +50 ms: met" : "at most +50 ms: NOT MET"});

    // The last real icon of a 100-item page, against the old fill on the host's thread.
    std::string hundred = WriteSettings("-hundred", 100, false);
    std::vector<IconSource> sources;
    for (int i = 0; i < GetItemCount(0); ++i)
        sources.push_back(IconSource{GetItem(0, i).iconPath.c_str(), GetItem(0, i).iconIndex});
    std::vector<double> arrival, fill, created;
    for (int run = 0; run < kRuns; ++run) {
        HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 0);
        HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
        std::vector<int> indexes(sources.size());
        double start = Now();
        AppendItemIcons(ItemImageLists{large, small}, sources.data(), static_cast<int>(sources.size()),
                        indexes.data());
        fill.push_back(Now() - start);
        ImageList_Destroy(large);
        ImageList_Destroy(small);

        HostState().folders[KdxFolderSetting] = HostFolderText(hundred);
        KdxPlugin module;
        if (module.Load(plugin.c_str()) != KdxLoadResult::Loaded)
            return 1;
        start = Now();
        HWND panel = module.Create(parent);
        created.push_back(Now() - start);
        if (!panel)
            return 1;
        // One volume, one batch: its result in the list is the last real icon.
        MSG msg;
        while (!PeekMessageA(&msg, panel, kIconsReady, kIconsReady, PM_REMOVE))
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_POSTMESSAGE);
        DispatchMessageA(&msg);
        arrival.push_back(Now() - start);
        module.Destroy();
        PumpUntilUnloaded(plugin);
    }
    // Before the workers, create returned with the real icons in: its own work (the
    // windows, the load, the tabs and list items) and the fill.
    double arrivalMs = Median(arrival);
    double fillMs = Median(fill);
    double beforeMs = Median(created) + fillMs;
    snprintf(text, sizeof text, "%.2fx (fill %s)", arrivalMs / beforeMs, Ms(fillMs).c_str());
    Row(kBench, {"create until the last real icon of 100 is in the list", Ms(arrivalMs),
         "create's return plus the same 100 icons filled on the host's thread", Ms(beforeMs), text,
         arrivalMs <= 1.2 * beforeMs ? "at most 1.2x: met" : "at most 1.2x: NOT MET"});

    DestroyWindow(top);
    RemoveFolder(mixed);
    RemoveFolder(hundred);
    return 0;
}
