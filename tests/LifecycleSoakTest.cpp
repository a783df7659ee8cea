// A hundred panels, one after another in one process: the real Dockmere.kdx
// through kdxhost's host code (on one module load, and loaded and unloaded each
// time), and through a Dockmere.vx copy of the adaptor in the stand-in newer
// host. After a few warm-up panels nothing may grow: windows, GDI objects, heap
// blocks, image lists, icons, timers, drop target registrations, the hosts'
// memory blocks and references; no timer message arrives once a panel is gone,
// and the settings file comes back the same after every panel.
//
// ProcessSoak: 300 loads, creates, destroys and unloads of each shipped module
// (Dockmere.kdx, and Brevlin.vx with Dockmere.kdx behind it), the whole process
// read from before the first load: TLS indexes still obtainable, every heap's
// blocks and bytes, handles, GDI objects, windows, the panel's window class.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <algorithm>
#include <string>
#include <vector>

#include "AdaptorKit.h"
#include "KdxHostCore.h"
#include "PanelReader.h"
#include "ProcessSoak.h"
#include "ResourceWatch.h"
#include "WinTest.h"

using namespace wintest;

namespace {

constexpr int kCycles = 100;
constexpr int kWarmUpCycles = 3;
constexpr UINT_PTR kLayoutTimer = 30001;
constexpr UINT_PTR kAdaptorTickTimer = 12345;
constexpr int kTabControlId = 20002;

// Three pages of few items, icons taken by index (the quick extraction).
Settings SoakSettings()
{
    Settings settings;
    SettingsItem notepad{"メモ帳", "C:\\windows\\notepad.exe", 0};
    SettingsItem regedit{"Registry", "C:\\windows\\regedit.exe", 0, 40, 60};
    SettingsItem help{"表示", "C:\\windows\\winhlp32.exe", 0};
    settings.pages = {{"仕事", {notepad, regedit}}, {"遊び", {help}}, {"Tools", {notepad, help, regedit}}};
    settings.autoArrange = 1;
    return settings;
}

// What the process and the product modules hold at one moment.
struct Snapshot {
    int windows = 0;
    int gdiObjects = 0;
    DWORD userObjects = 0;
    ResourceLedger ledger = {};
    int hostBlocks = 0;      // the host's memory blocks still out
    int hostReferences = 0;  // references the host lent and did not get back
};

Snapshot Take(int hostBlocks, int hostReferences)
{
    Snapshot snapshot;
    snapshot.ledger = ReadLedger();  // first: lets go of image lists nobody holds any more
    snapshot.windows = ThreadWindowCount();
    snapshot.gdiObjects = GdiObjectCount();
    snapshot.userObjects = UserObjectCount();
    snapshot.hostBlocks = hostBlocks;
    snapshot.hostReferences = hostReferences;
    return snapshot;
}

struct Figure {
    const char* name;
    int Snapshot::*plain;
    int ResourceLedger::*ledger;
    int block;  // index into liveBlocks when >= 0
};

int ValueOf(const Snapshot& snapshot, const Figure& figure)
{
    if (figure.plain)
        return snapshot.*figure.plain;
    if (figure.ledger)
        return snapshot.ledger.*figure.ledger;
    return snapshot.ledger.liveBlocks[figure.block];
}

const Figure kFigures[] = {
    {"windows", &Snapshot::windows, nullptr, -1},
    {"GDI objects", &Snapshot::gdiObjects, nullptr, -1},
    {"plug-in heap blocks", nullptr, nullptr, kWatchedPlugin},
    {"adaptor heap blocks", nullptr, nullptr, kWatchedAdaptor},
    {"image lists", nullptr, &ResourceLedger::liveImageLists, -1},
    {"icons", nullptr, &ResourceLedger::liveIcons, -1},
    {"files opened as data", nullptr, &ResourceLedger::liveDataFiles, -1},
    {"timers", nullptr, &ResourceLedger::liveTimers, -1},
    {"drop registrations", nullptr, &ResourceLedger::openDropRegistrations, -1},
    {"host blocks", &Snapshot::hostBlocks, nullptr, -1},
    {"host references", &Snapshot::hostReferences, nullptr, -1},
};

// Nothing grew from the warm-up to the end; the figures go to the output.
void ExpectNoGrowth(const char* soak, const Snapshot& start, const Snapshot& warm, const Snapshot& end,
                    bool adaptorWatched)
{
    // The watch followed the modules at work, so that its zeros mean something.
    const ResourceLedger& made = end.ledger;
    EXPECT_GE(made.imageListsCreated, kCycles) << soak;
    // The icons by index are read from their files (on the workers, ExtractIconExW;
    // no file is opened as data any more), each page's once per file and copied.
    EXPECT_GE(made.iconsMade, 2 * kCycles) << soak;
    EXPECT_GE(made.timersSet, 1) << soak;
    EXPECT_GE(made.blocksAllocated[kWatchedPlugin], kCycles) << soak;
    if (adaptorWatched) {
        EXPECT_GE(made.blocksAllocated[kWatchedAdaptor], kCycles) << soak;
    }

    printf("[%s] before / after %d warm-up panels / after %d panels:\n", soak, kWarmUpCycles, kCycles);
    for (const Figure& figure : kFigures) {
        printf("  %-20s %6d %6d %6d\n", figure.name, ValueOf(start, figure), ValueOf(warm, figure),
               ValueOf(end, figure));
        EXPECT_LE(ValueOf(end, figure), ValueOf(warm, figure)) << soak << ": " << figure.name << " grew";
    }
    printf("  USER objects (GetGuiResources) %lu %lu %lu%s\n", start.userObjects, warm.userObjects,
           end.userObjects, end.userObjects ? "" : " (not reported here)");
    printf("  made: %d image lists, %d icons, %d files opened as data, %d timers, %d drop registrations, heap blocks "
           "%d (plug-in) %d (adaptor)\n",
           made.imageListsCreated, made.iconsMade, made.dataFilesOpened, made.timersSet, made.dropRegistrations,
           made.blocksAllocated[kWatchedPlugin], made.blocksAllocated[kWatchedAdaptor]);
    EXPECT_LE(end.userObjects, warm.userObjects) << soak << ": USER objects grew";
}

// Checks that hold after every single panel is gone; only the first cycle that
// breaks one is reported, with what broke.
class CycleChecks {
public:
    // `pluginGone`: the plug-in module was unloaded, so its unload must have given
    // back every block it allocated; the adaptor's object went at its last release.
    void Check(int cycle, const Snapshot& after, const std::vector<TimerMessage>& timersAfterDestroy,
               bool pluginGone)
    {
        const ResourceLedger& l = after.ledger;
        std::string broken;
        if (pluginGone && l.liveBlocks[kWatchedPlugin])
            broken += " plug-in heap blocks left after its unload: " + std::to_string(l.liveBlocks[kWatchedPlugin]) + ";";
        if (l.liveBlocks[kWatchedAdaptor])
            broken += " adaptor heap blocks left: " + std::to_string(l.liveBlocks[kWatchedAdaptor]) + ";";
        if (l.liveImageLists)
            broken += " image lists left: " + std::to_string(l.liveImageLists) + ";";
        if (l.imageListsNotFollowed)
            broken += " image lists the watch could not follow: " + std::to_string(l.imageListsNotFollowed) + ";";
        if (l.failedImageListDestroys)
            broken += " ImageList_Destroy refused " + std::to_string(l.failedImageListDestroys) + ";";
        if (l.liveIcons)
            broken += " icons left: " + std::to_string(l.liveIcons) + ";";
        if (l.liveDataFiles)
            broken += " files opened as data left: " + std::to_string(l.liveDataFiles) + ";";
        if (l.liveTimers)
            broken += " timers left: " + std::to_string(l.liveTimers) + ";";
        if (l.openDropRegistrations)
            broken += " drop registrations not revoked: " + std::to_string(l.openDropRegistrations) + ";";
        if (l.dropRevocations != l.dropRegistrations)
            broken += " revokes " + std::to_string(l.dropRevocations) + " of " +
                      std::to_string(l.dropRegistrations) + " registrations;";
        if (l.dropReferencesAtRevoke)
            broken += " drop target references left at revoke: " + std::to_string(l.dropReferencesAtRevoke) + ";";
        if (after.hostBlocks)
            broken += " host blocks out: " + std::to_string(after.hostBlocks) + ";";
        if (after.hostReferences)
            broken += " host references out: " + std::to_string(after.hostReferences) + ";";
        if (!timersAfterDestroy.empty())
            broken += " timer messages after destroy: " + Describe(timersAfterDestroy) + ";";
        if (!broken.empty() && firstBroken_.empty())
            firstBroken_ = "cycle " + std::to_string(cycle) + ":" + broken;
        if (l.dropRegistrations != cycle)
            missedRegistration_ = true;
    }
    const std::string& firstBroken() const { return firstBroken_; }
    // Every panel registered its drop target (so the revoke counts mean something).
    bool everyPanelRegistered() const { return !missedRegistration_; }

private:
    std::string firstBroken_;
    bool missedRegistration_ = false;
};

int FileCount(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// The text without the icon positions: where the list view puts an item depends
// on the panel's size at the time, which a layout may change.
std::string WithoutPositions(const std::string& text)
{
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        if (line.compare(0, 5, "PosX=") != 0 && line.compare(0, 5, "PosY=") != 0)
            kept += line;
        start = end;
    }
    return kept;
}

// Whether every panel wrote the settings file back on destroy, with the same pages
// and items as the first one did, and left nothing else in the folder.
class SettingsKeeper {
public:
    SettingsKeeper(std::string folder, std::string file) : folder_(std::move(folder)), file_(std::move(file)) {}

