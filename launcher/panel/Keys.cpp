// The list view's keys: each does what an item or page command does.
#include "panel/Keys.h"

#include "data/LauncherData.h"
#include "panel/Commands.h"
#include "panel/Dialogs.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "panel/RemovalUndo.h"
#include "platform/Launch.h"

namespace {

bool KeyDown(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void RemoveSelected()
{
    int item = SelectedPageItem();
    if (item != -1)
        RemoveShownItem(item);
}

void ShowSelectedProperties()
{
    int item = SelectedPageItem();
    if (item != -1)
        ShowItemProperties(GetCurrentPage(), item);
}

void ShowNeighbourPage(int step)
{
    int count = GetPageCount();
    if (count <= 0)
        return;
    ShowPage(((GetCurrentPage() + step) % count + count) % count);
}

}  // namespace

void LaunchSelected()
{
    int item = SelectedPageItem();
    if (item != -1)
        LaunchItem(livePanel->panelWindow, GetCurrentPage(), item);
}

void HandleKey(WORD key)
{
    // Tried in this order; the first row that matches acts.
    switch (key) {
    case VK_SPACE:
    case 'X':
        if (KeyDown(VK_MENU))
            ShowSelectedProperties();
        else
            LaunchSelected();
        return;
    case VK_RETURN:
        // With single clicks the list view's own activation (LVN_ITEMACTIVATE,
        // which Enter raises too) starts the item.
        if (launcherData.settings.doubleClick != 0)
            LaunchSelected();
        return;
    case VK_F2:
    case 'R':
        if (SelectedPageItem() != -1)
            RenameItemInPlace(SelectedPageItem());
        return;
    case VK_DELETE:
    case 'D':
        RemoveSelected();
        return;
    case 'I':
        if (SelectedPageItem() != -1)
            ChangeItemIcon(SelectedPageItem());
        return;
    case 'P':
        ShowSelectedProperties();
        return;
    case VK_PRIOR:
        if (KeyDown(VK_CONTROL))
            ShowNeighbourPage(-1);
        return;
    case VK_NEXT:
        if (KeyDown(VK_CONTROL))
            ShowNeighbourPage(+1);
        return;
    case 'Z':
        if (KeyDown(VK_CONTROL))
            UndoLastRemoval();
        return;
    default:
        return;
    }
}

bool HandlePanelKey(WORD key)
{
    // These come from the key's own message: Ctrl as it was when Z went down, not as
    // it is now (the user may have let go of it before the message is handled).
    if (key != 'Z' || GetKeyState(VK_CONTROL) >= 0)
        return false;
    UndoLastRemoval();
    return true;
}
