// The real Dockmere.kdx loaded the way a host loads it, read back through its
// windows and controls and through the settings file it writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <unknwn.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "PanelReader.h"
#include "WinTest.h"

using namespace wintest;

namespace {

constexpr int kListViewId = 20001;
constexpr int kTabControlId = 20002;
constexpr UINT_PTR kLayoutTimer = 30001;
constexpr DWORD kLargeIconsStyle = 0x50000204;

std::string PluginPath()
{
    return ProgramFolder() + "Dockmere.kdx";
}

HWND ListOf(HWND panel)
{
    return GetDlgItem(panel, kListViewId);
}

HWND TabsOf(HWND panel)
{
    return GetDlgItem(panel, kTabControlId);
}

// A host whose service 19 answers as a case scripts it; counts calls and frees.
struct ScriptedHost {
    int32_t answer = KdxResultNotDone;
    bool writeText = false;
    std::string text;
    int serviceCalls = 0;
    int frees = 0;
    KdxHostServices services = {};
};
ScriptedHost* scripted = nullptr;

int32_t KDX_CALL ScriptedService(int32_t code, uintptr_t, uintptr_t param2)
{
    ++scripted->serviceCalls;
    if (code != KdxServiceFolder)
        return KdxResultUnknownCode;
    if (scripted->writeText) {
        char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, scripted->text.size() + 1));
        memcpy(copy, scripted->text.c_str(), scripted->text.size() + 1);
        *reinterpret_cast<char**>(param2) = copy;
    }
    return scripted->answer;
}

int32_t KDX_CALL ScriptedFree(void* block)
{
    ++scripted->frees;
    HeapFree(GetProcessHeap(), 0, block);
    return 1;
}

void InstallScriptedHost(ScriptedHost* host)
{
    scripted = host;
    host->services.size = kKdxHostServicesSize;
    host->services.service = ScriptedService;
    host->services.free = ScriptedFree;
}

// An extra reference to an image list (the lists are COM objects in this comctl32);
// Release then tells how many references the panel left.
IUnknown* HoldImageList(HIMAGELIST list)
{
    using QueryProc = HRESULT(WINAPI*)(HIMAGELIST, REFIID, void**);
    auto query = reinterpret_cast<QueryProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("comctl32.dll"), "HIMAGELIST_QueryInterface")));
    IUnknown* object = nullptr;
    if (query)
        query(list, IID_IUnknown, reinterpret_cast<void**>(&object));
    return object;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetHostState();
        HostState().folders[KdxFolderSetting] = HostFolderText(folder.path());
    }

    std::string IniPath() const { return folder.File("Dockmere.ini"); }

    void WriteSettings(const Settings& settings)
    {
        ASSERT_TRUE(WriteFileBytes(IniPath(), SettingsFileText(settings)));
    }

    // Loads the module as a host does and creates the panel in the nest.
    HWND Create()
    {
        EXPECT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
        HWND panel = plugin.Create(nest.panelParent());
        EXPECT_NE(nullptr, panel);
        return panel;
    }

    // Entries called directly keep the module loaded between panels.
    HWND CreateAgain(KdxHostServices* services = HostServices(), HWND parent = nullptr)
    {
        return plugin.table().create(services, parent ? parent : nest.panelParent());
    }
    void DestroyAgain(HWND panel, KdxHostServices* services = HostServices())
    {
        plugin.table().destroy(services, panel);
    }

    TempFolder folder;
    WindowNest nest;
    KdxPlugin plugin;  // last: destroyed (panel and module) before the windows and folder
};

TEST(PanelExports, BothNamesAtOneEntryAndThePanelKind)
{
    HMODULE module = LoadLibraryA(PluginPath().c_str());
    ASSERT_NE(nullptr, module);
    FARPROC info = GetProcAddress(module, "KDX_GetPluginInfo");
    FARPROC initialize = GetProcAddress(module, "KDX_Initialize");
    ASSERT_NE(nullptr, info);
    ASSERT_NE(nullptr, initialize);
    EXPECT_EQ(info, GetProcAddress(module, "_KDX_GetPluginInfo@0"));
    EXPECT_EQ(initialize, GetProcAddress(module, "_KDX_Initialize@4"));
    EXPECT_EQ(0x6701, reinterpret_cast<KdxGetPluginInfoProc>(reinterpret_cast<void*>(info))());
    FreeLibrary(module);
}

