// The panel's creation, its pages' first visits and its destruction with 1,000 items
// over 10 pages, against what they cannot avoid, measured in the same run:
// - creation (the plug-in's create entry: windows, settings load, page 0's icons
//   into both image lists, tabs and page 0's list items) against the bare
//   extraction of page 0's 100 icons (ExtractItemIcons and DestroyIcon);
// - the first visit of page 1 (a page command: places kept, tabs, page 1's icons
//   and list items) against the bare extraction of page 1's 100 icons;
// - creation plus the first visits of pages 1 to 9 against the bare extraction of
//   all 1,000 icons (each page's just before the panel makes them);
// - the save of a change: a settings command (which only starts the save timer),
//   then the timer's work (icon places, settings save), the panel's first such save
//   with the backup of the loaded file and a later one without;
// - destruction (the destroy entry: icon places, settings save, windows and image
//   lists) against the bare save of the same data (SaveSettings).
// The real Dockmere.kdx is loaded as kdxhost loads it. Each figure is the median of
// five runs after one warm-up extraction.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ItemIcons.h"
#include "KdxHostCore.h"
#include "BenchClock.h"
#include "BenchRows.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"

namespace {

constexpr char kBench[] = "PanelBench";

constexpr int kPages = 10;
constexpr int kItems = 1000;
constexpr int kRuns = 5;

std::string MakeFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder =
        std::string(temp) + "dockmere-panelbench-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// 1,000 items over ten pages whose icons come from real files of the system: most
// from the shell's icon library by number, every fourth the shell's own icon of a file.
void Generate()
{
    static const wchar_t* const files[] = {L"C:\\windows\\notepad.exe", L"C:\\windows\\regedit.exe",
                                           L"C:\\windows\\system32\\winecfg.exe", L"C:\\windows"};
    ResetLauncherData();
    launcherData.settings = PanelSettings{1, 1, 10009, 1, 1};
    for (int p = 0; p < kPages; ++p) {
        AddPage();
        SetPageName(p, (L"ページ " + std::to_wstring(p + 1)).c_str());
    }
    for (int i = 0; i < kItems; ++i) {
        LauncherItem item = {};
        item.imageIndex = -1;
        item.posX = item.posY = -1;
        item.name = L"項目 " + std::to_wstring(i + 1);
        // Items go to pages in turn, so every page holds the same mix: of each
        // page's items, every fourth is a file's own icon.
        int onPage = i / kPages;
        if (onPage % 4 == 3) {
            item.path = files[(onPage / 4) % 4];
            item.iconIndex = -1;
        } else {
            item.path = L"C:\\windows\\system32\\shell32.dll";
            item.iconIndex = i % 120;
        }
        item.iconPath = item.path;
        AddItem(i % kPages, item);
    }
}

struct IconFile {
    std::wstring path;
    int index;
};

double ExtractAll(const std::vector<IconFile>& sources)
{
    double start = Now();
    for (const IconFile& source : sources) {
        HICON large = nullptr;
        HICON small = nullptr;
        ExtractItemIcons(source.path.c_str(), source.index, &large, &small);
        if (large)
            DestroyIcon(large);
        if (small)
            DestroyIcon(small);
    }
    return Now() - start;
}

}  // namespace

