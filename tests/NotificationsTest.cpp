// The list view's and tab strip's notifications sent to the real panel, keys with
// the real modifier state, in-place renaming, and icons dragged with the cursor
// really placed over their targets.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/Dialogs.h"
#include "ImportHook.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"
#include "LivePanel.h"
#include "PanelResults.h"
#include "MenuReader.h"
#include "ModalDriver.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "platform/ModuleRecord.h"
#include "Texts.h"
#include "resource.h"

using wintest::LivePanel;
using wintest::ModalDriver;
using wintest::PlacedItem;
using wintest::Settings;

namespace {

std::vector<std::string> shellFiles;

// Records what would be started (on the start's worker); nothing is started.
SRWLOCK shellFilesLock = SRWLOCK_INIT;
BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOW* info)
{
    std::string file = info->lpFile ? wintest::Narrow(info->lpFile) : "";
    AcquireSRWLockExclusive(&shellFilesLock);
    shellFiles.push_back(file);
    ReleaseSRWLockExclusive(&shellFilesLock);
    info->hInstApp = reinterpret_cast<HINSTANCE>(33);
    return TRUE;
}

// What was started, once the starts' workers are done.
const std::vector<std::string>& Started()
{
    wintest::PumpUntilWorkersDone();
    return shellFiles;
}

int pickerCalls;
int WINAPI CountPicker(HWND, WCHAR*, UINT, int*)
{
    ++pickerCalls;
    return 0;
}

Settings Pages()
{
    Settings setup;
    setup.pages = {
        {"ページ &1",
         {PlacedItem("alpha", 10, 10, "C:\\windows\\notepad.exe"),
          PlacedItem("beta", 110, 10, "C:\\windows\\regedit.exe"),
          PlacedItem("gamma", 10, 110, "C:\\windows\\notepad.exe"),
          PlacedItem("delta", 110, 110, "C:\\windows\\regedit.exe")}},
        {"二", {PlacedItem("one", 20, 20)}},
        {"three", {PlacedItem("solo", 30, 30)}},
    };
    return setup;
}

class NotificationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shellFiles.clear();
        pickerCalls = 0;
        hook_.reset(new wintest::ImportHook("SHELL32.dll", "ShellExecuteExW", reinterpret_cast<void*>(RecordShellExecute)));
        ASSERT_TRUE(hook_->installed());
        iconPickerOverride = CountPicker;
    }

    void TearDown() override
    {
        // A failed test must not leave a modifier held for the next one.
        for (BYTE key : {VK_MENU, VK_CONTROL})
            keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        panel_.reset();
        hook_.reset();
        iconPickerOverride = nullptr;
    }

    void Open(const Settings& setup)
    {
        panel_.reset();  // one panel at a time: its state is module-wide
        panel_.reset(new LivePanel(setup));
        ASSERT_NE(nullptr, panel_->window());
    }

    HWND panel() const { return panel_->window(); }
    HWND list() const { return panel_->list(); }
    HWND tabs() const { return panel_->tabs(); }

    void NotifyList(UINT code, int item = -1)
    {
        NMITEMACTIVATE note = {};
        note.hdr.hwndFrom = list();
        note.hdr.idFrom = IDC_LIST_VIEW;
        note.hdr.code = code;
        note.iItem = item;
        SendMessageA(panel(), WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&note));
    }

    // The key's notification, sent while `modifier` (0: none) is really held down.
    void Key(WORD key, BYTE modifier = 0)
    {
        if (modifier)
            keybd_event(modifier, 0, 0, 0);
        NMLVKEYDOWN note = {};
        note.hdr.hwndFrom = list();
        note.hdr.idFrom = IDC_LIST_VIEW;
        note.hdr.code = LVN_KEYDOWN;
        note.wVKey = key;
        SendMessageA(panel(), WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&note));
        if (modifier)
            keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
    }

    HWND EditControl() const { return reinterpret_cast<HWND>(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0)); }

    LPARAM PanelPoint(POINT screen) const
    {
        ScreenToClient(panel(), &screen);
        return MAKELPARAM(screen.x, screen.y);
    }

    void BeginDrag(int item)
    {
        wintest::SelectListItem(list(), item);
        POINT at = wintest::ListItemCenter(list(), item);
        SetCursorPos(at.x, at.y);
        NMLISTVIEW note = {};
        note.hdr.hwndFrom = list();
        note.hdr.idFrom = IDC_LIST_VIEW;
        note.hdr.code = LVN_BEGINDRAG;
        note.iItem = item;
        SendMessageA(panel(), WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&note));
    }

    void MoveTo(POINT screen)
    {
        SetCursorPos(screen.x, screen.y);
        SendMessageA(panel(), WM_MOUSEMOVE, MK_LBUTTON, PanelPoint(screen));
    }

    void DropAt(POINT screen)
    {
        MoveTo(screen);
        SendMessageA(panel(), WM_LBUTTONUP, 0, PanelPoint(screen));
    }

    std::unique_ptr<LivePanel> panel_;
    std::unique_ptr<wintest::ImportHook> hook_;
};

