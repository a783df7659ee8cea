// The context menus read while they are open, and the commands sent to the real
// panel as WM_COMMAND.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "panel/Commands.h"
#include "panel/Dialogs.h"
#include "ImportHook.h"
#include "data/LauncherData.h"
#include "LivePanel.h"
#include "PanelResults.h"
#include "MenuReader.h"
#include "ModalDriver.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "Texts.h"
#include "resource.h"

using wintest::LivePanel;
using wintest::MenuEntryView;
using wintest::MenuReader;
using wintest::ModalDriver;
using wintest::PlacedItem;
using wintest::Settings;

namespace {

std::vector<std::string> shellFiles;
SRWLOCK shellFilesLock = SRWLOCK_INIT;
DWORD mainThread = GetCurrentThreadId();
wintest::ImportHook* shellHook;

// Records what would be started (on the start's worker); nothing is started.
BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOW* info)
{
    std::string file = info->lpFile ? wintest::Narrow(info->lpFile) : "";
    PostThreadMessageA(mainThread, WM_NULL, 0, 0);
    AcquireSRWLockExclusive(&shellFilesLock);
    shellFiles.push_back(file);
    ReleaseSRWLockExclusive(&shellFilesLock);
    info->hInstApp = reinterpret_cast<HINSTANCE>(33);
    return TRUE;
}

std::vector<std::string> pickerPaths;
int WINAPI PickSecondIcon(HWND, WCHAR* path, UINT size, int* index)
{
    char narrow[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr);
    pickerPaths.push_back(narrow);
    lstrcpynW(path, L"C:\\windows\\system32\\shell32.dll", size);
    *index = 3;
    return 1;
}

Settings ThreePages()
{
    Settings setup;
    setup.pages = {
        {"ページ &1", {PlacedItem("alpha", 10, 10), PlacedItem("beta", 100, 10), PlacedItem("gamma", 10, 100)}},
        {"二ページ", {PlacedItem("one", 20, 40), PlacedItem("two", 130, 40)}},
        {"three", {PlacedItem("solo", 60, 70)}},
    };
    return setup;
}

