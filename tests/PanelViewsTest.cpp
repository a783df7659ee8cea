// The tab strip and icon list routines, driven directly on a real panel (the
// panel's code is linked into this program).
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/LauncherData.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "platform/ModuleRecord.h"
#include "PanelReader.h"
#include "panel/PanelViews.h"
#include "WinTest.h"
#include "resource.h"

using namespace wintest;

namespace {

std::string settingFolder;

int32_t KDX_CALL FolderService(int32_t code, uintptr_t, uintptr_t param2)
{
    if (code != KdxServiceFolder)
        return KdxResultUnknownCode;
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, settingFolder.size() + 1));
    lstrcpyA(text, settingFolder.c_str());
    *reinterpret_cast<char**>(param2) = text;
    return KdxResultDone;
}

int32_t KDX_CALL FreeText(void* block)
{
    HeapFree(GetProcessHeap(), 0, block);
    return 1;
}

class PanelViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        moduleRecord.instance = GetModuleHandleA(nullptr);
        settingFolder = folder.path();
        services.size = kKdxHostServicesSize;
        services.service = FolderService;
        services.free = FreeText;
    }
    void TearDown() override
    {
        if (panel)
            DestroyPanel(&services, panel);
    }

    void Create(const Settings& settings)
    {
        ASSERT_TRUE(WriteFileBytes(folder.File("Dockmere.ini"), SettingsFileText(settings)));
        panel = CreatePanel(&services, nest.panelParent());
        ASSERT_NE(nullptr, panel);
        list = livePanel->listView;
        tabs = livePanel->tabControl;
    }

    static void MoveIcon(HWND list, int index, int x, int y)
    {
        SendMessageA(list, LVM_SETITEMPOSITION, index, MAKELPARAM(x, y));
    }

    static void ExpectAt(HWND list, int index, int x, int y)
    {
        POINT at = ListPosition(list, index);
        EXPECT_EQ(x, at.x) << "item " << index;
        EXPECT_EQ(y, at.y) << "item " << index;
    }

    TempFolder folder;
    WindowNest nest;
    KdxHostServices services = {};
    HWND panel = nullptr;
    HWND list = nullptr;
    HWND tabs = nullptr;
};

Settings TwoPages()
{
    Settings settings;
    settings.pages = {
        {"一", {{"a", "C:\\windows\\notepad.exe", -1, 10, 10}, {"b", "C:\\windows\\regedit.exe", -1, 100, 10}}},
        {"二", {{"c", "C:\\windows\\notepad.exe", -1, 20, 30}, {"d"}}},
    };
    return settings;
}

TEST_F(PanelViewsTest, SelectPageKeepsEachPagesIconPlaces)
{
    Create(TwoPages());
    MoveIcon(list, 1, 150, 80);

    SelectPage(1);
    EXPECT_EQ(1, GetCurrentPage());
    EXPECT_EQ(1, SelectedTab(tabs));
    EXPECT_EQ((std::vector<std::string>{"一", "二"}), TabTexts(tabs));
    EXPECT_EQ((std::vector<std::string>{"c", "d"}), ListTexts(list));
    ExpectAt(list, 0, 20, 30);
    POINT stored = GetItemPosition(0, 1);
    EXPECT_EQ(150, stored.x);  // page 0's places were taken before the switch
    EXPECT_EQ(80, stored.y);
    MoveIcon(list, 0, 60, 60);

    SelectPage(0);
    EXPECT_EQ(0, SelectedTab(tabs));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ListTexts(list));
    ExpectAt(list, 0, 10, 10);
    ExpectAt(list, 1, 150, 80);
    stored = GetItemPosition(1, 0);
    EXPECT_EQ(60, stored.x);
    EXPECT_EQ(60, stored.y);
}

TEST_F(PanelViewsTest, ViewChangeKeepsImagesAndArrangesWhenTheSettingIsOn)
{
    for (int autoArrange : {1, 0}) {
        Settings settings = TwoPages();
        settings.autoArrange = autoArrange;
        Create(settings);
        const int images[] = {ListImage(list, 0), ListImage(list, 1)};
        const struct {
            int id;
            DWORD view;
        } views[] = {{10010, LVS_SMALLICON}, {10011, LVS_LIST}, {10009, LVS_ICON}};
        for (const auto& v : views) {
            SetViewStyle(v.id);
            EXPECT_EQ(v.id, launcherData.settings.viewStyle);
            DWORD expected = 0x50000204 - LVS_ICON + v.view + (autoArrange ? LVS_AUTOARRANGE : 0);
            EXPECT_EQ(expected, StyleOf(list)) << "view " << v.id << ", autoArrange " << autoArrange;
            EXPECT_EQ(images[0], ListImage(list, 0));
            EXPECT_EQ(images[1], ListImage(list, 1));
        }
        DestroyPanel(&services, panel);
        panel = nullptr;
    }
}

// What the shown list looks like once the host's message loop has painted it.
std::vector<uint32_t> ShownList(HWND list)
{
    Pump(300);
    return ScreenPixels(list);
}

TEST_F(PanelViewsTest, ChosenViewIsShownAtOnceAsAFreshPanelShowsIt)
{
    ShowWindow(nest.top(), SW_SHOWNORMAL);
    SetCursorPos(1200, 1000);  // no hot item
    Settings settings;
    settings.pages.push_back({"一", {}});
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i"})
        settings.pages[0].items.push_back({name});
    for (int id : {10011, 10010, 10009}) {
        SCOPED_TRACE(id);
        settings.viewStyle = id == 10009 ? 10011 : 10009;
        Create(settings);
        ShownList(list);
        SendMessageA(panel, WM_COMMAND, id, 0);  // as the menu sends it
        std::vector<uint32_t> changed = ShownList(list);
        DestroyPanel(&services, panel);

        settings.viewStyle = id;
        Create(settings);
        EXPECT_TRUE(ShownList(list) == changed) << "the list still shows some of the old view";
        DestroyPanel(&services, panel);
        panel = nullptr;
    }
}