bool SamePoint(POINT a, POINT b)
{
    return a.x == b.x && a.y == b.y;
}

// ---- Starting ----

TEST_F(NotificationsTest, ClickOrDoubleClickStartsTheSelectedItemBySetting)
{
    struct Case {
        int doubleClick;
        UINT code;
        bool starts;
    } cases[] = {
        {0, LVN_ITEMACTIVATE, true},
        {0, NM_DBLCLK, false},
        {1, LVN_ITEMACTIVATE, false},
        {1, NM_DBLCLK, true},
        {7, NM_DBLCLK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.doubleClick) + " " + std::to_string(static_cast<int>(c.code)));
        Settings setup = Pages();
        setup.doubleClick = c.doubleClick;
        Open(setup);
        shellFiles.clear();
        wintest::SelectListItem(list(), 1);
        NotifyList(c.code, 0);  // the notification names another item: the selection counts
        if (c.starts)
            EXPECT_EQ(std::vector<std::string>{"C:\\windows\\regedit.exe"}, Started());
        else
            EXPECT_TRUE(Started().empty());

        shellFiles.clear();
        wintest::SelectListItem(list(), -1);
        NotifyList(c.code, 0);
        EXPECT_TRUE(Started().empty());
    }
}

TEST_F(NotificationsTest, EnterStartsTheSelectedItemOnceInBothClickModes)
{
    for (int doubleClick : {0, 1}) {
        SCOPED_TRACE(doubleClick);
        Settings setup = Pages();
        setup.doubleClick = doubleClick;
        Open(setup);
        wintest::SelectListItem(list(), 2);
        shellFiles.clear();
        // The list view's own key handling: LVN_KEYDOWN, then its activation.
        SendMessageA(list(), WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_EQ(std::vector<std::string>{"C:\\windows\\notepad.exe"}, Started());
    }
}

// The tip the list view asks for while the mouse rests on an icon, cut to its buffer.
TEST_F(NotificationsTest, InfoTipsNameTheItemItsPathAndItsParameters)
{
    Open(Pages());
    SetItemParameter(0, 1, L"-m \U00020BB7");
    const std::wstring beta = L"beta\nC:\\windows\\regedit.exe\n-m \U00020BB7";
    const struct { int item, size; std::wstring tip; } cases[] = {
        {0, 80, L"alpha\nC:\\windows\\notepad.exe"}, {1, 80, beta}, {1, 33, beta.substr(0, 31)}, {4, 80, L"own"}};
    for (const auto& c : cases) {
        std::wstring buffer = L"own" + std::wstring(c.size - 3, L'\0') + L"#";  // past the buffer: stays
        NMLVGETINFOTIPW note = {{list(), IDC_LIST_VIEW, LVN_GETINFOTIPW}, 0, &buffer[0], c.size, c.item, 0, 0};
        SendMessageW(panel(), WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&note));
        EXPECT_TRUE(buffer.c_str() == c.tip && buffer.back() == L'#') << c.item << " " << c.size;
    }
}

// ---- Keys ----

enum class Outcome { None, Start, Properties, Rename, Remove, Icon };