POINT StoredPosition(int page, int item)
{
    return GetItemPosition(page, item);
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shellFiles.clear();
        pickerPaths.clear();
        hook_ = new wintest::ImportHook("SHELL32.dll", "ShellExecuteExW", reinterpret_cast<void*>(RecordShellExecute));
        shellHook = hook_;
        ASSERT_TRUE(hook_->installed());
    }

    void TearDown() override
    {
        panel_.reset();
        delete hook_;
        iconPickerOverride = nullptr;
    }

    void Open(const Settings& setup)
    {
        panel_.reset();  // one panel at a time: its state is module-wide
        panel_.reset(new LivePanel(setup));
        ASSERT_NE(nullptr, panel_->window());
    }

    void Command(int id) { SendMessageA(panel_->window(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // A point of the list view that no icon covers.
    POINT EmptyListPoint() { return wintest::ClientToScreenPoint(panel_->list(), POINT{260, 300}); }

    // Right click at `at`; returns the menu that was shown (closed again at once).
    std::vector<MenuEntryView> ContextMenuAt(POINT at)
    {
        MenuReader reader(panel_->window());
        SetCursorPos(at.x, at.y);
        SendMessageA(panel_->window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel_->window()),
                     MAKELPARAM(at.x, at.y));
        EXPECT_EQ(1u, reader.shown().size());
        return reader.shown().empty() ? std::vector<MenuEntryView>() : reader.shown().front();
    }

    std::unique_ptr<LivePanel> panel_;
    wintest::ImportHook* hook_ = nullptr;
};

// The menu is read back in the test's code page (932); the module's own texts are
// UTF-16, the pages' names narrow literals.
struct EntryExpectation {
    EntryExpectation(UINT id, const char* text) : id(id), text(text) {}
    EntryExpectation(UINT id, const wchar_t* text) : id(id), text(wintest::Narrow(text)) {}
    UINT id;  // 0: separator (empty text) or submenu
    std::string text;
};

void ExpectEntries(const std::vector<MenuEntryView>& menu, const std::vector<EntryExpectation>& expected)
{
    ASSERT_EQ(expected.size(), menu.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(expected[i].text, menu[i].text);
        // A submenu entry's id is its menu handle; only commands carry ids.
        bool submenu = expected[i].id == 0 && expected[i].text[0] != '\0';
        EXPECT_EQ(submenu, menu[i].hasSubmenu);
        EXPECT_EQ(expected[i].id == 0 && !submenu, menu[i].separator);
        if (!submenu) {
            EXPECT_EQ(expected[i].id, menu[i].id);
        }
    }
}

const std::vector<EntryExpectation> kSettingsEntries = {
    {IDM_LARGE_ICONS, TEXT_CMD_LARGE_ICONS}, {IDM_SMALL_ICONS, TEXT_CMD_SMALL_ICONS}, {IDM_LIST, TEXT_CMD_LIST},
    {0, ""}, {IDM_DOUBLE_CLICK, TEXT_CMD_DOUBLE_CLICK}, {IDM_SHOW_TABS, TEXT_CMD_SHOW_TABS},
    {IDM_AUTO_ARRANGE, TEXT_CMD_AUTO_ARRANGE}, {IDM_GRID_ARRANGE, TEXT_CMD_GRID_ARRANGE},
};
const std::vector<EntryExpectation> kPageEntries = {
    {IDM_NEW_PAGE, TEXT_CMD_NEW_PAGE}, {IDM_REMOVE_PAGE, TEXT_CMD_REMOVE_PAGE}, {IDM_RENAME_PAGE, TEXT_CMD_RENAME_PAGE},
};
const std::vector<EntryExpectation> kItemEntries = {
    {IDM_OPEN, TEXT_CMD_OPEN}, {0, ""}, {IDM_DELETE, TEXT_CMD_DELETE}, {IDM_RENAME, TEXT_CMD_RENAME},
    {IDM_CHANGE_ICON, TEXT_CMD_CHANGE_ICON}, {0, ""}, {IDM_PROPERTIES, TEXT_CMD_PROPERTIES},
};

// The strip's own visibility: the test windows themselves stay hidden.
bool TabStripShown()
{
    return (GetWindowLongA(livePanel->tabControl, GWL_STYLE) & WS_VISIBLE) != 0;
}

const MenuEntryView* Find(const std::vector<MenuEntryView>& menu, UINT id)
{
    for (const MenuEntryView& entry : menu) {
        if (entry.id == id && !entry.hasSubmenu)
            return &entry;
        if (const MenuEntryView* inner = Find(entry.submenu, id))
            return inner;
    }
    return nullptr;
}

// ---- Menus ----

TEST_F(CommandsTest, MainMenuListsThePagesFirstWithTheShownOneMarked)
{
    Open(ThreePages());
    Command(IDM_PAGE_FIRST + 1);
    std::vector<MenuEntryView> menu = ContextMenuAt(EmptyListPoint());

    ExpectEntries(menu, {{IDM_PAGE_FIRST, "ページ &1"}, {IDM_PAGE_FIRST + 1, "二ページ"}, {IDM_PAGE_FIRST + 2, "three"},
                         {0, ""}, {0, TEXT_MENU_PAGE}, {0, ""}, {0, TEXT_MENU_SETTINGS}, {0, ""},
                         {IDM_RUN, TEXT_CMD_RUN}, {0, ""}, {IDM_ABOUT, TEXT_CMD_ABOUT}});
    ASSERT_EQ(11u, menu.size());
    for (int page = 0; page < 3; ++page) {
        EXPECT_EQ(page == 1, menu[page].checked) << page;
        EXPECT_EQ(page == 1, menu[page].radio) << page;
    }
    ExpectEntries(menu[4].submenu, kPageEntries);
    ExpectEntries(menu[6].submenu, kSettingsEntries);
    // Every entry is enabled, the item commands' absence notwithstanding.
    for (const MenuEntryView& entry : menu[4].submenu)
        EXPECT_FALSE(entry.grayed) << entry.text;
}

TEST_F(CommandsTest, SettingsEntriesCarryTheCurrentMarks)
{
    Open(ThreePages());
    struct Case {
        PanelSettings settings;
        UINT radio;  // 0: none
    } cases[] = {
        {{1, 1, IDM_LARGE_ICONS, 1, 1}, IDM_LARGE_ICONS},
        {{0, 0, IDM_SMALL_ICONS, 0, 0}, IDM_SMALL_ICONS},
        {{1, 0, IDM_LIST, 1, 0}, IDM_LIST},
        {{0, 1, 12345, 0, 1}, 0},  // a stored view outside the three: no mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("view " + std::to_string(c.settings.viewStyle));
        launcherData.settings = c.settings;
        std::vector<MenuEntryView> menu = ContextMenuAt(EmptyListPoint());
        ASSERT_EQ(11u, menu.size());
        const std::vector<MenuEntryView>& settings = menu[6].submenu;
        ASSERT_EQ(8u, settings.size());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(settings[i].id == c.radio, settings[i].checked) << settings[i].text;
            if (settings[i].id == c.radio) {
                EXPECT_TRUE(settings[i].radio);
            }
        }
        EXPECT_EQ(c.settings.doubleClick != 0, settings[4].checked);
        EXPECT_EQ(c.settings.showTab != 0, settings[5].checked);
        EXPECT_EQ(c.settings.autoArrange != 0, settings[6].checked);
        EXPECT_EQ(c.settings.gridArrange != 0, settings[7].checked);
    }
}