    // Takes the icon places out of the file (after the first cycle) and dates it
    // back to 2001: a save whose bytes equal the file's writes nothing, so destroy
    // needs places to put back for its save to show.
    void MarkOld() const
    {
        if (!first_.empty())
            WriteFileBytes(file_, WithoutPositions(first_));
        HANDLE file = CreateFileA(file_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SYSTEMTIME old = {2001, 1, 1, 1, 0, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&old, &time);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }

    void Check(int cycle)
    {
        std::string bytes;
        bool read = ReadFileBytes(file_, &bytes);
        if (cycle == 1)
            first_ = bytes;
        std::string problem;
        if (!read || bytes.empty())
            problem = "the settings file is gone";
        else if (!WrittenSince2001())
            problem = "destroy did not save the settings";
        else if (WithoutPositions(bytes) != WithoutPositions(first_))
            problem = "the settings file changed:\n" + bytes + "\nafter the first panel:\n" + first_;
        else if (FileCount(folder_) != 1)
            problem = "files besides the settings file: " + std::to_string(FileCount(folder_));
        if (!problem.empty() && firstProblem_.empty())
            firstProblem_ = "cycle " + std::to_string(cycle) + ": " + problem;
    }
    const std::string& first() const { return first_; }
    const std::string& firstProblem() const { return firstProblem_; }

private:
    bool WrittenSince2001() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        SYSTEMTIME time;
        return GetFileAttributesExA(file_.c_str(), GetFileExInfoStandard, &data) &&
               FileTimeToSystemTime(&data.ftLastWriteTime, &time) && time.wYear > 2001;
    }

