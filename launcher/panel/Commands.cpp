// The panel's context menus and the commands they send.
#include "panel/Commands.h"

#include <commctrl.h>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/AutoSave.h"
#include "panel/Dialogs.h"
#include "panel/ItemDrag.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "panel/RemovalUndo.h"
#include "platform/Launch.h"
#include "platform/ModalHold.h"
#include "resource.h"

namespace {

struct MenuEntry {
    UINT id;  // 0: separator
    const wchar_t* text;
};

const MenuEntry kSettingsMenu[] = {
    {IDM_LARGE_ICONS, TEXT_CMD_LARGE_ICONS},
    {IDM_SMALL_ICONS, TEXT_CMD_SMALL_ICONS},
    {IDM_LIST, TEXT_CMD_LIST},
    {0, L""},
    {IDM_DOUBLE_CLICK, TEXT_CMD_DOUBLE_CLICK},
    {IDM_SHOW_TABS, TEXT_CMD_SHOW_TABS},
    {IDM_AUTO_ARRANGE, TEXT_CMD_AUTO_ARRANGE},
    {IDM_GRID_ARRANGE, TEXT_CMD_GRID_ARRANGE},
};

const MenuEntry kPageMenu[] = {
    {IDM_NEW_PAGE, TEXT_CMD_NEW_PAGE},
    {IDM_REMOVE_PAGE, TEXT_CMD_REMOVE_PAGE},
    {IDM_RENAME_PAGE, TEXT_CMD_RENAME_PAGE},
};

const MenuEntry kItemMenu[] = {
    {IDM_OPEN, TEXT_CMD_OPEN},
    {0, L""},
    {IDM_DELETE, TEXT_CMD_DELETE},
    {IDM_RENAME, TEXT_CMD_RENAME},
    {IDM_CHANGE_ICON, TEXT_CMD_CHANGE_ICON},
    {0, L""},
    {IDM_PROPERTIES, TEXT_CMD_PROPERTIES},
};

// The main menu's entries after the one entry per page.
enum class Tail { Separator, PageMenu, SettingsMenu, Command };
struct TailEntry {
    Tail kind;
    UINT id;
    const wchar_t* text;
};

const TailEntry kMainMenuTail[] = {
    {Tail::Separator, 0, L""},
    {Tail::PageMenu, 0, TEXT_MENU_PAGE},
    {Tail::Separator, 0, L""},
    {Tail::SettingsMenu, 0, TEXT_MENU_SETTINGS},
    {Tail::Separator, 0, L""},
    {Tail::Command, IDM_RUN, TEXT_CMD_RUN},
    {Tail::Separator, 0, L""},
    {Tail::Command, IDM_ABOUT, TEXT_CMD_ABOUT},
};

template <size_t N>
HMENU BuildMenu(const MenuEntry (&entries)[N])
{
    HMENU menu = CreatePopupMenu();
    for (const MenuEntry& entry : entries) {
        if (entry.id == 0)
            AppendMenuW(menu, MF_SEPARATOR, 0, entry.text);
        else
            AppendMenuW(menu, MF_STRING, entry.id, entry.text);
    }
    return menu;
}

HMENU BuildMainMenu(HMENU pageMenu, HMENU settingsMenu)
{
    HMENU menu = CreatePopupMenu();
    for (int page = 0; page < GetPageCount(); ++page)
        AppendMenuW(menu, MF_STRING, IDM_PAGE_FIRST + page, GetPageName(page));
    for (const TailEntry& entry : kMainMenuTail) {
        switch (entry.kind) {
        case Tail::Separator:
            AppendMenuW(menu, MF_SEPARATOR, 0, entry.text);
            break;
        case Tail::PageMenu:
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(pageMenu), entry.text);
            break;
        case Tail::SettingsMenu:
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(settingsMenu), entry.text);
            break;
        case Tail::Command:
            AppendMenuW(menu, MF_STRING, entry.id, entry.text);
            break;
        }
    }
    return menu;
}