TEST_F(NotificationsTest, EachKeyActsOnTheSelectedItemWithTheRealModifierState)
{
    struct Case {
        WORD key;
        BYTE modifier;
        Outcome outcome;
    } cases[] = {
        {VK_SPACE, 0, Outcome::Start},          {'X', 0, Outcome::Start},
        {VK_SPACE, VK_CONTROL, Outcome::Start}, {VK_SPACE, VK_MENU, Outcome::Properties},
        {'X', VK_MENU, Outcome::Properties},    {VK_F2, 0, Outcome::Rename},
        {'R', VK_CONTROL, Outcome::Rename},     {VK_DELETE, 0, Outcome::Remove},
        {'D', VK_MENU, Outcome::Remove},        {'I', 0, Outcome::Icon},
        {'P', 0, Outcome::Properties},          {VK_PRIOR, 0, Outcome::None},
        {VK_NEXT, VK_MENU, Outcome::None},      {'Q', 0, Outcome::None},
    };
    for (const Case& c : cases) {
        for (bool selected : {true, false}) {
            SCOPED_TRACE("key " + std::to_string(c.key) + " modifier " + std::to_string(c.modifier) +
                         (selected ? " selected" : " nothing selected"));
            Open(Pages());
            shellFiles.clear();
            pickerCalls = 0;
            ModalDriver driver;
            std::string dialogTitle;
            if (c.outcome == Outcome::Properties && selected)
                driver.Then([&](HWND dialog) {
                    dialogTitle = wintest::WindowText(dialog);
                    wintest::PostCommand(dialog, IDCANCEL);
                });
            wintest::SelectListItem(list(), selected ? 1 : -1);

            Key(c.key, c.modifier);

            Outcome expected = selected ? c.outcome : Outcome::None;
            EXPECT_EQ(expected == Outcome::Start ? 1u : 0u, Started().size());
            EXPECT_EQ(expected == Outcome::Properties ? "beta のプロパティ" : "", dialogTitle);
            EXPECT_EQ(expected == Outcome::Rename, EditControl() != nullptr);
            EXPECT_EQ(expected == Outcome::Remove ? 3 : 4, GetItemCount(0));
            EXPECT_EQ(expected == Outcome::Remove ? 3 : 4, wintest::ListCount(list()));
            EXPECT_EQ(expected == Outcome::Icon ? 1 : 0, pickerCalls);
            EXPECT_EQ(0, GetCurrentPage());
            EXPECT_EQ(0, driver.unexpected());
            if (expected == Outcome::Remove) {
                EXPECT_EQ(wintest::Wide("gamma"), std::wstring(GetItemName(0, 1)));
            }
            if (HWND edit = EditControl())
                SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    }
}

TEST_F(NotificationsTest, CtrlPageUpAndDownWrapAroundThePages)
{
    Open(Pages());
    struct Step {
        WORD key;
        int shows;
    } steps[] = {{VK_PRIOR, 2}, {VK_NEXT, 0}, {VK_NEXT, 1}, {VK_PRIOR, 0}, {VK_NEXT, 1}, {VK_NEXT, 2}, {VK_NEXT, 0}};
    wintest::SelectListItem(list(), -1);  // the page keys need no selection
    for (const Step& step : steps) {
        Key(step.key, VK_CONTROL);
        EXPECT_EQ(step.shows, GetCurrentPage());
        EXPECT_EQ(step.shows, wintest::SelectedTab(tabs()));
    }
}

TEST_F(NotificationsTest, SelectingATabShowsItsPageAfterStoringThePlacesLeft)
{
    Open(Pages());
    SendMessageA(list(), LVM_SETITEMPOSITION, 0, MAKELPARAM(150, 160));
    SendMessageA(tabs(), TCM_SETCURSEL, 2, 0);
    NMHDR note = {tabs(), IDC_TAB_CONTROL, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(panel(), WM_NOTIFY, IDC_TAB_CONTROL, reinterpret_cast<LPARAM>(&note));
    EXPECT_EQ(2, GetCurrentPage());
    ASSERT_EQ(1, wintest::ListCount(list()));
    EXPECT_EQ("solo", wintest::ListText(list(), 0));
    EXPECT_EQ(150, GetItemPosition(0, 0).x);
    EXPECT_EQ(160, GetItemPosition(0, 0).y);
}

// ---- Renaming in place ----

TEST_F(NotificationsTest, RenamingInPlaceStoresAndShowsTheTextUnlessCancelled)
{
    struct Case {
        std::wstring typed;
        WORD endKey;
        std::wstring stored;
    } cases[] = {
        {L"新しい名前", VK_RETURN, L"新しい名前"},
        {L"捨てる", VK_ESCAPE, L"beta"},
        // Past the 519 bytes of a profile text, and outside every code page: whole.
        {std::wstring(590, L'n'), VK_RETURN, std::wstring(590, L'n')},
        {L"Café〜한글", VK_RETURN, L"Café〜한글"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(wintest::Narrow(c.stored.substr(0, 20)));
        Open(Pages());
        const std::string title = wintest::WindowText(panel_->nest().top());
        wintest::SelectListItem(list(), 1);
        Key(VK_F2);
        HWND edit = EditControl();
        ASSERT_NE(nullptr, edit);
        EXPECT_EQ(wintest::Narrow(TEXT_RENAME_WINDOW), wintest::WindowText(panel_->nest().top()));
        EXPECT_EQ("middle", wintest::WindowText(panel_->nest().middle()));
        SetWindowTextW(edit, c.typed.c_str());
        SendMessageW(edit, WM_KEYDOWN, c.endKey, 0);
        wintest::Pump(10);
        EXPECT_EQ(nullptr, EditControl());
        EXPECT_EQ(c.stored, GetItemName(0, 1));
        EXPECT_EQ(c.stored, wintest::ListTextW(list(), 1));
        EXPECT_EQ(title, wintest::WindowText(panel_->nest().top())) << "the host's title is not back";
        // Kept across a restart: saved, and read from the file again.
        ASSERT_TRUE(SaveSettings());
        LoadSettings();
        EXPECT_EQ(c.stored, GetItemName(0, 1)) << "after the file was read again";
    }
    // An edit the focus leaves, and one open while the panel goes, give the title back too.
    for (bool destroy : {false, true}) {
        Open(Pages());
        SetWindowTextW(panel_->nest().top(), L"ブラウザ Caf\u00E9");
        wintest::SelectListItem(list(), 1);
        Key(VK_F2);
        ASSERT_NE(nullptr, EditControl());
        if (destroy)
            panel_->Destroy();
        else
            SendMessageA(list(), LVM_CANCELEDITLABEL, 0, 0);
        wintest::Pump(10);
        wchar_t title[64] = {};
        GetWindowTextW(panel_->nest().top(), title, 64);
        EXPECT_STREQ(L"ブラウザ Caf\u00E9", title) << (destroy ? "panel destroyed" : "edit cancelled");
    }
}

// Typed as the keyboard types it: SendInput with KEYEVENTF_UNICODE, through the
// host's ANSI message loop, which hands each double-byte character over in two bytes.
TEST_F(NotificationsTest, JapaneseTypedIntoTheLabelEditorIsStoredAndShownAsTyped)
{
    Open(Pages());
    ShowWindow(panel_->nest().top(), SW_SHOWNORMAL);
    for (int item : {1, 2}) {  // the second editor of a panel as well
        SCOPED_TRACE(item);
        wintest::SelectListItem(list(), item);
        Key(VK_F2);
        HWND edit = EditControl();
        ASSERT_NE(nullptr, edit);
        ASSERT_TRUE(wintest::PumpUntil([&] {
            SetForegroundWindow(panel_->nest().top());
            SetFocus(edit);
            return GetFocus() == edit && GetForegroundWindow() == panel_->nest().top();
        }));
        SendMessageA(edit, EM_SETSEL, 0, -1);
        std::vector<INPUT> keys;
        for (WCHAR character : std::wstring(L"テスト")) {
            for (DWORD up : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
                INPUT key = {};
                key.type = INPUT_KEYBOARD;
                key.ki.wScan = character;
                key.ki.dwFlags = KEYEVENTF_UNICODE | up;
                keys.push_back(key);
            }
        }
        ASSERT_EQ(keys.size(), SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)));
        wintest::PumpUntil([&] { return wintest::WindowText(edit) == "テスト"; }, 3000);
        EXPECT_EQ("テスト", wintest::WindowText(edit));
        keybd_event(VK_RETURN, 0, 0, 0);
        keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
        wintest::PumpUntil([&] { return EditControl() == nullptr; }, 3000);
        EXPECT_EQ(nullptr, EditControl());
        EXPECT_EQ(wintest::Wide("テスト"), std::wstring(GetItemName(0, item)));
        EXPECT_EQ("テスト", wintest::ListText(list(), item));
    }
    ShowWindow(panel_->nest().top(), SW_HIDE);
}

// ---- Dragging ----

TEST_F(NotificationsTest, DraggingOntoAnotherIconExchangesTheirPlaces)
{
    Open(Pages());
    HCURSOR dragCursor = LoadCursorA(moduleRecord.instance, MAKEINTRESOURCEA(IDC_DRAG_CURSOR));
    ASSERT_NE(nullptr, dragCursor);

    BeginDrag(0);
    EXPECT_TRUE(livePanel->dragging);
    EXPECT_EQ(panel(), GetCapture());
    EXPECT_EQ(dragCursor, GetCursor());

    MoveTo(wintest::ListItemCenter(list(), 0));
    EXPECT_EQ(0u, wintest::ListState(list(), 0, LVIS_DROPHILITED));  // not the icon dragged
    MoveTo(wintest::ListItemCenter(list(), 3));
    EXPECT_EQ(static_cast<UINT>(LVIS_DROPHILITED), wintest::ListState(list(), 3, LVIS_DROPHILITED));

    DropAt(wintest::ListItemCenter(list(), 3));
    EXPECT_FALSE(livePanel->dragging);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(wintest::Wide("delta"), std::wstring(GetItemName(0, 0)));
    EXPECT_EQ(wintest::Wide("alpha"), std::wstring(GetItemName(0, 3)));
    EXPECT_EQ("delta", wintest::ListText(list(), 0));
    EXPECT_EQ("alpha", wintest::ListText(list(), 3));
    EXPECT_EQ(GetItemImageIndex(0, 0), wintest::ListImage(list(), 0));
    EXPECT_EQ(GetItemImageIndex(0, 3), wintest::ListImage(list(), 3));
    EXPECT_NE(GetItemImageIndex(0, 0), GetItemImageIndex(0, 3));
    // Each stands where the other's icon stood.
    EXPECT_TRUE(SamePoint(POINT{10, 10}, wintest::ListPosition(list(), 0)));
    EXPECT_TRUE(SamePoint(POINT{110, 110}, wintest::ListPosition(list(), 3)));
    EXPECT_TRUE(SamePoint(POINT{110, 10}, wintest::ListPosition(list(), 1)));
    EXPECT_EQ(static_cast<UINT>(LVIS_FOCUSED), wintest::ListState(list(), 0, LVIS_FOCUSED));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(0u, wintest::ListState(list(), i, LVIS_DROPHILITED)) << i;
}

TEST_F(NotificationsTest, TheListViewsOwnDragStartReachesThePanel)
{
    Open(Pages());
    // Button down on an icon and a move beyond the drag distance: the list view
    // itself announces the drag, and the panel takes the mouse from there.
    POINT start = wintest::ListItemCenter(list(), 1);
    SetCursorPos(start.x, start.y);
    ScreenToClient(list(), &start);
    SendMessageA(list(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
    int away = GetSystemMetrics(SM_CXDRAG) + 5;
    SendMessageA(list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(start.x + away, start.y + away));
    ASSERT_TRUE(livePanel->dragging);
    EXPECT_EQ(panel(), GetCapture());
    EXPECT_EQ(1, livePanel->dragSource);

    DropAt(wintest::ListItemCenter(list(), 2));
    EXPECT_EQ(wintest::Wide("gamma"), std::wstring(GetItemName(0, 1)));
    EXPECT_EQ(wintest::Wide("beta"), std::wstring(GetItemName(0, 2)));
    EXPECT_TRUE(SamePoint(POINT{110, 10}, wintest::ListPosition(list(), 1)));
}

TEST_F(NotificationsTest, DraggingOntoAnotherPagesTabMovesTheItemThere)
{
    Open(Pages());
    int image = GetItemImageIndex(0, 1);
    BeginDrag(1);
    DropAt(wintest::TabCenter(tabs(), 2));

    ASSERT_EQ(3, GetItemCount(0));
    EXPECT_EQ(wintest::Wide("gamma"), std::wstring(GetItemName(0, 1)));
    ASSERT_EQ(3, wintest::ListCount(list()));
    EXPECT_EQ("gamma", wintest::ListText(list(), 1));
    ASSERT_EQ(2, GetItemCount(2));
    const LauncherItem& moved = GetItem(2, 1);
    EXPECT_EQ(wintest::Wide("beta"), std::wstring(moved.name));
    EXPECT_EQ(wintest::Wide("C:\\windows\\regedit.exe"), std::wstring(moved.path));
    EXPECT_EQ(-1, moved.posX);
    EXPECT_EQ(-1, moved.posY);
    EXPECT_EQ(image, moved.imageIndex);
    EXPECT_EQ(0, GetCurrentPage());
    EXPECT_EQ(0, wintest::SelectedTab(tabs()));

    // Page 2 not shown yet: at its first showing its own item gets an image and the
    // moved one keeps its own.
    SendMessageA(panel(), WM_COMMAND, IDM_PAGE_FIRST + 2, 0);
    EXPECT_EQ(image, wintest::ListImage(list(), 1));
    EXPECT_LE(0, wintest::ListImage(list(), 0));
    EXPECT_NE(image, wintest::ListImage(list(), 0));
    EXPECT_EQ(ImageList_GetImageCount(livePanel->largeImageList),
              ImageList_GetImageCount(livePanel->smallImageList));
}

TEST_F(NotificationsTest, DraggingToEmptySpaceMovesTheIconAsSet)
{
    struct Case {
        int grid;
        int autoArrange;
        bool tabsShown;
        POINT (*target)(HWND list, HWND tabs);
        enum { AtDrop, Snapped, BackAtStored } ends;
    } cases[] = {
        {0, 0, true, [](HWND l, HWND) { return wintest::ClientToScreenPoint(l, POINT{201, 233}); }, Case::AtDrop},
        // The page's own tab is not another page: a plain move.
        {0, 0, true, [](HWND, HWND t) { return wintest::TabCenter(t, 0); }, Case::AtDrop},
        // A hidden strip's tabs are not there to be hit.
        {0, 0, false, [](HWND, HWND t) { return wintest::TabCenter(t, 2); }, Case::AtDrop},
        {1, 0, true, [](HWND l, HWND) { return wintest::ClientToScreenPoint(l, POINT{201, 233}); }, Case::Snapped},
        {0, 1, true, [](HWND l, HWND) { return wintest::ClientToScreenPoint(l, POINT{201, 233}); }, Case::BackAtStored},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("grid " + std::to_string(c.grid) + " auto " + std::to_string(c.autoArrange) + " tabs " +
                     std::to_string(c.tabsShown));
        Settings setup = Pages();
        setup.gridArrange = c.grid;
        setup.autoArrange = c.autoArrange;
        Open(setup);
        POINT target = c.target(list(), tabs());  // taken while the strip is still laid out
        if (!c.tabsShown)
            SendMessageA(panel(), WM_COMMAND, IDM_SHOW_TABS, 0);

        BeginDrag(0);
        POINT grab;
        GetCursorPos(&grab);
        ScreenToClient(list(), &grab);
        POINT icon = wintest::ListPosition(list(), 0);
        DropAt(target);

        POINT drop = target;
        ScreenToClient(list(), &drop);
        POINT expected = {drop.x - (grab.x - icon.x), drop.y - (grab.y - icon.y)};
        POINT now = wintest::ListPosition(list(), 0);
        ASSERT_EQ(4, GetItemCount(0));
        EXPECT_EQ(1, GetItemCount(2));
        EXPECT_EQ(wintest::Wide("alpha"), std::wstring(GetItemName(0, 0)));
        if (c.ends == Case::AtDrop)
            EXPECT_TRUE(SamePoint(expected, now)) << now.x << "," << now.y;
        else if (c.ends == Case::Snapped)
            EXPECT_FALSE(SamePoint(expected, now)) << now.x << "," << now.y;
        else
            EXPECT_TRUE(SamePoint(POINT{10, 10}, now)) << now.x << "," << now.y;
    }
}

TEST_F(NotificationsTest, DropWithNothingSelectedNeitherExchangesNorMoves)
{
    Open(Pages());
    BeginDrag(0);
    wintest::SelectListItem(list(), -1);
    DropAt(wintest::ListItemCenter(list(), 3));
    EXPECT_EQ(wintest::Wide("alpha"), std::wstring(GetItemName(0, 0)));
    EXPECT_EQ(wintest::Wide("delta"), std::wstring(GetItemName(0, 3)));
    EXPECT_TRUE(SamePoint(POINT{10, 10}, wintest::ListPosition(list(), 0)));
    EXPECT_TRUE(SamePoint(POINT{110, 110}, wintest::ListPosition(list(), 3)));
    EXPECT_FALSE(livePanel->dragging);
}

TEST_F(NotificationsTest, AContextMenuAbandonsTheDrag)
{
    Open(Pages());
    BeginDrag(0);
    MoveTo(wintest::ListItemCenter(list(), 3));
    {
        wintest::MenuReader reader(panel());
        SendMessageA(panel(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel()), -1);
        EXPECT_EQ(1u, reader.shown().size());
    }
    EXPECT_FALSE(livePanel->dragging);
    EXPECT_NE(panel(), GetCapture());
    EXPECT_EQ(0u, wintest::ListState(list(), 3, LVIS_DROPHILITED));

    // The button coming up afterwards finds no drag to end.
    DropAt(wintest::ListItemCenter(list(), 3));
    EXPECT_EQ(wintest::Wide("alpha"), std::wstring(GetItemName(0, 0)));
    EXPECT_TRUE(SamePoint(POINT{10, 10}, wintest::ListPosition(list(), 0)));
}

// Alt+Tab, a prompt or a popup takes the mouse: the button comes up elsewhere. The
// drag ends as abandoned, and the saves it held back run again.
TEST_F(NotificationsTest, TakingTheCaptureAwayAbandonsTheDragAndSavesResume)
{
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, other);
    const char* const ways[] = {"SetCapture", "ReleaseCapture", "WM_CANCELMODE"};
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(ways[way]);
        Open(Pages());
        BeginDrag(0);
        MoveTo(wintest::ListItemCenter(list(), 3));
        ASSERT_EQ(static_cast<UINT>(LVIS_DROPHILITED), wintest::ListState(list(), 3, LVIS_DROPHILITED));
        if (way == 0)
            SetCapture(other);
        else if (way == 1)
            ReleaseCapture();
        else
            SendMessageA(panel(), WM_CANCELMODE, 0, 0);
        EXPECT_FALSE(livePanel->dragging);
        EXPECT_NE(panel(), GetCapture());
        EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), GetCursor());
        EXPECT_EQ(0u, wintest::ListState(list(), 3, LVIS_DROPHILITED));
        ReleaseCapture();

        // A click afterwards moves nothing.
        DropAt(wintest::ListItemCenter(list(), 3));
        EXPECT_EQ(wintest::Wide("alpha"), std::wstring(GetItemName(0, 0)));
        EXPECT_EQ(wintest::Wide("delta"), std::wstring(GetItemName(0, 3)));
        EXPECT_TRUE(SamePoint(POINT{10, 10}, wintest::ListPosition(list(), 0)));

        // A change made after it reaches the file on the save timer, the panel still open.
        SendMessageA(panel(), WM_COMMAND, IDM_NEW_PAGE, 0);
        const std::string ini = panel_->folder().File("Dockmere.ini");
        EXPECT_TRUE(wintest::PumpUntil([&] { return wintest::ProfileInt(ini, "Launcher", "PageCount") == 4; },
                                       SAVE_DELAY + 3000));
    }
    DestroyWindow(other);
}

}  // namespace