    std::string folder_;
    std::string file_;
    std::string first_;
    std::string firstProblem_;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Pumps while a panel stands until timer `id` arrives for `window` (at most `ms`).
bool PumpUntilTimer(HWND window, UINT_PTR id, DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        for (const TimerMessage& timer : PumpRecordingTimers(50)) {
            if (timer.window == window && timer.id == id)
                return true;
        }
    }
    return false;
}

// One host's way through a panel's life, as the soak repeats it.
struct Lifecycle {
    const char* name;
    std::function<HWND()> create;             // loads what it needs, creates and shows the panel
    std::function<std::string()> destroy;     // destroys, releases, unloads; answers what went wrong
    std::function<Snapshot()> now;
    bool adaptorWatched;
    bool pluginUnloadedEachCycle;
    // The watch must see this timer reach the panel of this cycle while it stands,
    // which shows that a timer left behind later would be seen too.
    int provingCycle;
    UINT_PTR provingTimer;
};

void Soak(const Lifecycle& life, SettingsKeeper& settings)
{
    CycleChecks checks;
    Snapshot start = life.now(), warm, end;
    std::string hostProblem;
    bool timerSeen = false;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        settings.MarkOld();
        HWND panel = life.create();
        ASSERT_TRUE(IsWindow(panel)) << life.name << ", cycle " << cycle;
        std::string problem;
        // The pages came from the setting folder the host named.
        if (SendMessageA(GetDlgItem(panel, kTabControlId), TCM_GETITEMCOUNT, 0, 0) != 3)
            problem += " the panel does not show the three pages;";
        if (cycle == life.provingCycle)
            timerSeen = PumpUntilTimer(panel, life.provingTimer, 3000);
        else
            PumpRecordingTimers(0);  // the posted fonts arrive
        problem += life.destroy();
        if (IsWindow(panel))
            problem += " the panel window still stands;";
        if (!problem.empty() && hostProblem.empty())
            hostProblem = "cycle " + std::to_string(cycle) + ":" + problem;

        std::vector<TimerMessage> timers = PumpRecordingTimers(0);
        Snapshot after = life.now();
        checks.Check(cycle, after, timers, life.pluginUnloadedEachCycle);
        settings.Check(cycle);
        if (cycle == kWarmUpCycles)
            warm = after;
        end = after;
    }
    std::vector<TimerMessage> late = PumpRecordingTimers(1100);

