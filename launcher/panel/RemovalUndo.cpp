#include "panel/RemovalUndo.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "data/LauncherData.h"
#include "panel/Panel.h"
#include "panel/PanelViews.h"

namespace {

// An item names its page by the page's serial, not its index: pages removed,
// added or brought back meanwhile move indexes, and an item must never come back
// on another page. Undone last-first, a page removed after one of its items comes
// back before that item does.
struct Removal {
    bool isPage;
    int index;           // the page's or the item's index when it was removed
    uint32_t pageSerial;  // an item's page
    LauncherItem item;
    LauncherPage page;
};

std::vector<Removal> removals;
uint32_t lastSerial = 0;

uint32_t SerialOf(int page)
{
    uint32_t& serial = launcherData.pages[page].serial;
    if (serial == 0)
        serial = ++lastSerial;
    return serial;
}

int PageWithSerial(uint32_t serial)
{
    for (int page = 0; page < GetPageCount(); ++page) {
        if (launcherData.pages[page].serial == serial)
            return page;
    }
    return -1;
}

void SelectOnly(int index)
{
    ListView_SetItemState(panelState.listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(panelState.listView, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(panelState.listView, LVM_ENSUREVISIBLE, index, FALSE);
}

bool UndoItem(const Removal& removal)
{
    int page = PageWithSerial(removal.pageSerial);
    if (page == -1)
        return false;
    int index = std::min(removal.index, GetItemCount(page));
    bool shown = page == GetCurrentPage();
    // The shown page's places are taken before its indexes move.
    if (shown)
        SavePositions();
    InsertItem(page, index, removal.item);
    if (shown) {
        FillItemList(-1);
        ApplyPositions();
    } else {
        SelectPage(page);
    }
    SelectOnly(index);
    return true;
}

void UndoPage(const Removal& removal)
{
    int index = std::min(removal.index, GetPageCount());
    int current = GetCurrentPage();
    InsertPage(index, removal.page);
    // The shown page moved up one: the switch stores its places under its new index.
    if (current >= index)
        SetCurrentPage(current + 1);
    SelectPage(index);
}

}  // namespace

void ForgetRemovals()
{
    std::vector<Removal>().swap(removals);
}

void RemoveShownItem(int item)
{
    int page = GetCurrentPage();
    if (item < 0 || page < 0 || page >= GetPageCount() || item >= GetItemCount(page))
        return;
    Removal removal = {};
    removal.isPage = false;
    removal.index = item;
    removal.pageSerial = SerialOf(page);
    CopyItem(&removal.item, page, item);
    // Its place as the list shows it now, which may be newer than the stored one.
    POINT place;
    if (SendMessageA(panelState.listView, LVM_GETITEMPOSITION, item, reinterpret_cast<LPARAM>(&place))) {
        removal.item.posX = place.x;
        removal.item.posY = place.y;
    }
    removals.push_back(removal);
    RemoveItem(page, item);
    SendMessageA(panelState.listView, LVM_DELETEITEM, item, 0);
}

void KeepPageRemoval(int page)
{
    if (page < 0 || page >= GetPageCount())
        return;
    if (page == GetCurrentPage())
        SavePositions();
    Removal removal = {};
    removal.isPage = true;
    removal.index = page;
    removal.page = launcherData.pages[page];
    removals.push_back(removal);
}

bool UndoLastRemoval()
{
    // A record that finds no page to go back to is dropped, never put elsewhere.
    while (!removals.empty()) {
        Removal removal = std::move(removals.back());
        removals.pop_back();
        if (removal.isPage) {
            UndoPage(removal);
            return true;
        }
        if (UndoItem(removal))
            return true;
    }
    return false;
}