TEST_F(CommandsTest, RemovePageIsGreyedOnlyWithOnePage)
{
    Settings setup = ThreePages();
    setup.pages.resize(1);
    Open(setup);
    std::vector<MenuEntryView> menu = ContextMenuAt(EmptyListPoint());
    const MenuEntryView* remove = Find(menu, IDM_REMOVE_PAGE);
    ASSERT_NE(nullptr, remove);
    EXPECT_TRUE(remove->grayed);
    EXPECT_TRUE(remove->disabled);

    Command(IDM_NEW_PAGE);
    remove = Find(menu = ContextMenuAt(EmptyListPoint()), IDM_REMOVE_PAGE);
    ASSERT_NE(nullptr, remove);
    EXPECT_FALSE(remove->grayed);
}

TEST_F(CommandsTest, SelectionChoosesTheItemMenuWhereverTheClickFalls)
{
    Open(ThreePages());
    wintest::SelectListItem(panel_->list(), 1);
    ExpectEntries(ContextMenuAt(EmptyListPoint()), kItemEntries);
    wintest::SelectListItem(panel_->list(), -1);
    EXPECT_EQ(11u, ContextMenuAt(wintest::ListItemCenter(panel_->list(), 1)).size());  // main menu
}

TEST_F(CommandsTest, RightClickOnATabShowsItsPageAndThePageMenu)
{
    Open(ThreePages());
    wintest::SelectListItem(panel_->list(), 0);
    ExpectEntries(ContextMenuAt(wintest::TabCenter(panel_->tabs(), 2)), kPageEntries);
    // The switch stays although the menu was dismissed.
    EXPECT_EQ(2, GetCurrentPage());
    EXPECT_EQ(2, wintest::SelectedTab(panel_->tabs()));
    ASSERT_EQ(1, wintest::ListCount(panel_->list()));
    EXPECT_EQ("solo", wintest::ListText(panel_->list(), 0));
}

TEST_F(CommandsTest, HiddenTabStripIsNotHitByARightClick)
{
    Open(ThreePages());
    POINT tab = wintest::TabCenter(panel_->tabs(), 2);
    Command(IDM_SHOW_TABS);
    ASSERT_FALSE(TabStripShown());
    EXPECT_EQ(11u, ContextMenuAt(tab).size());  // main menu
    EXPECT_EQ(0, GetCurrentPage());
}

TEST_F(CommandsTest, PanelMenuSendsItsCommandToTheHostWindow)
{
    Open(ThreePages());
    ModalDriver driver;
    HWND host = panel_->nest().top();
    MenuReader reader(host);
    reader.PassCommands(false);
    // Up from no selection lands on the last entry, the about command.
    reader.OnOpen([host] {
        PostMessageA(host, WM_KEYDOWN, VK_UP, 0);
        PostMessageA(host, WM_KEYDOWN, VK_RETURN, 0);
    });
    SetCursorPos(EmptyListPoint().x, EmptyListPoint().y);
    EXPECT_EQ(0, ShowPanelMenu(0, host, 0, 0));
    wintest::Pump(50);
    ASSERT_EQ(1u, reader.shown().size());
    EXPECT_EQ(11u, reader.shown()[0].size());
    EXPECT_EQ(std::vector<WORD>{IDM_ABOUT}, reader.commands());
    EXPECT_EQ(0, driver.unexpected());  // the panel itself showed no about box
}