    EXPECT_EQ("", hostProblem) << life.name;
    EXPECT_TRUE(timerSeen) << life.name << ": timer " << life.provingTimer << " never reached the panel of cycle "
                           << life.provingCycle;
    EXPECT_EQ("", checks.firstBroken()) << life.name;
    EXPECT_TRUE(checks.everyPanelRegistered()) << life.name;
    EXPECT_EQ("", settings.firstProblem()) << life.name;
    EXPECT_TRUE(Contains(settings.first(), "PageCount=3")) << life.name << ": " << settings.first();
    EXPECT_TRUE(late.empty()) << life.name << ": timer messages a second after the last panel: " << Describe(late);
    ExpectNoGrowth(life.name, start, warm, end, life.adaptorWatched);
}

// ---- the stand-in browser's host code

class KdxHostSoak : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLedger();
        ResetHostState();
        HostState().folders[KdxFolderSetting] = HostFolderText(folder.path());
        ASSERT_TRUE(WriteFileBytes(folder.File("Dockmere.ini"), SettingsFileText(SoakSettings())));
    }
    void TearDown() override { ResetLedger(); }

    std::string PluginPath() const { return ProgramFolder() + "Dockmere.kdx"; }
    Lifecycle Life(const char* name)
    {
        Lifecycle life;
        life.name = name;
        life.now = [] { return Take(static_cast<int>(HostState().outstandingBlocks), 0); };
        life.adaptorWatched = false;
        life.pluginUnloadedEachCycle = false;
        life.provingTimer = kLayoutTimer;  // once per module load, on the first panel shown
        return life;
    }

    TempFolder folder;
    WindowNest nest;
    SettingsKeeper settings{folder.path(), folder.File("Dockmere.ini")};
};