TEST(PanelExports, InitializeWritesCreateDestroyAndMenuOnly)
{
    HMODULE module = LoadLibraryA(PluginPath().c_str());
    ASSERT_NE(nullptr, module);
    auto initialize = reinterpret_cast<KdxInitializeProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "KDX_Initialize")));
    for (uint8_t fill : {uint8_t(0x00), uint8_t(0xA5)}) {
        KdxPluginTable table;
        memset(&table, fill, sizeof table);
        table.size = kKdxPluginTableSize;
        KdxPluginTable before = table;
        EXPECT_EQ(0, initialize(&table));

        EXPECT_NE(before.create, table.create);
        EXPECT_NE(before.destroy, table.destroy);
        EXPECT_NE(before.menu, table.menu);
        EXPECT_NE(reinterpret_cast<void*>(table.create), reinterpret_cast<void*>(table.destroy));
        // Every byte outside the three entries is as the host left it.
        const auto* a = reinterpret_cast<const uint8_t*>(&before);
        const auto* b = reinterpret_cast<const uint8_t*>(&table);
        for (size_t offset = 0; offset < sizeof table; ++offset) {
            bool entry = (offset >= 4 && offset < 12) || (offset >= 16 && offset < 20);
            if (!entry) {
                EXPECT_EQ(a[offset], b[offset]) << "offset " << offset << ", fill " << int(fill);
            }
        }
    }
    FreeLibrary(module);
}

TEST_F(PanelTest, WindowsClassesStylesAndIds)
{
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);

    EXPECT_EQ("Corvane Plugin - Dockmere", ClassOf(panel));
    char text[32] = "";
    GetWindowTextA(panel, text, sizeof text);
    EXPECT_STREQ("test", text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE), StyleOf(panel));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_ACCEPTFILES), ExStyleOf(panel));  // DragAcceptFiles
    EXPECT_EQ(nest.panelParent(), GetParent(panel));
    RECT rect = ChildRect(panel);
    EXPECT_EQ(200, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);

    WNDCLASSEXA panelClass = {};
    panelClass.cbSize = sizeof panelClass;
    ASSERT_TRUE(GetClassInfoExA(plugin.module(), "Corvane Plugin - Dockmere", &panelClass));
    EXPECT_EQ(static_cast<UINT>(CS_HREDRAW | CS_VREDRAW), panelClass.style);
    EXPECT_EQ(0, panelClass.cbClsExtra);
    EXPECT_EQ(0, panelClass.cbWndExtra);
    EXPECT_EQ(nullptr, panelClass.hIcon);
    EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), panelClass.hCursor);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), panelClass.hbrBackground);
    EXPECT_EQ(nullptr, panelClass.lpszMenuName);

    // Children in z-order, which is the order of creation: the list view above the
    // tab control that covers the whole panel.
    HWND list = GetWindow(panel, GW_CHILD);
    ASSERT_NE(nullptr, list);
    HWND tabs = GetWindow(list, GW_HWNDNEXT);
    ASSERT_NE(nullptr, tabs);
    EXPECT_EQ(nullptr, GetWindow(tabs, GW_HWNDNEXT));

    EXPECT_EQ("SysTabControl32", ClassOf(tabs));
    EXPECT_EQ(kTabControlId, GetDlgCtrlID(tabs));
    EXPECT_EQ(0x54000348u, StyleOf(tabs));
    EXPECT_EQ(0, GetWindowTextLengthA(tabs));

    EXPECT_EQ("SysListView32", ClassOf(list));
    EXPECT_EQ(kListViewId, GetDlgCtrlID(list));
    // No settings file: the defaults arrange automatically.
    EXPECT_EQ(kLargeIconsStyle | LVS_AUTOARRANGE, StyleOf(list));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_STATICEDGE), ExStyleOf(list) & ~WS_EX_CLIENTEDGE);
    EXPECT_EQ(LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT | LVS_EX_INFOTIP,
              SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));

    auto large = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    auto small = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(nullptr, large);
    ASSERT_NE(nullptr, small);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(large, &cx, &cy);
    EXPECT_EQ(32, cx);
    EXPECT_EQ(32, cy);
    ImageList_GetIconSize(small, &cx, &cy);
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);

    // The tab font is posted: it arrives once the host's loop runs.
    Pump(50);
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), reinterpret_cast<HGDIOBJ>(SendMessageA(tabs, WM_GETFONT, 0, 0)));
    EXPECT_EQ(std::vector<std::string>{"ページ &1"}, TabTexts(tabs));
}