// Pixels other than the list's white in a band across the middle of the list, where
// an empty page's hint is drawn and no icon of these pages lies.
int MarksAcrossTheMiddle(HWND list)
{
    std::vector<uint32_t> pixels = ShownList(list);
    RECT client;
    GetClientRect(list, &client);
    int marks = 0;
    for (int y = client.bottom / 2 - 16; y < client.bottom / 2 + 16; ++y) {
        for (int x = 0; x < client.right; ++x)
            marks += (pixels[y * client.right + x] & 0xFFFFFF) != 0xFFFFFF;
    }
    return marks;
}

TEST_F(PanelViewsTest, AnEmptyPageShowsHowToAddItemsUntilItHasOne)
{
    ShowWindow(nest.top(), SW_SHOWNORMAL);
    SetCursorPos(1200, 1000);  // no hot item
    Settings settings;
    settings.pages = {{"空", {}}, {"一", {{"a", "C:\\windows\\notepad.exe", -1, 10, 10}}}};
    Create(settings);
    EXPECT_GT(MarksAcrossTheMiddle(list), 50) << "the empty page shows no hint";
    SendMessageA(panel, WM_COMMAND, IDM_PAGE_FIRST + 1, 0);
    EXPECT_EQ(0, MarksAcrossTheMiddle(list)) << "the hint stays over a page with an item";
    // The page's last item goes: the hint comes back whole, not only where the icon was.
    LVITEMA selected = {};
    selected.stateMask = selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
    SendMessageA(panel, WM_COMMAND, IDM_DELETE, 0);
    ASSERT_EQ(0, GetItemCount(1));
    EXPECT_GT(MarksAcrossTheMiddle(list), 50) << "the emptied page shows no hint";
    ShowWindow(nest.top(), SW_HIDE);
}

TEST_F(PanelViewsTest, TabStripHiddenAndShownAgain)
{
    Create(TwoPages());
    RECT below = ChildRect(list);
    ASSERT_GT(below.top, 0);

    launcherData.settings.showTab = 0;
    ShowTabStrip(false);
    RECT top = ChildRect(list);
    EXPECT_EQ(0, top.top);
    EXPECT_EQ(200, top.bottom);
    EXPECT_EQ(0u, ExStyleOf(list) & WS_EX_STATICEDGE);
    EXPECT_EQ(0, GetWindowLongA(tabs, GWL_STYLE) & WS_VISIBLE);

    launcherData.settings.showTab = 1;
    ShowTabStrip(true);
    RECT back = ChildRect(list);
    EXPECT_EQ(below.top, back.top);
    EXPECT_EQ(200, back.bottom);
    EXPECT_NE(0u, ExStyleOf(list) & WS_EX_STATICEDGE);
    EXPECT_NE(0, GetWindowLongA(tabs, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PanelViewsTest, StoredPlacesAreAppliedCutToSixteenBits)
{
    Create(TwoPages());
    SetItemPosition(0, 0, POINT{65536 + 100, 65536 + 44});
    SetItemPosition(0, 1, POINT{-1, 30});  // half a place: the list view's own stays
    POINT before = ListPosition(list, 1);
    ApplyPositions();
    ExpectAt(list, 0, 100, 44);
    ExpectAt(list, 1, before.x, before.y);
}

TEST_F(PanelViewsTest, InsertAfterAppendAndItemsWithoutImage)
{
    Settings settings;
    settings.pages = {{"一", {{"a"}, {"b"}, {"c"}, {"d"}}}};
    Create(settings);
    LauncherItem item = {};
    item.name = L"e";
    item.imageIndex = -1;
    item.posX = item.posY = -1;
    AddItem(0, item);
    InsertListItem(-1, L"e", -1);
    EXPECT_EQ(5, ListCount(list));
    EXPECT_EQ("e", ListText(list, 4));
    EXPECT_EQ(I_IMAGENONE, ListImage(list, 4));

    InsertListItem(0, L"front", 2);
    EXPECT_EQ("front", ListText(list, 0));
    EXPECT_EQ(2, ListImage(list, 0));
}

TEST_F(PanelViewsTest, RebuildTabsSelectsTheCurrentPage)
{
    Settings settings;
    for (const char* name : {"一", "二", "三", "四", "五"})
        settings.pages.push_back({name, {}});
    Create(settings);
    SetCurrentPage(3);
    RebuildTabs();
    EXPECT_EQ(5u, TabTexts(tabs).size());
    EXPECT_EQ(3, SelectedTab(tabs));
}

TEST_F(PanelViewsTest, SelectionAndHitTests)
{
    Create(TwoPages());
    EXPECT_EQ(-1, GetSelectedItem());
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(1, GetSelectedItem());

    RECT icon = {LVIR_ICON, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&icon));
    POINT at = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ClientToScreen(list, &at);
    SetCursorPos(at.x, at.y);
    EXPECT_EQ(1, HitTestList());

    RECT client;
    GetClientRect(list, &client);
    at = {client.right - 3, client.bottom - 3};
    ClientToScreen(list, &at);
    SetCursorPos(at.x, at.y);
    EXPECT_EQ(-1, HitTestList());

    RECT tab = {};
    SendMessageA(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    at = {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
    ClientToScreen(tabs, &at);
    SetCursorPos(at.x, at.y);
    EXPECT_EQ(1, HitTestTab());
}

}  // namespace