void Check(HMENU menu, UINT id, int32_t setting)
{
    CheckMenuItem(menu, id, MF_BYCOMMAND | (setting != 0 ? MF_CHECKED : MF_UNCHECKED));
}

void MarkSettings(HMENU mainMenu, HMENU settingsMenu, HMENU pageMenu)
{
    const PanelSettings& settings = launcherData.settings;
    Check(settingsMenu, IDM_DOUBLE_CLICK, settings.doubleClick);
    Check(settingsMenu, IDM_SHOW_TABS, settings.showTab);
    Check(settingsMenu, IDM_AUTO_ARRANGE, settings.autoArrange);
    Check(settingsMenu, IDM_GRID_ARRANGE, settings.gridArrange);
    // A stored view outside the three leaves the group without a mark.
    if (settings.viewStyle >= IDM_LARGE_ICONS && settings.viewStyle <= IDM_LIST)
        CheckMenuRadioItem(settingsMenu, IDM_LARGE_ICONS, IDM_LIST, settings.viewStyle, MF_BYCOMMAND);
    int current = GetCurrentPage();
    if (current >= 0 && current < GetPageCount() && IDM_PAGE_FIRST + current <= IDM_PAGE_LAST)
        CheckMenuRadioItem(mainMenu, IDM_PAGE_FIRST, IDM_PAGE_LAST, IDM_PAGE_FIRST + current, MF_BYCOMMAND);
    if (GetPageCount() <= 1)
        EnableMenuItem(pageMenu, IDM_REMOVE_PAGE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
}

void Toggle(int32_t& setting)
{
    setting = setting == 0 ? 1 : 0;
    NoteChange();
}

void ChangeView(int id)
{
    if (launcherData.settings.viewStyle == id)
        return;
    // Positions laid out for one view mean nothing in another: every page starts afresh.
    const POINT none = {-1, -1};
    for (int page = 0; page < GetPageCount(); ++page)
        for (int item = 0; item < GetItemCount(page); ++item)
            SetItemPosition(page, item, none);
    SetViewStyle(id);
    NoteChange();
}

void RenamePage(HWND window)
{
    int page = GetCurrentPage();
    if (page < 0 || page >= GetPageCount())
        return;
    std::wstring name = GetPageName(page);
    DWORD generation = LiveGeneration();
    if (!AskText(window, &name, TEXT_RENAME_LABEL, TEXT_RENAME_CAPTION) || !PanelStillLives(generation)
        || page >= GetPageCount())
        return;
    SetPageName(page, name.c_str());
    RebuildTabs();
}

void RemoveCurrentPage()
{
    // The last page stays: a panel without pages has nothing to show or switch to.
    int removed = GetCurrentPage();
    if (GetPageCount() <= 1 || removed < 0 || removed >= GetPageCount())
        return;
    KeepPageRemoval(removed);
    RemovePage(removed);
    // The list still shows the removed page's icons, which now belong to no page;
    // emptied, the switch below finds no positions to store under another page.
    ClearItemList();
    ShowPage(removed == 0 ? 0 : removed - 1);
}

void RunPanelCommand(HWND window, int id)
{
    PanelSettings& settings = launcherData.settings;
    switch (id) {
    case IDM_ABOUT: {
        ModalHold hold;
        MessageBoxW(window, TEXT_ABOUT, TEXT_CAPTION, MB_OK);
        break;
    }
    case IDM_RUN:
        ShowRunDialog(livePanel->panelWindow);
        break;
    case IDM_DOUBLE_CLICK:
        Toggle(settings.doubleClick);
        break;
    case IDM_LARGE_ICONS:
    case IDM_SMALL_ICONS:
    case IDM_LIST:
        ChangeView(id);
        break;
    case IDM_NEW_PAGE:
        AddPage();
        ShowPage(GetPageCount() - 1);
        break;
    case IDM_RENAME_PAGE:
        RenamePage(window);
        break;
    case IDM_REMOVE_PAGE:
        RemoveCurrentPage();
        break;
    case IDM_SHOW_TABS:
        Toggle(settings.showTab);
        ShowTabStrip(settings.showTab != 0);
        break;
    case IDM_AUTO_ARRANGE:
        Toggle(settings.autoArrange);
        SetAutoArrange(settings.autoArrange != 0);
        break;
    case IDM_GRID_ARRANGE:
        Toggle(settings.gridArrange);
        if (settings.gridArrange != 0)
            SnapToGrid();  // once; switching it off moves nothing
        break;
    default:
        break;
    }
}

void RunItemCommand(int id)
{
    int item = SelectedPageItem();
    if (item == -1)
        return;
    int page = GetCurrentPage();
    switch (id) {
    case IDM_OPEN:
        LaunchItem(livePanel->panelWindow, page, item);
        break;
    case IDM_DELETE:
        RemoveShownItem(item);
        break;
    case IDM_RENAME:
        RenameItemInPlace(item);
        break;
    case IDM_CHANGE_ICON:
        ChangeItemIcon(item);
        break;
    case IDM_PROPERTIES:
        ShowItemProperties(page, item);
        break;
    default:
        break;
    }
}

}  // namespace