TEST_F(KdxHostSoak, HundredPanelsOnOneModuleLoad)
{
    KdxPlugin plugin;
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
    WatchModule(plugin.module(), kWatchedPlugin);
    // The table's entries called directly: the module stays loaded between panels.
    const KdxPluginTable table = plugin.table();
    HWND panel = nullptr;
    Lifecycle life = Life("kdxhost, one load");
    life.provingCycle = 1;
    life.create = [&] { return panel = table.create(HostServices(), nest.panelParent()); };
    life.destroy = [&] {
        table.destroy(HostServices(), panel);
        return std::string();
    };
    Soak(life, settings);
}

TEST_F(KdxHostSoak, HundredLoadsCreatesDestroysAndUnloads)
{
    DWORD longestUnloadWait = 0;
    std::unique_ptr<KdxPlugin> plugin;
    Lifecycle life = Life("kdxhost, load and unload");
    life.pluginUnloadedEachCycle = true;
    life.provingCycle = kCycles;
    life.create = [&]() -> HWND {
        plugin.reset(new KdxPlugin);
        if (plugin->Load(PluginPath().c_str()) != KdxLoadResult::Loaded)
            return nullptr;
        WatchModule(plugin->module(), kWatchedPlugin);
        return plugin->Create(nest.panelParent());
    };
    life.destroy = [&] {
        plugin->Destroy();  // kdxhost's own order: the tick, destroy, then the unload
        plugin.reset();
        // The panel's workers hold the module until their last task has returned.
        DWORD waited = 0;
        bool gone = WaitForModuleGone(PluginPath().c_str(), 10000, &waited);
        longestUnloadWait = std::max(longestUnloadWait, waited);
        return gone ? std::string() : std::string(" the module stayed loaded;");
    };
    Soak(life, settings);
    printf("[kdxhost] the module was unloaded at most %lu ms after FreeLibrary (its workers ending)\n",
           longestUnloadWait);
}

// ---- the adaptor in the stand-in newer host

// The plug-in that the adaptor loads is watched from its load on, before its create runs.
void WatchLoadedPlugin(HMODULE module, const wchar_t* path)
{
    std::wstring name = path ? path : L"";
    if (name.size() > 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".kdx") == 0)
        WatchModule(module, kWatchedPlugin);
}