TEST_F(PanelTest, TabsAndItemsComeFromTheSettingsFile)
{
    Settings settings;
    settings.pages = {
        {"よく使う",
         {{"メモ帳", "C:\\windows\\notepad.exe", -1, 100, 40},
          {"無い", "C:\\no such folder\\gone.exe", -1, 10, 150},
          {"レジストリ", "C:\\windows\\regedit.exe", 0, 180, 90}}},
        {"システム", {{"cmd", "C:\\windows\\system32\\cmd.exe", -1, 5, 5}}},
        {"空", {}},
    };
    WriteSettings(settings);
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);
    HWND list = ListOf(panel);
    HWND tabs = TabsOf(panel);

    EXPECT_EQ((std::vector<std::string>{"よく使う", "システム", "空"}), TabTexts(tabs));
    EXPECT_EQ(0, SelectedTab(tabs));
    EXPECT_EQ((std::vector<std::string>{"メモ帳", "無い", "レジストリ"}), ListTexts(list));

    // Only the shown page's icons are made, in item order, each item in a slot of
    // its own with a placeholder at once; the item without an icon then shows none
    // (not the image the next item gets).
    EXPECT_EQ(0, ListImage(list, 0));
    EXPECT_EQ(1, ListImage(list, 1));
    EXPECT_EQ(2, ListImage(list, 2));
    EXPECT_TRUE(PumpUntil([&] { return ListImage(list, 1) == I_IMAGENONE; }, 15000));
    EXPECT_EQ(0, ListImage(list, 0));
    EXPECT_EQ(I_IMAGENONE, ListImage(list, 1));
    EXPECT_EQ(2, ListImage(list, 2));
    auto large = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    auto small = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_EQ(3, ImageList_GetImageCount(large));
    EXPECT_EQ(3, ImageList_GetImageCount(small));

    // Page 1's icon comes with its first showing, and only then; showing page 0
    // again makes nothing anew.
    SendMessageA(panel, WM_COMMAND, 10101, 0);
    EXPECT_EQ(3, ListImage(list, 0));
    SendMessageA(panel, WM_COMMAND, 10100, 0);
    SendMessageA(panel, WM_COMMAND, 10101, 0);
    EXPECT_EQ(3, ListImage(list, 0));
    SendMessageA(panel, WM_COMMAND, 10100, 0);
    EXPECT_EQ(2, ListImage(list, 2));
    EXPECT_EQ(4, ImageList_GetImageCount(large));
    EXPECT_EQ(4, ImageList_GetImageCount(small));

    // Neither automatic arrangement nor the grid: the stored places hold.
    const POINT expected[] = {{100, 40}, {10, 150}, {180, 90}};
    for (int i = 0; i < 3; ++i) {
        POINT at = ListPosition(list, i);
        EXPECT_EQ(expected[i].x, at.x) << "item " << i;
        EXPECT_EQ(expected[i].y, at.y) << "item " << i;
    }
}

TEST_F(PanelTest, ViewStyleSettingGivesTheListViewStyle)
{
    struct Case {
        int viewStyle;
        int autoArrange;
        DWORD style;
    };
    const Case cases[] = {
        {10009, 0, 0x50000204}, {10010, 0, 0x50000206}, {10011, 0, 0x50000207},
        {12345, 0, 0x50000204}, {10010, 1, 0x50000306}, {0, 1, 0x50000304},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.pages = {{"p", {{"a"}}}};
        settings.viewStyle = c.viewStyle;
        settings.autoArrange = c.autoArrange;
        WriteSettings(settings);
        HWND panel = Create();
        ASSERT_NE(nullptr, panel);
        EXPECT_EQ(c.style, StyleOf(ListOf(panel))) << "ViewStyle " << c.viewStyle;
        plugin.Destroy();
        // The stored value survives unchanged, also when it is not one of the three views.
        EXPECT_EQ(c.viewStyle, ProfileInt(IniPath(), "Launcher", "ViewStyle"));
    }
}

TEST_F(PanelTest, HiddenTabStripPutsTheListAtTheTopWithoutEdge)
{
    for (int showTab : {0, 1}) {
        Settings settings;
        settings.pages = {{"一", {{"a"}}}, {"二", {}}};
        settings.showTab = showTab;
        WriteSettings(settings);
        HWND panel = Create();
        ASSERT_NE(nullptr, panel);
        HWND list = ListOf(panel);
        HWND tabs = TabsOf(panel);
        RECT client;
        GetClientRect(panel, &client);
        RECT display = client;
        SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        RECT at = ChildRect(list);

        EXPECT_EQ(showTab != 0, (GetWindowLongA(tabs, GWL_STYLE) & WS_VISIBLE) != 0) << showTab;
        EXPECT_EQ(showTab != 0, (ExStyleOf(list) & WS_EX_STATICEDGE) != 0) << showTab;
        EXPECT_EQ(0, at.left);
        EXPECT_EQ(client.right, at.right);
        EXPECT_EQ(client.bottom, at.bottom);
        if (showTab) {
            EXPECT_GT(display.top, 0);
            EXPECT_EQ(display.top, at.top);
        } else {
            EXPECT_EQ(0, at.top);
        }
        plugin.Destroy();
    }
}