// ---- Page commands ----

TEST_F(CommandsTest, NewPageIsNamedAfterItsNumberAndShown)
{
    Settings setup = ThreePages();
    setup.pages.push_back({"four", {}});
    Open(setup);
    Command(IDM_NEW_PAGE);
    ASSERT_EQ(5, GetPageCount());
    EXPECT_EQ(wintest::Wide("ページ &5"), std::wstring(GetPageName(4)));
    EXPECT_EQ(4, GetCurrentPage());
    EXPECT_EQ(5, static_cast<int>(wintest::TabTexts(panel_->tabs()).size()));
    EXPECT_EQ("ページ &5", wintest::TabTexts(panel_->tabs())[4]);
    EXPECT_EQ(4, wintest::SelectedTab(panel_->tabs()));
    EXPECT_EQ(0, wintest::ListCount(panel_->list()));
}

TEST_F(CommandsTest, RemovingThePageShownShowsItsNeighbourAndStoresNoPositionsAcross)
{
    struct Case {
        int shown;
        std::vector<std::string> namesLeft;
        int showsAfter;
        std::vector<std::string> items;
    } cases[] = {
        {0, {"二ページ", "three"}, 0, {"one", "two"}},
        {1, {"ページ &1", "three"}, 0, {"alpha", "beta", "gamma"}},
        {2, {"ページ &1", "二ページ"}, 1, {"one", "two"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("removing page " + std::to_string(c.shown));
        Open(ThreePages());
        Command(IDM_PAGE_FIRST + c.shown);
        // Icons of the page to be removed stand somewhere the others never stood.
        for (int i = 0; i < wintest::ListCount(panel_->list()); ++i)
            SendMessageA(panel_->list(), LVM_SETITEMPOSITION, i, MAKELPARAM(200 + i, 250));

        Command(IDM_REMOVE_PAGE);
        ASSERT_EQ(2, GetPageCount());
        EXPECT_EQ(wintest::Wide(c.namesLeft[0].c_str()), std::wstring(GetPageName(0)));
        EXPECT_EQ(wintest::Wide(c.namesLeft[1].c_str()), std::wstring(GetPageName(1)));
        EXPECT_EQ(c.showsAfter, GetCurrentPage());
        EXPECT_EQ(c.showsAfter, wintest::SelectedTab(panel_->tabs()));
        EXPECT_EQ(2, static_cast<int>(wintest::TabTexts(panel_->tabs()).size()));
        ASSERT_EQ(static_cast<int>(c.items.size()), wintest::ListCount(panel_->list()));
        for (size_t i = 0; i < c.items.size(); ++i)
            EXPECT_EQ(c.items[i], wintest::ListText(panel_->list(), static_cast<int>(i)));
        for (int page = 0; page < 2; ++page)
            for (int item = 0; item < GetItemCount(page); ++item)
                EXPECT_NE(250, StoredPosition(page, item).y) << page << ":" << item;
    }
}

TEST_F(CommandsTest, RemovingTheOnlyPageDoesNothing)
{
    Settings setup = ThreePages();
    setup.pages.resize(1);
    Open(setup);
    Command(IDM_REMOVE_PAGE);
    ASSERT_EQ(1, GetPageCount());
    EXPECT_EQ(3, GetItemCount(0));
    EXPECT_EQ(3, wintest::ListCount(panel_->list()));
    EXPECT_EQ(1, static_cast<int>(wintest::TabTexts(panel_->tabs()).size()));
}

TEST_F(CommandsTest, PageIdsThatNameNoPageShowNothing)
{
    Open(ThreePages());
    Command(IDM_PAGE_FIRST + 1);
    for (int id : {IDM_PAGE_FIRST + 3, IDM_PAGE_FIRST + 5, IDM_PAGE_LAST, IDM_PAGE_LAST + 1, IDM_PAGE_FIRST - 1}) {
        SCOPED_TRACE(id);
        Command(id);
        EXPECT_EQ(1, GetCurrentPage());
        EXPECT_EQ(2, wintest::ListCount(panel_->list()));
        EXPECT_EQ(3, GetPageCount());
    }
}

TEST_F(CommandsTest, RenamingThePageTakesThePromptsTextOnlyOnOk)
{
    Open(ThreePages());
    ModalDriver driver;
    std::string caption, initial;
    driver.Then([&](HWND dialog) {
        caption = wintest::WindowText(dialog);
        initial = wintest::ItemText(dialog, IDC_PROMPT_TEXT);
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, "仕事");
        wintest::PostCommand(dialog, IDCANCEL);
    });
    Command(IDM_RENAME_PAGE);
    EXPECT_EQ(wintest::Narrow(TEXT_RENAME_CAPTION), caption);
    EXPECT_EQ("ページ &1", initial);
    EXPECT_EQ(wintest::Wide("ページ &1"), std::wstring(GetPageName(0)));

    driver.Then([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, "仕事");
        wintest::PostCommand(dialog, IDOK);
    });
    Command(IDM_RENAME_PAGE);
    EXPECT_EQ(wintest::Wide("仕事"), std::wstring(GetPageName(0)));
    EXPECT_EQ("仕事", wintest::TabTexts(panel_->tabs())[0]);
    EXPECT_EQ(0, driver.unexpected());
}

