#include "panel/RemovalUndo.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"

namespace {

// Undone last-first (the panel record's removals), a page removed after one of its
// items comes back before that item does.

uint32_t SerialOf(int page)
{
    uint32_t& serial = launcherData.pages[page].serial;
    if (serial == 0)
        serial = ++livePanel->lastSerial;
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


namespace {

// Ctrl+Z keeps at most this many removals; the oldest go first. A page removal
// holds its whole page, so the bound is on the records, not on their size.
constexpr size_t kRemovalLimit = 100;

void Keep(Removal&& removal)
{
    std::vector<Removal>& removals = livePanel->removals;
    if (removals.size() >= kRemovalLimit)
        removals.erase(removals.begin(), removals.begin() + (removals.size() - kRemovalLimit + 1));
    removals.push_back(std::move(removal));
}

}  // namespace

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
    // Its place as the list shows it now, which may be newer than the stored one,
    // taken as a save takes it: a scrolled or shifted list gives the same place.
    POINT place;
    if (ShownItemPlace(item, &place)) {
        removal.item.posX = place.x;
        removal.item.posY = place.y;
    }
    Keep(std::move(removal));
    RemoveItem(page, item);
    DeleteListItem(item);
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
    Keep(std::move(removal));
}

bool UndoLastRemoval()
{
    // A record that finds no page to go back to is dropped, never put elsewhere.
    std::vector<Removal>& removals = livePanel->removals;
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