void RenameItemInPlace(int item)
{
    EditShownLabel(item);
}

void ChangeItemIcon(int item)
{
    int page = GetCurrentPage();
    std::wstring iconPath = GetItemIconPath(page, item);
    int iconIndex = GetItemIconIndex(page, item);
    DWORD generation = LiveGeneration();
    if (!PickItemIcon(&iconPath, &iconIndex) || !PanelStillLives(generation) || page >= GetPageCount()
        || item >= GetItemCount(page))
        return;
    // A new icon file's short form for the settings file is found by the icon's
    // worker; an unchanged one keeps its own.
    if (iconPath == GetItemIconPath(page, item))
        ReplaceItemIcon(page, item, iconPath.c_str(), iconIndex, GetItem(page, item).shortIconPath);
    else
        ReplaceItemIcon(page, item, iconPath.c_str(), iconIndex, {}, {iconPath});
    RefreshShownItem(page, item);
}

void ShowContextMenu(HWND owner)
{
    // A host may show the menu while it has no panel: then the main menu, whose
    // commands go to the host's window.
    if (livePanel)
        AbandonItemDrag();

    HMENU itemMenu = BuildMenu(kItemMenu);
    HMENU settingsMenu = BuildMenu(kSettingsMenu);
    HMENU pageMenu = BuildMenu(kPageMenu);
    HMENU mainMenu = BuildMainMenu(pageMenu, settingsMenu);
    MarkSettings(mainMenu, settingsMenu, pageMenu);

    POINT at;
    GetCursorPos(&at);
    HMENU menu;
    int tab = livePanel ? TabUnderCursor() : -1;
    if (tab != -1) {
        // A right click on a tab shows that page first, whatever is then chosen.
        ShowPage(tab);
        menu = pageMenu;
    } else if (livePanel && HasSelection()) {
        menu = itemMenu;
    } else {
        menu = mainMenu;
    }

    {
        ModalHold hold;
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    }

    // The page and settings menus are attached to the main menu and go with it.
    DestroyMenu(mainMenu);
    DestroyMenu(itemMenu);
}

void HandleCommand(HWND window, int id)
{
    DWORD generation = LiveGeneration();
    RunPanelCommand(window, id);
    if (!PanelStillLives(generation))
        return;  // the host destroyed the panel inside a message box the command showed

    // The main menu's page entries; only pages that exist are shown.
    if (id >= IDM_PAGE_FIRST && id <= IDM_PAGE_LAST)
        ShowPage(id - IDM_PAGE_FIRST);

    RunItemCommand(id);
}