// ---- Views and toggles ----

TEST_F(CommandsTest, ChangingTheViewForgetsThePositionsOfEveryPage)
{
    Open(ThreePages());
    Command(IDM_LARGE_ICONS);  // the view already shown
    EXPECT_EQ(100, StoredPosition(0, 1).x);
    EXPECT_EQ(130, StoredPosition(1, 1).x);

    Command(IDM_SMALL_ICONS);
    EXPECT_EQ(IDM_SMALL_ICONS, launcherData.settings.viewStyle);
    EXPECT_EQ(static_cast<LONG>(LVS_SMALLICON), GetWindowLongA(panel_->list(), GWL_STYLE) & LVS_TYPEMASK);
    for (int page = 0; page < GetPageCount(); ++page)
        for (int item = 0; item < GetItemCount(page); ++item) {
            EXPECT_EQ(-1, StoredPosition(page, item).x) << page << ":" << item;
            EXPECT_EQ(-1, StoredPosition(page, item).y) << page << ":" << item;
        }
}

TEST_F(CommandsTest, TogglesFlipTheirSettingAndTheViews)
{
    Open(ThreePages());
    Command(IDM_DOUBLE_CLICK);
    EXPECT_EQ(0, launcherData.settings.doubleClick);
    Command(IDM_DOUBLE_CLICK);
    EXPECT_EQ(1, launcherData.settings.doubleClick);

    Command(IDM_SHOW_TABS);
    EXPECT_EQ(0, launcherData.settings.showTab);
    EXPECT_FALSE(TabStripShown());
    Command(IDM_SHOW_TABS);
    EXPECT_EQ(1, launcherData.settings.showTab);
    EXPECT_TRUE(TabStripShown());

    Command(IDM_AUTO_ARRANGE);
    EXPECT_EQ(1, launcherData.settings.autoArrange);
    EXPECT_TRUE(GetWindowLongA(panel_->list(), GWL_STYLE) & LVS_AUTOARRANGE);
    Command(IDM_AUTO_ARRANGE);
    EXPECT_EQ(0, launcherData.settings.autoArrange);
    EXPECT_FALSE(GetWindowLongA(panel_->list(), GWL_STYLE) & LVS_AUTOARRANGE);
}

TEST_F(CommandsTest, GridSnapsOnceWhenSwitchedOnAndNotWhenSwitchedOff)
{
    Open(ThreePages());
    HWND list = panel_->list();
    SendMessageA(list, LVM_SETITEMPOSITION, 0, MAKELPARAM(173, 151));
    Command(IDM_GRID_ARRANGE);
    EXPECT_EQ(1, launcherData.settings.gridArrange);
    POINT snapped = wintest::ListPosition(list, 0);
    EXPECT_FALSE(snapped.x == 173 && snapped.y == 151);

    SendMessageA(list, LVM_SETITEMPOSITION, 0, MAKELPARAM(173, 151));
    Command(IDM_GRID_ARRANGE);
    EXPECT_EQ(0, launcherData.settings.gridArrange);
    EXPECT_EQ(173, wintest::ListPosition(list, 0).x);
    EXPECT_EQ(151, wintest::ListPosition(list, 0).y);
}