TEST_F(PanelTest, ResizingPlacesTheListBelowTheLastTabRowInTheSameSize)
{
    Settings settings;
    for (int i = 1; i <= 15; ++i)
        settings.pages.push_back({"ページ &" + std::to_string(i), {}});
    WriteSettings(settings);
    HWND panel = Create();
    HWND tabs = TabsOf(panel);
    Pump(400);  // the posted fonts and the layout timer
    int rows = 0;
    for (int width : {200, 600, 120, 200, 600}) {
        SCOPED_TRACE(width);
        MoveWindow(panel, 0, 0, width, 400, TRUE);  // one WM_SIZE, nothing pumped
        RECT display;
        GetClientRect(tabs, &display);
        SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        RECT list = ChildRect(ListOf(panel));
        EXPECT_EQ(display.top, list.top);
        LONG lastRow = 0;
        for (int i = 0; i < 15; ++i) {
            RECT tab = {};
            SendMessageA(tabs, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab));
            lastRow = std::max(lastRow, tab.bottom);
        }
        EXPECT_LE(lastRow, list.top);
        EXPECT_GT(lastRow + 8, list.top);
        int now = static_cast<int>(SendMessageA(tabs, TCM_GETROWCOUNT, 0, 0));
        EXPECT_NE(rows, now) << "each width wraps the tabs into other rows";
        rows = now;
    }
}

// Records the panel's WM_SIZE and WM_TIMER messages.
struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> recorded;
WNDPROC panelProcedure = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE || message == WM_TIMER)
        recorded.push_back({message, wParam, lParam});
    return CallWindowProcA(panelProcedure, window, message, wParam, lParam);
}

TEST_F(PanelTest, LayoutTimerRunsOnceAndLaysThePanelOutAgain)
{
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);
    recorded.clear();
    panelProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));

    // Fired once, after about 333 ms, then killed: no second WM_TIMER in a second.
    Pump(1100);
    std::vector<Recorded> timers, sizes;
    size_t timerAt = recorded.size();
    for (size_t i = 0; i < recorded.size(); ++i) {
        if (recorded[i].message == WM_TIMER) {
            timers.push_back(recorded[i]);
            timerAt = i;
        }
    }
    ASSERT_EQ(1u, timers.size());
    EXPECT_EQ(kLayoutTimer, timers[0].wParam);
    ASSERT_LT(timerAt + 1, recorded.size()) << "no WM_SIZE after the timer";
    const Recorded& size = recorded[timerAt + 1];
    EXPECT_EQ(static_cast<UINT>(WM_SIZE), size.message);
    EXPECT_EQ(MAKELPARAM(200, 200), size.lParam);

    // Later WM_SHOWWINDOWs start nothing.
    recorded.clear();
    ShowWindow(panel, SW_HIDE);
    ShowWindow(panel, SW_SHOW);
    Pump(700);
    for (const Recorded& r : recorded)
        EXPECT_NE(static_cast<UINT>(WM_TIMER), r.message);

    // Another timer id is ignored and answered with 0.
    recorded.clear();
    EXPECT_EQ(0, SendMessageA(panel, WM_TIMER, 4321, 0));
    ASSERT_EQ(1u, recorded.size());
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(panelProcedure));
}

TEST_F(PanelTest, DestroyStoresTheShownPagesPositionsThenWritesTheFile)
{
    Settings settings;
    settings.pages = {
        {"一", {{"a", "C:\\windows\\notepad.exe", -1, 10, 10}, {"b", "C:\\windows\\regedit.exe", -1, 80, 10}}},
        {"二", {{"c", "C:\\windows\\notepad.exe", -1, 33, 44}}},
    };
    WriteSettings(settings);
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);
    HWND list = ListOf(panel);
    SendMessageA(list, LVM_SETITEMPOSITION, 1, MAKELPARAM(150, 90));  // the user moved b

    plugin.Destroy();
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_FALSE(IsWindow(list));

    const std::string ini = IniPath();
    EXPECT_EQ(2, ProfileInt(ini, "Launcher", "PageCount"));
    EXPECT_EQ(10, ProfileInt(ini, "Page1:Item1", "PosX"));
    EXPECT_EQ(10, ProfileInt(ini, "Page1:Item1", "PosY"));
    EXPECT_EQ(150, ProfileInt(ini, "Page1:Item2", "PosX"));
    EXPECT_EQ(90, ProfileInt(ini, "Page1:Item2", "PosY"));
    // The page not shown keeps what the file said.
    EXPECT_EQ(33, ProfileInt(ini, "Page2:Item1", "PosX"));
    EXPECT_EQ(44, ProfileInt(ini, "Page2:Item1", "PosY"));
    EXPECT_EQ("二", ProfileText(ini, "Page2", "Name"));
}