class AdaptorSoak : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLedger();
        adaptortest::ScriptHost(host, plugins);
        std::string profile = plugins.temp().File("profile");
        std::string settingFolder = profile + "\\setting";
        CreateDirectoryA(profile.c_str(), nullptr);
        CreateDirectoryA(settingFolder.c_str(), nullptr);
        host.SetFolder(VexFolderProfile, adaptortest::Wide(profile) + L"\\");
        ASSERT_TRUE(WriteFileBytes(settingFolder + "\\Dockmere.ini", SettingsFileText(SoakSettings())));
        settings.reset(new SettingsKeeper(settingFolder, settingFolder + "\\Dockmere.ini"));
        vx = plugins.Install("Dockmere", "Dockmere.kdx");
    }
    void TearDown() override
    {
        if (heldAdaptor)
            FreeLibrary(heldAdaptor);
        ResetLedger();
    }

    // Each cycle: a session (VPI_CreateInstance, the interfaces, Initialize), Create,
    // Show, then Destroy, Terminate, the releases and the module's unload.
    void Run(const char* name, bool holdAdaptor)
    {
        if (holdAdaptor) {
            // The test's own reference keeps the adaptor's module, and so its watched
            // imports, in place while each session loads and frees it.
            heldAdaptor = LoadLibraryW(vx.c_str());
            ASSERT_NE(nullptr, heldAdaptor);
            WatchModule(heldAdaptor, kWatchedAdaptor);
            WatchModuleLoads(heldAdaptor, WatchLoadedPlugin);
        }
        std::unique_ptr<PluginSession> session;
        Lifecycle life;
        life.name = name;
        life.now = [&] { return Take(host.OutstandingBlocks(), host.OutstandingReferences()); };
        life.adaptorWatched = true;
        life.pluginUnloadedEachCycle = true;  // the adaptor's Destroy unloads it
        life.provingCycle = kCycles;
        life.provingTimer = kAdaptorTickTimer;
        life.create = [&]() -> HWND {
            host.ClearLog();
            session.reset(new PluginSession);
            if (!session->Load(vx))
                return nullptr;
            if (!holdAdaptor) {
                // Watched from here: what the object's creation took is given back
                // by its last release and the module's unload, which the ledger ignores.
                WatchModule(session->module(), kWatchedAdaptor);
                WatchModuleLoads(session->module(), WatchLoadedPlugin);
            }
            HWND panel = session->Create(nest.panelParent());
            session->Show(true);
            return panel;
        };
        life.destroy = [&] {
            std::string problem;
            if (session->Close() != 0)
                problem += " the last release left the object standing;";
            session.reset();
            // The panel's workers hold the plug-in until their last task has returned.
            std::wstring kdx = plugins.KdxPath("Dockmere");
            std::string kdxPath(MAX_PATH * 2, '\0');
            kdxPath.resize(WideCharToMultiByte(CP_ACP, 0, kdx.c_str(), -1, &kdxPath[0], MAX_PATH * 2, nullptr, nullptr));
            if (!kdxPath.empty())
                kdxPath.pop_back();
            WaitForModuleGone(kdxPath.c_str(), 10000);
            if (GetModuleHandleW(kdx.c_str()))
                problem += " the plug-in stayed loaded;";
            if (!holdAdaptor && GetModuleHandleW(vx.c_str()))
                problem += " the adaptor stayed loaded;";
            int foldersAsked = 0;
            for (const std::wstring& line : host.log())
                foldersAsked += line == L"folder " + std::to_wstring(VexFolderProfile);
            if (foldersAsked != 1)
                problem += " the setting folder was asked for " + std::to_string(foldersAsked) + " times;";
            if (host.Mistakes())
                problem += " releases or frees of what the host never lent;";
            return problem;
        };
        Soak(life, *settings);
    }

    adaptortest::PluginFolder plugins;
    StandInHost host;
    WindowNest nest;
    std::unique_ptr<SettingsKeeper> settings;
    std::wstring vx;
    HMODULE heldAdaptor = nullptr;
};

TEST_F(AdaptorSoak, HundredPanelsThroughTheAdaptorKeptLoaded)
{
    Run("adaptor, kept loaded", true);
}

TEST_F(AdaptorSoak, HundredPanelsThroughTheAdaptorLoadedEachTime)
{
    Run("adaptor, loaded each time", false);
}

// ---- the whole process, from before the first load

constexpr int kProcessCycles = 300;
// Issue 17's item 4 (the panel's window class unregistered once its window is
// gone) is built apart from this soak. Until it lands, the class left after
// each unload is reported, not checked: set this to true with it.
constexpr bool kExpectPanelClassUnregistered = true;
// What the process's first panel may leave for good: Wine's own state made at
// the process's first list view and tab control (two 4-byte blocks of the
// process heap here, a heap the module's code does not allocate from),
// user32's cache DCs (a DC, its bitmap and region each) and, through the
// adaptor, the test host's stand-ins for its objects (platform::HostBridge makes
// one at an object's first hand-out). The bound is far below the C++ runtime's
// 18,944 bytes at every load; a leak of any size per load shows in the cycles
// after the first.
constexpr long kFirstPanelBlocks = 32;
constexpr long long kFirstPanelBytes = 2048;
constexpr int kFirstPanelGdiObjects = 8;
// The one block of slack after the first cycle.
constexpr long kSlackBlocks = 1;
constexpr long long kSlackBytes = 256;