// Ctrl+Z brings removals back last first: items removed by Delete and by the menu at
// their index with every field, image and place; a page at its index with its items,
// shown; an item of a page removed after it, back on that page wherever it then is.
TEST_F(NotificationsTest, CtrlZBringsBackRemovalsLastFirstAndTheFileKeepsThem)
{
    using Texts = std::vector<std::string>;
    Open(Pages());
    const int betaImage = wintest::ListImage(list(), 1);
    wintest::SelectListItem(list(), 1);
    Key(VK_DELETE);
    wintest::SelectListItem(list(), 0);
    SendMessageA(panel(), WM_COMMAND, IDM_DELETE, 0);
    Key('Z');
    ASSERT_EQ((Texts{"gamma", "delta"}), wintest::ListTexts(list())) << "Z alone undoes nothing";
    Key('Z', VK_CONTROL);
    Key('Z', VK_CONTROL);
    EXPECT_EQ((Texts{"alpha", "beta", "gamma", "delta"}), wintest::ListTexts(list()));
    EXPECT_EQ(wintest::Wide("C:\\windows\\regedit.exe"), std::wstring(GetItem(0, 1).path));
    EXPECT_EQ(betaImage, wintest::ListImage(list(), 1));
    EXPECT_TRUE(SamePoint(POINT{110, 10}, wintest::ListPosition(list(), 1)));

    for (int id : {IDM_PAGE_FIRST + 2, IDM_DELETE, IDM_PAGE_FIRST, IDM_REMOVE_PAGE, IDM_NEW_PAGE}) {
        wintest::SelectListItem(list(), 0);
        SendMessageA(panel(), WM_COMMAND, id, 0);
    }
    ASSERT_EQ((Texts{"二", "three", "ページ &3"}), wintest::TabTexts(tabs()));
    Key('Z', VK_CONTROL);
    EXPECT_EQ((Texts{"ページ &1", "二", "three", "ページ &3"}), wintest::TabTexts(tabs()));
    EXPECT_EQ(4, wintest::ListCount(list()));
    Key('Z', VK_CONTROL);
    EXPECT_EQ(2, wintest::SelectedTab(tabs()));
    EXPECT_EQ((Texts{"solo"}), wintest::ListTexts(list()));
    EXPECT_TRUE(SamePoint(POINT{30, 30}, wintest::ListPosition(list(), 0)));

    const std::string ini = panel_->folder().File("Dockmere.ini");
    panel_->Destroy();
    EXPECT_EQ(4, wintest::ProfileInt(ini, "Launcher", "PageCount"));
    EXPECT_EQ("beta", wintest::ProfileText(ini, "Page1:Item2", "Name"));
    EXPECT_EQ(110, wintest::ProfileInt(ini, "Page1:Item2", "PosX"));
    EXPECT_EQ("solo", wintest::ProfileText(ini, "Page3:Item1", "Name"));
    EXPECT_EQ(30, wintest::ProfileInt(ini, "Page3:Item1", "PosX"));
}