// The user's path: stored places, the panel in a host window, the message loop
// with its paints, page switches, close. The list view arranges on its first
// paint, which once replaced the places. Cases: shown?, view style, tab strip, switches.
TEST_F(PanelTest, StoredPlacesSurvivePaintsPageSwitchesAndClose)
{
    const struct { bool visible; int viewStyle, showTab; bool switchPages; } cases[] = {
        {true, 10009, 1, false}, {true, 10010, 1, true}, {true, 4711, 0, false}, {false, 10009, 1, true}};
    Settings settings;
    settings.autoArrange = 0;
    const char* program = "C:\\windows\\notepad.exe";
    settings.pages = {{"一", {{"a", program, -1, 10, 20}, {"b", program, -1, 150, 90}}},
                      {"二", {{"c", program, -1, 60, 120}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.viewStyle);
        settings.viewStyle = c.viewStyle;
        settings.showTab = c.showTab;
        WriteSettings(settings);
        ShowWindow(nest.top(), c.visible ? SW_SHOWNORMAL : SW_HIDE);
        HWND panel = Create();
        Pump(400);  // paints, the posted fonts and the layout timer
        for (int page : {1, 0, 1, 0})
            if (c.switchPages) {
                SendMessageA(panel, WM_COMMAND, 10100 + page, 0);
                Pump(100);
            }
        plugin.Destroy();
        ShowWindow(nest.top(), SW_HIDE);
        for (int p = 0; p < 2; ++p)
            for (size_t i = 0; i < settings.pages[p].items.size(); ++i) {
                std::string section = "Page" + std::to_string(p + 1) + ":Item" + std::to_string(i + 1);
                EXPECT_EQ(settings.pages[p].items[i].posX, ProfileInt(IniPath(), section, "PosX")) << section;
                EXPECT_EQ(settings.pages[p].items[i].posY, ProfileInt(IniPath(), section, "PosY")) << section;
            }
    }
}

// Scrolls the list to its end with the scroll bar's page steps, as the user does.
void ScrollToEnd(HWND list)
{
    for (int step = 0; step < 500; ++step) {
        int before = GetScrollPos(list, SB_VERT);
        SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0);
        Pump(5);
        if (GetScrollPos(list, SB_VERT) == before)
            return;
    }
}