std::string Figures(const ProcessReading& r)
{
    char text[200];
    snprintf(text, sizeof text, "%5d TLS %2d heaps %6ld blocks %8lld bytes %4d handles%s %4d GDI %2d windows",
             r.tlsIndexesObtainable, r.heaps, r.heapBlocks, r.heapBytes, r.handles, r.handlesFromProbe ? "*" : "",
             r.gdiObjects, r.windows);
    return text;
}

void ExpectNothingLeft(const SoakResult& r, const char* name)
{
    printf("[%s] before the first load / after the first cycle / after %d cycles:\n  %s\n  %s\n  %s\n", name,
           r.cycles, Figures(r.before).c_str(), Figures(r.first).c_str(), Figures(r.end).c_str());
    printf("  the first cycle left: %s\n  the cycles after it left: %s\n",
           DescribeGrowth(r.before, r.first).c_str(), DescribeGrowth(r.first, r.end).c_str());
    printf("  panel class %sregistered before the first load, still registered after %d of %d unloads%s\n",
           r.classBefore ? "" : "not ", r.classLeftAfter, r.cycles,
           kExpectPanelClassUnregistered ? "" : " (not checked)");
    printf("  (* handles counted by probing: GetProcessHandleCount answers 0 here)\n");
    printf("  the module was unloaded at most %lu ms after FreeLibrary (its workers ending)\n", r.longestUnloadWait);

    ASSERT_EQ("", r.problem) << name;
    // From before the first load: TLS indexes, handles, heaps and windows.
    EXPECT_EQ(r.before.tlsIndexesObtainable, r.end.tlsIndexesObtainable) << name << ": TLS indexes";
    EXPECT_EQ(r.before.handles, r.end.handles) << name << ": handles, " << DescribeGrowth(r.before, r.end);
    EXPECT_EQ(r.before.heaps, r.end.heaps) << name << ": heaps";
    EXPECT_EQ(r.before.windows, r.end.windows) << name << ": windows";
    // Heap blocks and GDI objects: the first panel's own, then nothing.
    EXPECT_LE(r.first.heapBlocks - r.before.heapBlocks, kFirstPanelBlocks) << name << ": heap blocks of the first cycle";
    EXPECT_LE(r.first.heapBytes - r.before.heapBytes, kFirstPanelBytes) << name << ": heap bytes of the first cycle";
    EXPECT_LE(r.first.gdiObjects - r.before.gdiObjects, kFirstPanelGdiObjects) << name << ": GDI objects of the first cycle";
    EXPECT_LE(r.end.heapBlocks - r.first.heapBlocks, kSlackBlocks) << name << ": heap blocks after the first cycle";
    EXPECT_LE(r.end.heapBytes - r.first.heapBytes, kSlackBytes) << name << ": heap bytes after the first cycle";
    EXPECT_LE(r.end.gdiObjects, r.first.gdiObjects) << name << ": GDI objects after the first cycle";
    EXPECT_FALSE(r.classBefore) << name;
    if (kExpectPanelClassUnregistered) {
        EXPECT_EQ(0, r.classLeftAfter) << name << ": the panel's window class outlived its module";
        EXPECT_FALSE(PanelClassRegistered(nullptr)) << name;
    }
}

class ProcessSoak : public ::testing::Test {
protected:
    WindowNest nest;
    PreparedHost host{nest.top()};
};

TEST_F(ProcessSoak, DockmereLoadedCreatedDestroyedAndUnloadedLeavesNothingFromBeforeTheFirstLoad)
{
    std::unique_ptr<ModuleCycle> cycle = KdxHostCycle();
    ExpectNothingLeft(Soak(*cycle, nest.panelParent(), kProcessCycles), cycle->name());
}

TEST_F(ProcessSoak, AdaptorSessionsWithDockmereBehindLeaveNothingFromBeforeTheFirstLoad)
{
    std::unique_ptr<ModuleCycle> cycle = AdaptorCycle();
    ExpectNothingLeft(Soak(*cycle, nest.panelParent(), kProcessCycles), cycle->name());
}

}  // namespace