TEST_F(CommandsTest, AboutBoxShowsNameAndVersionWithOneOkButton)
{
    Open(ThreePages());
    ModalDriver driver;
    std::string caption, text;
    HWND owner = nullptr;
    std::vector<int> buttons;
    driver.Then([&](HWND box) {
        caption = wintest::WindowText(box);
        text = wintest::ItemText(box, 0xFFFF);
        owner = GetWindow(box, GW_OWNER);
        for (int id = IDOK; id <= IDCONTINUE; ++id)
            if (HWND button = GetDlgItem(box, id))
                if (IsWindowVisible(button))
                    buttons.push_back(id);
        wintest::PostCommand(box, IDOK);
    });
    Command(IDM_ABOUT);
    EXPECT_EQ(1, driver.answered());
    EXPECT_EQ("Dockmere", caption);
    EXPECT_EQ("Dockmere  v1.5", text);
    EXPECT_EQ(std::vector<int>{IDOK}, buttons);
    // A child window cannot own a window: the box belongs to the panel's top-level window.
    EXPECT_EQ(panel_->nest().top(), owner);
}

// ---- Item commands ----

TEST_F(CommandsTest, ItemCommandsActOnTheSelectedItemOnly)
{
    Open(ThreePages());
    ModalDriver driver;
    iconPickerOverride = PickSecondIcon;
    HWND list = panel_->list();

    for (int id : {IDM_OPEN, IDM_DELETE, IDM_RENAME, IDM_CHANGE_ICON, IDM_PROPERTIES}) {
        SCOPED_TRACE(id);
        wintest::SelectListItem(list, -1);
        Command(id);
        wintest::PumpUntilWorkersDone();
        EXPECT_TRUE(shellFiles.empty());
        EXPECT_EQ(3, GetItemCount(0));
        EXPECT_EQ(nullptr, reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0)));
        EXPECT_TRUE(pickerPaths.empty());
        EXPECT_EQ(0, driver.unexpected() + driver.answered());
    }

    wintest::SelectListItem(list, 1);
    Command(IDM_OPEN);
    wintest::PumpUntilWorkersDone();
    EXPECT_EQ(std::vector<std::string>{"C:\\windows\\notepad.exe"}, shellFiles);

    std::string title;
    driver.Then([&](HWND dialog) {
        title = wintest::WindowText(dialog);
        wintest::PostCommand(dialog, IDCANCEL);
    });
    Command(IDM_PROPERTIES);
    EXPECT_EQ("beta のプロパティ", title);

    Command(IDM_CHANGE_ICON);
    EXPECT_EQ(std::vector<std::string>{"C:\\windows\\notepad.exe"}, pickerPaths);
    EXPECT_EQ(wintest::Wide("C:\\windows\\system32\\shell32.dll"), std::wstring(GetItemIconPath(0, 1)));
    EXPECT_EQ(3, GetItemIconIndex(0, 1));
    EXPECT_EQ(GetItemImageIndex(0, 1), wintest::ListImage(list, 1));

    Command(IDM_RENAME);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ("beta", wintest::WindowText(edit));
    SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);

    Command(IDM_DELETE);
    ASSERT_EQ(2, GetItemCount(0));
    EXPECT_EQ(wintest::Wide("gamma"), std::wstring(GetItemName(0, 1)));
    ASSERT_EQ(2, wintest::ListCount(list));
    EXPECT_EQ("gamma", wintest::ListText(list, 1));
    EXPECT_EQ(0, driver.unexpected());
}