// At the list's top: no icon lies above or left of the client area, and the
// scroll range reaches the lowest one.
void ExpectEveryItemReachable(HWND list)
{
    SCROLLINFO range = {};
    range.cbSize = sizeof range;
    range.fMask = SIF_RANGE | SIF_POS;
    GetScrollInfo(list, SB_VERT, &range);
    EXPECT_EQ(range.nMin, range.nPos) << "shown from its top";
    RECT client;
    GetClientRect(list, &client);
    for (int i = 0; i < ListCount(list); ++i) {
        RECT item = {LVIR_ICON, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        ASSERT_GE(item.top, 0) << "item " << i;
        ASSERT_GE(item.left, 0) << "item " << i;
        ASSERT_LE(item.bottom, std::max<LONG>(range.nMax + 1, client.bottom)) << "item " << i;
    }
}

// Places stored for a page are the same whether the list was scrolled or not, and
// places an older save wrote above the origin stay in the file but within reach.
TEST_F(PanelTest, PlacesOfAScrolledPageStayAsStartedAndEveryItemStaysReachable)
{
    const char* program = "C:\\windows\\notepad.exe";
    Settings settings;
    settings.pages = {{"長い", {}}, {"古い", {}}};
    for (int i = 0; i < 250; ++i)
        settings.pages[0].items.push_back({"item" + std::to_string(i), program, -1, 10 + 60 * (i % 3), 10 + 80 * (i / 3)});
    for (int y : {-5830, -55, 40})
        settings.pages[1].items.push_back({"old" + std::to_string(y), program, -1, 20, y});
    WriteSettings(settings);
    ShowWindow(nest.top(), SW_SHOWNORMAL);
    HWND panel = Create();
    HWND list = ListOf(panel);
    Pump(400);  // paints, the posted fonts and the layout timer

    ScrollToEnd(list);
    ASSERT_GT(GetScrollPos(list, SB_VERT), 1000);
    SendMessageA(panel, WM_COMMAND, 10101, 0);
    Pump(100);
    ExpectEveryItemReachable(list);
    POINT lowest = ListPosition(list, 0);
    for (int i = 1; i < 3; ++i) {  // the arrangement itself is kept
        POINT at = ListPosition(list, i);
        EXPECT_EQ(settings.pages[1].items[i].posY - settings.pages[1].items[0].posY, at.y - lowest.y);
        EXPECT_EQ(lowest.x, at.x);
    }
    SendMessageA(panel, WM_COMMAND, 10100, 0);
    Pump(100);
    ExpectEveryItemReachable(list);
    EXPECT_EQ(10, ListPosition(list, 0).y);
    ScrollToEnd(list);  // and closed while scrolled
    plugin.Destroy();
    ShowWindow(nest.top(), SW_HIDE);

    for (int p = 0; p < 2; ++p)
        for (size_t i = 0; i < settings.pages[p].items.size(); ++i) {
            std::string section = "Page" + std::to_string(p + 1) + ":Item" + std::to_string(i + 1);
            ASSERT_EQ(settings.pages[p].items[i].posX, ProfileInt(IniPath(), section, "PosX")) << section;
            ASSERT_EQ(settings.pages[p].items[i].posY, ProfileInt(IniPath(), section, "PosY")) << section;
        }
}

TEST_F(PanelTest, HostWithoutAFolderGivesDefaultsAndSavesNowhere)
{
    struct Case {
        const char* what;
        int32_t answer;
        bool writeText;
        const char* text;
        int frees;
    };
    const Case cases[] = {
        {"not done, pointer untouched", KdxResultNotDone, false, "", 0},
        {"code not recognised", KdxResultUnknownCode, false, "", 0},
        {"empty folder text", KdxResultDone, true, "", 1},
    };
    // Where a settings file without a folder could land: the Windows folder (where
    // the profile functions put bare names), the current folder, its drive's root.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const std::string places[] = {std::string(windows) + "\\Dockmere.ini", std::string(current) + "\\Dockmere.ini",
                                  "\\Dockmere.ini"};
    auto snapshot = [&] {
        std::vector<std::string> contents;
        for (const std::string& place : places) {
            std::string bytes = "(none)";
            ReadFileBytes(place, &bytes);
            contents.push_back(bytes);
        }
        return contents;
    };
    const std::vector<std::string> before = snapshot();

    for (const Case& c : cases) {
        ScriptedHost host;
        host.answer = c.answer;
        host.writeText = c.writeText;
        host.text = c.text;
        InstallScriptedHost(&host);
        ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
        HWND panel = CreateAgain(&host.services);
        ASSERT_NE(nullptr, panel) << c.what;
        EXPECT_EQ(std::vector<std::string>{"ページ &1"}, TabTexts(TabsOf(panel))) << c.what;
        EXPECT_EQ(kLargeIconsStyle | LVS_AUTOARRANGE, StyleOf(ListOf(panel))) << c.what;
        DestroyAgain(panel, &host.services);
        plugin.Destroy();
        EXPECT_EQ(c.frees, host.frees) << c.what;
        EXPECT_EQ(before, snapshot()) << c.what;
    }
}

TEST_F(PanelTest, OverlongFolderTextIsCutAndNotUsed)
{
    ScriptedHost host;
    host.answer = KdxResultDone;
    host.writeText = true;
    host.text = folder.path() + "\\" + std::string(3000, 'd');
    InstallScriptedHost(&host);
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
    HWND panel = CreateAgain(&host.services);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(std::vector<std::string>{"ページ &1"}, TabTexts(TabsOf(panel)));
    DestroyAgain(panel, &host.services);
    EXPECT_EQ(1, host.frees);
    // Nothing was written into the folder the text began with.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.File("*").c_str(), &found);
    int entries = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
                ++entries;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(0, entries);
}

TEST_F(PanelTest, SecondDestroyOrFailedCreateNeverTouchesTheUsersFile)
{
    Settings settings;
    settings.pages = {{"一", {{"a"}}}, {"二", {}}};
    WriteSettings(settings);
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));

    // A first panel of this module load reads and writes the file.
    HWND panel = CreateAgain();
    ASSERT_NE(nullptr, panel);
    DestroyAgain(panel);
    ASSERT_EQ(2, ProfileInt(IniPath(), "Launcher", "PageCount"));

    // The user's file changes. A host calling destroy once more writes nothing;
    // nor does a failed creation (no parent) that the host still destroys.
    const std::string users = "[Launcher]\r\nPageCount=5\r\n; the user's own\r\n";
    ASSERT_TRUE(WriteFileBytes(IniPath(), users));
    DestroyAgain(panel);
    ScriptedHost host;
    host.answer = KdxResultDone;
    host.writeText = true;
    host.text = HostFolderText(folder.path());
    InstallScriptedHost(&host);
    HWND failed = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7ffe1234));  // no such window
    EXPECT_EQ(nullptr, plugin.table().create(&host.services, failed));
    EXPECT_EQ(0, host.serviceCalls);  // no folder asked for without a panel
    DestroyAgain(nullptr, &host.services);

    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(IniPath(), &bytes));
    EXPECT_EQ(users, bytes);

    // And in a fresh module load, a failed creation writes no file at all.
    plugin.Destroy();
    DeleteFileA(IniPath().c_str());
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
    EXPECT_EQ(nullptr, plugin.table().create(HostServices(), failed));
    DestroyAgain(nullptr);
    EXPECT_FALSE(FileExists(IniPath()));
}