int main()
{
    std::string panelFolder = MakeFolder("panel");
    std::string saveFolder = MakeFolder("save");

    Generate();
    SetSettingsFolder(std::wstring(panelFolder.begin(), panelFolder.end()).c_str());
    SaveSettings();
    std::vector<std::vector<IconFile>> pageSources(kPages);
    std::vector<IconFile> sources;
    for (int p = 0; p < GetPageCount(); ++p) {
        for (int i = 0; i < GetItemCount(p); ++i) {
            pageSources[p].push_back({GetItem(p, i).iconPath, GetItem(p, i).iconIndex});
            sources.push_back(pageSources[p].back());
        }
    }

    // The same data for the bare save, read back from the panel's file.
    ResetLauncherData();
    SetSettingsFolder(std::wstring(panelFolder.begin(), panelFolder.end()).c_str());
    LoadSettings();
    SetSettingsFolder(std::wstring(saveFolder.begin(), saveFolder.end()).c_str());

    HostState().folders[KdxFolderSetting] = HostFolderText(panelFolder);
    HWND top = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 320, 600, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 580, top, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string plugin = program;
    plugin.erase(plugin.find_last_of('\\') + 1);
    plugin += "Dockmere.kdx";

    ExtractAll(sources);  // warm-up: file cache and the shell's icon cache
    std::vector<double> extractFirst, extractSecond, extraction, creation, firstVisit, everyPage, destruction, save;
    std::vector<double> change, backedUpSave, changeSave;
    int createdImages = 0;
    int largeImages = 0;
    int smallImages = 0;
    for (int run = 0; run < kRuns; ++run) {
        // Each page's bare extraction runs just before the panel makes the same
        // icons, so that both sides of a ratio meet the same load of the machine.
        double extractedAll = ExtractAll(pageSources[0]);
        extractFirst.push_back(extractedAll);

        KdxPlugin module;
        if (module.Load(plugin.c_str()) != KdxLoadResult::Loaded) {
            fprintf(stderr, "PanelBench: %s was refused\n", plugin.c_str());
            return 1;
        }
        double start = Now();
        HWND panel = module.table().create(HostServices(), parent);
        double created = Now() - start;
        creation.push_back(created);
        if (!panel) {
            fprintf(stderr, "PanelBench: no panel was created\n");
            return 1;
        }
        HWND list = GetDlgItem(panel, 20001);
        auto large = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
        auto small = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        createdImages = ImageList_GetImageCount(large);

        // Pages are shown by their page commands (10100 + page), as the menu does.
        double visits = 0;
        for (int p = 1; p < kPages; ++p) {
            double extracted = ExtractAll(pageSources[p]);
            extractedAll += extracted;
            if (p == 1)
                extractSecond.push_back(extracted);
            start = Now();
            SendMessageA(panel, WM_COMMAND, 10100 + p, 0);
            double visit = Now() - start;
            if (p == 1)
                firstVisit.push_back(visit);
            visits += visit;
        }
        everyPage.push_back(created + visits);
        extraction.push_back(extractedAll);
        largeImages = ImageList_GetImageCount(large);
        smallImages = ImageList_GetImageCount(small);

        // A change as a click makes it (the double-click setting), then the save
        // timer's message, sent here rather than waited for.
        for (int i = 0; i < 2; ++i) {
            start = Now();
            SendMessageA(panel, WM_COMMAND, 10006, 0);
            change.push_back(Now() - start);
            start = Now();
            SendMessageA(panel, WM_TIMER, 30002, 0);
            (i == 0 ? backedUpSave : changeSave).push_back(Now() - start);
        }

        start = Now();
        module.table().destroy(HostServices(), panel);
        destruction.push_back(Now() - start);

        start = Now();
        SaveSettings();
        save.push_back(Now() - start);
    }
    DestroyWindow(top);

    double first = Median(extractFirst);
    double second = Median(extractSecond);
    double extract = Median(extraction);
    double create = Median(creation);
    double visit = Median(firstVisit);
    double every = Median(everyPage);
    double destroy = Median(destruction);
    double saved = Median(save);
    double click = Median(change);
    double firstSave = Median(backedUpSave);
    double laterSave = Median(changeSave);
    char text[200];
    Row(kBench, {"figure", "time", "against", "time", "result", "target"});
    snprintf(text, sizeof text, "%.2fx (%d images)", create / first, createdImages);
    Row(kBench, {"panel creation, 1,000 items / 10 pages", Ms(create), "extracting page 0's 100 icons alone", Ms(first), text,
         create <= 1.2 * first ? "at most 1.2x: met" : "at most 1.2x: NOT MET"});
    snprintf(text, sizeof text, "%.2fx", visit / second);
    Row(kBench, {"first visit of page 1, 100 items", Ms(visit), "extracting its 100 icons alone", Ms(second), text,
         visit <= 1.2 * second ? "at most 1.2x: met" : "at most 1.2x: NOT MET"});
    snprintf(text, sizeof text, "%.2fx (%d / %d images)", every / extract, largeImages, smallImages);
    Row(kBench, {"creation + first visits of pages 1 to 9", Ms(every), "extracting all 1,000 icons alone", Ms(extract), text,
         every <= 1.2 * extract ? "at most 1.2x: met" : "at most 1.2x: NOT MET"});
    snprintf(text, sizeof text, "%+.1f ms", destroy - saved);
    Row(kBench, {"panel destruction, 1,000 items / 10 pages", Ms(destroy), "settings save alone", Ms(saved), text,
         destroy <= saved + 50 ? "at most +50 ms: met" : "at most +50 ms: NOT MET"});

    snprintf(text, sizeof text, "click %s", Ms(click).c_str());
    Row(kBench, {"save of a change (its timer), 1,000 items / 10 pages", Ms(laterSave), "settings save alone", Ms(saved), text,
         laterSave <= 20 ? "at most 20 ms: met" : "at most 20 ms: NOT MET"});
    snprintf(text, sizeof text, "%+.1f ms over a later one", firstSave - laterSave);
    Row(kBench, {"first save of a change, with the backup", Ms(firstSave), "settings save alone", Ms(saved), text,
         firstSave <= 20 ? "at most 20 ms: met" : "at most 20 ms: NOT MET"});

    for (const std::string& folder : {panelFolder, saveFolder}) {
        DeleteFileA((folder + "\\Dockmere.ini").c_str());
        DeleteFileA((folder + "\\Dockmere.ini.bak").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    return 0;
}