TEST_F(CommandsTest, PropertiesShowTheNewNameInTheListAtOnce)
{
    Open(ThreePages());
    ModalDriver driver;
    driver.Then([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_ITEM_NAME, "改名");
        wintest::PostCommand(dialog, IDOK);
    });
    wintest::SelectListItem(panel_->list(), 2);
    Command(IDM_PROPERTIES);
    EXPECT_EQ(wintest::Wide("改名"), std::wstring(GetItemName(0, 2)));
    EXPECT_EQ("改名", wintest::ListText(panel_->list(), 2));
}

}  // namespace

namespace {

// Replacements of Dockmere.ini and of its backup tried by the save's rename.
int iniReplacements;
int backupReplacements;
wintest::ImportHook* moveHook;

BOOL WINAPI CountReplacement(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    ++(wcsstr(to, L".ini.bak") ? backupReplacements : iniReplacements);
    return reinterpret_cast<decltype(&MoveFileExW)>(moveHook->original())(from, to, flags);
}

}  // namespace

// Changes of several kinds, each before the delay of the one before ran out, are one
// save after the last, which first keeps the file as loaded as the backup. A save
// refused at its time (the file held) is tried again a moment later. Destroy saves
// at once, and nothing is saved after it.
TEST_F(CommandsTest, ChangesAreSavedOnceAfterTheLastWithTheLoadedFileKeptFirst)
{
    iniReplacements = backupReplacements = 0;
    wintest::ImportHook hook("KERNEL32.dll", "MoveFileExW", reinterpret_cast<void*>(CountReplacement));
    moveHook = &hook;
    Open(ThreePages());
    const std::string ini = panel_->folder().File("Dockmere.ini");
    for (int id : {IDM_DOUBLE_CLICK, IDM_NEW_PAGE, IDM_PAGE_FIRST, IDM_DELETE}) {
        wintest::SelectListItem(panel_->list(), 1);
        Command(id);
        wintest::Pump(600);
    }
    wintest::Pump(600);
    EXPECT_EQ(0, iniReplacements) << "saved before the delay after the last change";
    EXPECT_TRUE(wintest::PumpUntil([] { return iniReplacements > 0; }, 5000));
    wintest::Pump(2500);
    EXPECT_EQ(1, iniReplacements);
    EXPECT_EQ(4, wintest::ProfileInt(ini, "Launcher", "PageCount"));
    EXPECT_EQ("gamma", wintest::ProfileText(ini, "Page1:Item2", "Name"));
    // Back to the first page and on again: places stored, bytes the same, nothing written.
    Command(IDM_PAGE_FIRST + 1);
    Command(IDM_PAGE_FIRST);
    wintest::Pump(2500);
    EXPECT_EQ(1, iniReplacements) << "a save with the file's own bytes wrote it";

    HANDLE holder = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Command(IDM_DOUBLE_CLICK);
    EXPECT_TRUE(wintest::PumpUntil([] { return iniReplacements >= 3; }, 6000));
    CloseHandle(holder);
    EXPECT_TRUE(wintest::PumpUntil([&] { return wintest::ProfileInt(ini, "Launcher", "DoubleClick") == 1; }, 3000));

    // A file that cannot be written (its temporary name taken by a folder) is told
    // of once, after the tries, with its path; a later change tells nothing again.
    {
        ModalDriver driver;
        std::string told;
        driver.Then([&](HWND box) {
            told = wintest::ItemText(box, 0xFFFF);
            wintest::PostCommand(box, IDOK);
        });
        ASSERT_TRUE(CreateDirectoryA((ini + ".tmp").c_str(), nullptr));
        Command(IDM_DOUBLE_CLICK);
        EXPECT_TRUE(wintest::PumpUntil([&] { return driver.answered() == 1; }, 8000));
        EXPECT_NE(std::string::npos, told.find(ini)) << told;
        Command(IDM_DOUBLE_CLICK);
        wintest::Pump(4000);
        EXPECT_EQ(0, driver.unexpected());
        RemoveDirectoryA((ini + ".tmp").c_str());
    }

    Command(IDM_DOUBLE_CLICK);
    panel_->Destroy();
    int saves = iniReplacements;
    wintest::Pump(2500);
    EXPECT_EQ(saves, iniReplacements) << "a scheduled save ran after destroy";
    EXPECT_EQ(0, wintest::ProfileInt(ini, "Launcher", "DoubleClick"));
    EXPECT_EQ(1, backupReplacements) << "one backup per panel";
}