TEST_F(PanelTest, FileWithoutPagesStillGivesAUsablePanel)
{
    ASSERT_TRUE(WriteFileBytes(IniPath(), "[Launcher]\r\nPageCount=0\r\nShowTab=1\r\n"));
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(std::vector<std::string>{"ページ &1"}, TabTexts(TabsOf(panel)));
    EXPECT_EQ(0, SelectedTab(TabsOf(panel)));
    EXPECT_EQ(0, ListCount(ListOf(panel)));
    plugin.Destroy();
    EXPECT_EQ(1, ProfileInt(IniPath(), "Launcher", "PageCount"));
    EXPECT_EQ(0, ProfileInt(IniPath(), "Page1", "ItemCount"));
}

TEST_F(PanelTest, EachImageListIsDestroyedOnceAfterTheListViewLetsGo)
{
    // Twice: the host destroys the panel itself, or its own windows went first
    // (the list view then released its image lists on the way).
    for (bool hostWindowsGoneFirst : {false, true}) {
        WindowNest ownNest;
        Settings settings;
        settings.pages = {{"一", {{"a", "C:\\windows\\notepad.exe", -1, 40, 50}}}};
        WriteSettings(settings);
        ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
        HWND panel = CreateAgain(HostServices(), ownNest.panelParent());
        ASSERT_NE(nullptr, panel);
        HWND list = ListOf(panel);
        auto large = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
        auto small = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        IUnknown* heldLarge = HoldImageList(large);
        IUnknown* heldSmall = HoldImageList(small);
        ASSERT_NE(nullptr, heldLarge);
        ASSERT_NE(nullptr, heldSmall);
        heldLarge->AddRef();  // two references of ours each
        heldSmall->AddRef();

        if (hostWindowsGoneFirst)
            DestroyWindow(ownNest.top());
        DestroyAgain(panel);
        plugin.Destroy();

        // One reference of ours left after releasing one: the panel's went exactly once.
        EXPECT_EQ(1u, heldLarge->Release()) << hostWindowsGoneFirst;
        EXPECT_EQ(1u, heldSmall->Release()) << hostWindowsGoneFirst;
        heldLarge->Release();
        heldSmall->Release();
        // The stored place survives a list view that was already gone.
        EXPECT_EQ(40, ProfileInt(IniPath(), "Page1:Item1", "PosX")) << hostWindowsGoneFirst;
        EXPECT_EQ(50, ProfileInt(IniPath(), "Page1:Item1", "PosY")) << hostWindowsGoneFirst;
    }
}

TEST_F(PanelTest, SecondCreateWhileAPanelLivesGivesNoWindowAndChangesNothingOfTheFirst)
{
    Settings settings;
    settings.pages = {{"一", {{"a"}, {"b"}}}, {"二", {{"c"}}}};
    WriteSettings(settings);
    HWND panel = Create();
    ASSERT_NE(nullptr, panel);
    HANDLE dropTarget = GetPropA(panel, "OleDropTargetInterface");
    ASSERT_NE(nullptr, dropTarget);

    // A second window of the host asks the same module load for a panel of its own,
    // with a setting folder of its own, and hands the none it got back to destroy.
    TempFolder otherFolder;
    WindowNest otherNest;
    ScriptedHost other;
    other.answer = KdxResultDone;
    other.writeText = true;
    other.text = HostFolderText(otherFolder.path());
    InstallScriptedHost(&other);
    EXPECT_EQ(nullptr, CreateAgain(&other.services, otherNest.panelParent()));
    EXPECT_EQ(0, other.serviceCalls);
    DestroyAgain(nullptr, &other.services);

    // The first panel runs on as it was.
    Pump(400);
    ASSERT_TRUE(IsWindow(panel));
    EXPECT_EQ(dropTarget, GetPropA(panel, "OleDropTargetInterface"));
    EXPECT_EQ((std::vector<std::string>{"一", "二"}), TabTexts(TabsOf(panel)));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ListTexts(ListOf(panel)));
    SendMessageA(ListOf(panel), LVM_SETITEMPOSITION, 1, MAKELPARAM(90, 70));

    // Its save goes to its own file, with its own pages and the place just set.
    DestroyAgain(panel);
    EXPECT_EQ("二", ProfileText(IniPath(), "Page2", "Name"));
    EXPECT_EQ(90, ProfileInt(IniPath(), "Page1:Item2", "PosX"));
    EXPECT_EQ(70, ProfileInt(IniPath(), "Page1:Item2", "PosY"));
    EXPECT_FALSE(FileExists(otherFolder.File("Dockmere.ini")));
    // The class went with the window: the next panel registers it anew.
    WNDCLASSEXA panelClass = {};
    panelClass.cbSize = sizeof panelClass;
    EXPECT_FALSE(GetClassInfoExA(plugin.module(), "Corvane Plugin - Dockmere", &panelClass));

    // Once the first is gone, the second window gets its panel.
    HWND second = CreateAgain(&other.services, otherNest.panelParent());
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(1, other.serviceCalls);
    EXPECT_EQ(std::vector<std::string>{"ページ &1"}, TabTexts(TabsOf(second)));
    DestroyAgain(second, &other.services);
}