// The place a removed item comes back at is the one the file would keep: on a page
// scrolled down, and on one whose places above the origin were shifted into view.
// Ctrl+Z typed on the keyboard right after a page was removed from the menu, with
// the focus where the click left it: the tab strip, or the panel's own window.
TEST_F(NotificationsTest, CtrlZBringsAPageBackWithTheFocusOnTheTabStripOrThePanel)
{
    Open(Pages());
    ShowWindow(panel_->nest().top(), SW_SHOWNORMAL);
    for (HWND focus : {tabs(), panel()}) {
        SCOPED_TRACE(focus == tabs() ? "tab strip" : "panel");
        SendMessageA(panel(), WM_COMMAND, IDM_PAGE_FIRST + 1, 0);
        SendMessageA(panel(), WM_COMMAND, IDM_REMOVE_PAGE, 0);
        ASSERT_EQ(2, GetPageCount());
        ASSERT_TRUE(wintest::PumpUntil([&] {
            SetForegroundWindow(panel_->nest().top());
            SetFocus(focus);
            return GetFocus() == focus && GetForegroundWindow() == panel_->nest().top();
        }));
        keybd_event(VK_CONTROL, 0, 0, 0);
        keybd_event('Z', 0, 0, 0);
        keybd_event('Z', 0, KEYEVENTF_KEYUP, 0);
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        wintest::PumpUntil([&] { return GetPageCount() == 3; }, 3000);
        ASSERT_EQ(3, GetPageCount());
        EXPECT_STREQ(L"二", GetPageName(1));
        EXPECT_EQ(3, TabCtrl_GetItemCount(tabs()));
    }
    ShowWindow(panel_->nest().top(), SW_HIDE);
}

