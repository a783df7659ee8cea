// Dragging icons inside the panel, with the mouse captured by the panel window.
#include "panel/ItemDrag.h"

#include "data/LauncherData.h"
#include "panel/AutoSave.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/ModuleRecord.h"
#include "resource.h"

namespace {

void StopDragging()
{
    // Cleared first: the ReleaseCapture below sends WM_CAPTURECHANGED, which must
    // find no drag to abandon.
    livePanel->dragging = false;
    ReleaseCapture();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    // The icon last hovered would otherwise keep its highlight.
    ClearDropHighlights();
}

void ExchangeItems(int page, int source, int target)
{
    SwapItems(page, source, target);
    // The list still shows the old order, so each of the two takes the other's place.
    SavePositions();
    ReinsertListItem(page, source);
    ReinsertListItem(page, target);
    ApplyPositions();
    FocusListItem(source);
}

void MoveItemToPage(int page, int source, int destination)
{
    // The other page's list view places it itself.
    SetItemPosition(page, source, POINT{-1, -1});
    LauncherItem record;
    CopyItem(&record, page, source);
    AddItem(destination, record);  // same image index: no new image
    RemoveItem(page, source);
    DeleteListItem(source);
}

void MoveIcon(HWND window, int source, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(window, &at);
    ScreenToClient(livePanel->listView, &at);
    // The icon keeps the offset at which it was grabbed.
    if (source != -1)
        MoveListItem(source, POINT{at.x - livePanel->dragOffsetX, at.y - livePanel->dragOffsetY});
    if (launcherData.settings.gridArrange != 0)
        SnapToGrid();
    if (launcherData.settings.autoArrange != 0)
        ApplyPositions();
    // The list view holds the new place; the save takes it from there.
    NoteChange();
}

}  // namespace

void BeginItemDrag()
{
    livePanel->dragSource = GetSelectedItem();
    POINT icon = ListItemPosition(livePanel->dragSource);
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(livePanel->listView, &cursor);
    livePanel->dragOffsetX = cursor.x - icon.x;
    livePanel->dragOffsetY = cursor.y - icon.y;

    SetCursor(LoadCursorA(moduleRecord.instance, MAKEINTRESOURCEA(IDC_DRAG_CURSOR)));
    SetCapture(livePanel->panelWindow);
    livePanel->dragging = true;
}

void TrackItemDrag()
{
    ClearDropHighlights();
    int target = HitTestList();
    if (target != -1 && target != livePanel->dragSource)
        SetDropHighlight(target);
}

void EndItemDrag(HWND window, int x, int y)
{
    if (!livePanel->dragging)
        return;
    StopDragging();

    int page = GetCurrentPage();
    if (page < 0 || page >= GetPageCount())
        return;
    int source = SelectedPageItem();
    int target = HitTestList();
    if (target >= GetItemCount(page))
        target = -1;
    int tab = TabUnderCursor();

    if (source != -1 && target != -1 && source != target)
        ExchangeItems(page, source, target);
    else if (tab != -1 && tab != page && source != -1)
        MoveItemToPage(page, source, tab);
    else
        MoveIcon(window, source, x, y);
}

void AbandonItemDrag()
{
    if (livePanel->dragging)
        StopDragging();
}