TEST_F(PanelTest, HostWithoutAManifestGetsCommonControls6InsideThePanelOnly)
{
    // Only a common controls 6 Edit answers EM_SETCUEBANNER, only a version 6
    // Button BCM_GETIDEALSIZE; this test program carries no manifest.
    auto editIsVersion6 = [] {
        HWND edit = CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        bool six = SendMessageW(edit, EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(L"x")) != 0;
        DestroyWindow(edit);
        return six;
    };
    ASSERT_FALSE(editIsVersion6());
    HWND panel = Create();
    ModalDriver driver;
    LRESULT idealSize = 0;
    driver.Then([&](HWND box) {
        SIZE size = {};
        idealSize = SendMessageW(GetDlgItem(box, IDOK), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size));
        PostCommand(box, IDOK);
    });
    SendMessageA(panel, WM_COMMAND, 10001, 0);  // the about box
    EXPECT_EQ(1, driver.answered());
    EXPECT_NE(0, idealSize);
    EXPECT_FALSE(editIsVersion6());  // the panel's context is left on the way out
}

TEST_F(PanelTest, SecondPanelOfOneModuleLoadStartsFromTheFile)
{
    Settings settings;
    settings.pages = {{"一", {{"a"}, {"b"}}}, {"二", {{"c"}}}};
    WriteSettings(settings);
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
    for (int round = 0; round < 2; ++round) {
        HWND panel = CreateAgain();
        ASSERT_NE(nullptr, panel);
        EXPECT_EQ((std::vector<std::string>{"一", "二"}), TabTexts(TabsOf(panel))) << round;
        EXPECT_EQ((std::vector<std::string>{"a", "b"}), ListTexts(ListOf(panel))) << round;
        EXPECT_EQ(0, ListImage(ListOf(panel), 0)) << round;  // fresh image lists
        DestroyAgain(panel);
        EXPECT_EQ(2, ProfileInt(IniPath(), "Launcher", "PageCount")) << round;
    }
}

// A panel destroyed while an icon was dragged or a name edited in place: the next
// panel of the same module load starts with neither, and its timer saves.
TEST_F(PanelTest, APanelDestroyedMidDragOrRenameLeavesTheNextOneSavingOnItsTimer)
{
    Settings settings;
    settings.pages = {{"一", {{"a"}, {"b"}}}};
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load(PluginPath().c_str()));
    const char* const ways[] = {"drag", "rename"};
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(ways[way]);
        WriteSettings(settings);
        HWND panel = CreateAgain();
        ASSERT_NE(nullptr, panel);
        HWND list = ListOf(panel);
        if (way == 0) {
            NMLISTVIEW note = {};
            note.hdr.hwndFrom = list;
            note.hdr.idFrom = kListViewId;
            note.hdr.code = LVN_BEGINDRAG;
            note.iItem = 0;
            SendMessageA(panel, WM_NOTIFY, note.hdr.idFrom, reinterpret_cast<LPARAM>(&note));
            ASSERT_EQ(panel, GetCapture());
        } else {
            SetFocus(list);
            SendMessageA(list, LVM_EDITLABELA, 0, 0);
            ASSERT_NE(nullptr, reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0)));
        }
        DestroyAgain(panel);

        panel = CreateAgain();
        ASSERT_NE(nullptr, panel);
        SendMessageA(panel, WM_COMMAND, 10012, 0);  // a new page
        EXPECT_TRUE(PumpUntil([&] { return ProfileInt(IniPath(), "Launcher", "PageCount") == 2; }, 5000));
        DestroyAgain(panel);
    }
}

}  // namespace