TEST_F(NotificationsTest, CtrlZPutsAnItemBackAtItsPlaceOnAScrolledOrShiftedPage)
{
    Settings setup;
    setup.pages = {{"long", {}}, {"old", {}}};
    for (int i = 0; i < 60; ++i)
        setup.pages[0].items.push_back(PlacedItem(("item" + std::to_string(i)).c_str(), 10 + 60 * (i % 3), 10 + 80 * (i / 3)));
    for (int y : {-55, 40, 120})
        setup.pages[1].items.push_back(PlacedItem(("old" + std::to_string(y)).c_str(), 20, y));
    Open(setup);
    ShowWindow(panel_->nest().top(), SW_SHOWNORMAL);
    wintest::Pump(400);  // paints and the layout timer

    for (int step = 0; step < 10; ++step) {
        SendMessageA(list(), WM_VSCROLL, SB_PAGEDOWN, 0);
        wintest::Pump(5);
    }
    ASSERT_GT(GetScrollPos(list(), SB_VERT), 0);
    wintest::SelectListItem(list(), 58);
    Key(VK_DELETE);
    ASSERT_EQ(59, GetItemCount(0));
    Key('Z', VK_CONTROL);
    ASSERT_EQ(60, GetItemCount(0));

    SendMessageA(panel(), WM_COMMAND, IDM_PAGE_FIRST + 1, 0);
    wintest::SelectListItem(list(), 1);
    Key(VK_DELETE);
    Key('Z', VK_CONTROL);
    ASSERT_EQ(3, GetItemCount(1));
    EXPECT_EQ(wintest::Wide("old40"), std::wstring(GetItemName(1, 1)));

    const std::string ini = panel_->folder().File("Dockmere.ini");
    panel_->Destroy();
    ShowWindow(panel_->nest().top(), SW_HIDE);
    EXPECT_EQ("item58", wintest::ProfileText(ini, "Page1:Item59", "Name"));
    EXPECT_EQ(10 + 60 * 1, wintest::ProfileInt(ini, "Page1:Item59", "PosX"));
    EXPECT_EQ(10 + 80 * 19, wintest::ProfileInt(ini, "Page1:Item59", "PosY"));
    EXPECT_EQ(20, wintest::ProfileInt(ini, "Page2:Item2", "PosX"));
    EXPECT_EQ(40, wintest::ProfileInt(ini, "Page2:Item2", "PosY"));
    EXPECT_EQ(-55, wintest::ProfileInt(ini, "Page2:Item1", "PosY"));
}
