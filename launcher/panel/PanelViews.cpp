// The tab strip and the icon list, kept in step with the pages and items. The
// only code that sends them the messages that change or read what they show.
#include "panel/PanelViews.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "resource.h"

namespace {

constexpr DWORD kListViewBaseStyle = WS_CHILD | WS_VISIBLE | LVS_SINGLESEL | LVS_EDITLABELS;

bool IsPage(int page)
{
    return page >= 0 && page < GetPageCount();
}

void InsertAt(int index, const wchar_t* text, int imageIndex)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text);  // copied by the list view
    item.iImage = ListImageFor(imageIndex);
    SendMessageW(livePanel->listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// The scroll bars are the list view's own: a style without them would take them off
// behind its back, and Wine's list view would keep their room and their picture.
void SetListViewStyle(DWORD style)
{
    DWORD scrollBars = static_cast<DWORD>(GetWindowLongA(livePanel->listView, GWL_STYLE)) & (WS_HSCROLL | WS_VSCROLL);
    SetWindowLongA(livePanel->listView, GWL_STYLE, static_cast<LONG>(style | scrollBars));
}

// How far the icon views are scrolled from their origin, in pixels, as LVM_SCROLL
// takes them there. The list view places its items itself (Wine scrolls it by
// columns where Windows takes pixels): it is left as it is.
POINT ScrollOffset()
{
    POINT offset = {0, 0};
    DWORD view = static_cast<DWORD>(GetWindowLongA(livePanel->listView, GWL_STYLE)) & LVS_TYPEMASK;
    if (view != LVS_ICON && view != LVS_SMALLICON)
        return offset;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE;
    if (GetScrollInfo(livePanel->listView, SB_HORZ, &info))
        offset.x = info.nPos - info.nMin;
    if (GetScrollInfo(livePanel->listView, SB_VERT, &info))
        offset.y = info.nPos - info.nMin;
    return offset;
}

void ScrollListBy(POINT offset)
{
    if (offset.x != 0 || offset.y != 0)
        SendMessageA(livePanel->listView, LVM_SCROLL, offset.x, offset.y);
}

// Brings the list back to its origin and answers how far it was scrolled. Windows
// gives and takes icon places in view coordinates; Wine's list view gives and takes
// them relative to the scrolled client area. At the origin both are the same.
POINT ScrollListToOrigin()
{
    POINT offset = ScrollOffset();
    ScrollListBy(POINT{-offset.x, -offset.y});
    return offset;
}

// A stored coordinate as LVM_SETITEMPOSITION takes it: its low 16 bits, signed.
int PlaceCoordinate(int stored)
{
    return static_cast<short>(stored & 0xFFFF);
}

bool HasPlace(POINT position)
{
    return position.x != -1 && position.y != -1;
}

// What ApplyPositions adds to the stored places of the page the list shows, so
// that places left of or above the origin (an older save wrote them while the list
// was scrolled) can still be reached: the lowest goes where the list view puts its
// first icon. SavePositions takes it off again, so the file keeps what it had.
// Fixed from the first ApplyPositions after the list was filled until the next fill
// (the panel record's shiftedPage and placeShift).

// The shift for the page just filled into the list, which is at its origin.
POINT PlaceShiftFor(int page)
{
    int lowestX = 0, lowestY = 0;
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position = GetItemPosition(page, i);
        if (!HasPlace(position))
            continue;
        lowestX = std::min(lowestX, PlaceCoordinate(position.x));
        lowestY = std::min(lowestY, PlaceCoordinate(position.y));
    }
    POINT first = {0, 0};
    if (lowestX < 0 || lowestY < 0)
        SendMessageA(livePanel->listView, LVM_GETITEMPOSITION, 0, reinterpret_cast<LPARAM>(&first));
    return POINT{lowestX < 0 ? first.x - lowestX : 0, lowestY < 0 ? first.y - lowestY : 0};
}

}  // namespace

// -1 (no image stored) would read as I_IMAGECALLBACK, which the panel does not
// answer, and the list view would then draw some other item's image.
int ListImageFor(int imageIndex)
{
    return imageIndex < 0 ? I_IMAGENONE : imageIndex;
}

DWORD ListViewStyleFor(int viewStyle)
{
    switch (viewStyle) {
    case IDM_SMALL_ICONS:
        return kListViewBaseStyle | LVS_SMALLICON;
    case IDM_LIST:
        return kListViewBaseStyle | LVS_LIST;
    default:
        return kListViewBaseStyle | LVS_ICON;
    }
}

void FillItemList(int page)
{
    if (page == -1)
        page = GetCurrentPage();
    SendMessageA(livePanel->listView, LVM_DELETEALLITEMS, 0, 0);
    livePanel->shiftedPage = -1;  // the next ApplyPositions measures the new contents
    if (!IsPage(page))
        return;
    // Every way of showing a page comes here: its icons are made at its first showing.
    MakePageIcons(page);
    for (int i = 0; i < GetItemCount(page); ++i)
        InsertAt(i, GetItemName(page, i), GetItemImageIndex(page, i));
}

void InsertListItem(int index, const wchar_t* text, int imageIndex)
{
    if (index == -1)
        index = GetItemCount(GetCurrentPage()) - 1;
    InsertAt(index, text, imageIndex);
}

void RebuildTabs()
{
    SendMessageA(livePanel->tabControl, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < GetPageCount(); ++i) {
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(GetPageName(i));
        SendMessageW(livePanel->tabControl, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&tab));
    }
    SendMessageA(livePanel->tabControl, TCM_SETCURSEL, GetCurrentPage(), 0);
    RequestLayout();  // the number of tab rows may have changed
}

void ShowTabStrip(bool show)
{
    ShowWindow(livePanel->tabControl, show ? SW_SHOW : SW_HIDE);
    LONG exStyle = GetWindowLongA(livePanel->listView, GWL_EXSTYLE);
    exStyle = show ? (exStyle | WS_EX_STATICEDGE) : (exStyle & ~WS_EX_STATICEDGE);
    SetWindowLongA(livePanel->listView, GWL_EXSTYLE, exStyle);
    RequestLayout();
}

void SetViewStyle(int id)
{
    launcherData.settings.viewStyle = id;
    SetListViewStyle(ListViewStyleFor(id));
    SendMessageA(livePanel->listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    // The whole style value has no LVS_AUTOARRANGE; without this the view would stop
    // arranging while the setting still says it does.
    if (launcherData.settings.autoArrange != 0)
        SetAutoArrange(true);
    // Wine's list view invalidates only what its changed scroll bars uncover: the
    // rest would keep showing the old view until something else repaints it.
    InvalidateRect(livePanel->listView, nullptr, TRUE);
}

void SetAutoArrange(bool on)
{
    if (on)
        SendMessageA(livePanel->listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    DWORD style = static_cast<DWORD>(GetWindowLongA(livePanel->listView, GWL_STYLE));
    SetListViewStyle(on ? (style | LVS_AUTOARRANGE) : (style & ~LVS_AUTOARRANGE));
}

void SnapToGrid()
{
    SendMessageA(livePanel->listView, LVM_ARRANGE, LVA_SNAPTOGRID, 0);
}

// Calls take(item, place) for the shown items from `first` to `last`, each place
// as the file keeps it: read at the list's origin, the shift taken off. A list
// view that cannot answer (already gone) gives no place.
template <typename Take>
void TakeShownPlaces(int first, int last, Take take)
{
    int page = GetCurrentPage();
    POINT shift = page == livePanel->shiftedPage ? livePanel->placeShift : POINT{0, 0};
    POINT scrolled = ScrollListToOrigin();
    for (int i = first; i <= last; ++i) {
        POINT position;
        if (SendMessageA(livePanel->listView, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&position)))
            take(i, POINT{position.x - shift.x, position.y - shift.y});
    }
    ScrollListBy(scrolled);
}

void SavePositions()
{
    int page = GetCurrentPage();
    if (!IsPage(page))
        return;
    TakeShownPlaces(0, GetItemCount(page) - 1, [page](int i, POINT place) { SetItemPosition(page, i, place); });
}

bool ShownItemPlace(int item, POINT* place)
{
    int page = GetCurrentPage();
    if (!IsPage(page) || item < 0 || item >= GetItemCount(page))
        return false;
    bool taken = false;
    TakeShownPlaces(item, item, [&](int, POINT at) {
        *place = at;
        taken = true;
    });
    return taken;
}

void ApplyPositions()
{
    int page = GetCurrentPage();
    if (!IsPage(page))
        return;
    POINT scrolled = ScrollListToOrigin();
    if (page != livePanel->shiftedPage) {
        livePanel->placeShift = PlaceShiftFor(page);
        livePanel->shiftedPage = page;
    }
    // Wine's list view does not widen its scroll range for an icon moved beyond it;
    // turning redrawing back on makes it measure the range (and repaint) once. An
    // arranging list view would arrange there, so it is left alone.
    bool measure = !(GetWindowLongA(livePanel->listView, GWL_STYLE) & LVS_AUTOARRANGE);
    if (measure)
        SendMessageA(livePanel->listView, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position = GetItemPosition(page, i);
        if (HasPlace(position))
            SendMessageA(livePanel->listView, LVM_SETITEMPOSITION, i,
                         MAKELPARAM(PlaceCoordinate(position.x) + livePanel->placeShift.x,
                                    PlaceCoordinate(position.y) + livePanel->placeShift.y));
    }
    if (measure)
        SendMessageA(livePanel->listView, WM_SETREDRAW, TRUE, 0);
    ScrollListBy(scrolled);
}

void SettleItemMetrics()
{
    // A list view may lay every icon out anew on its first paint, when it first
    // measures its items; places set before that paint would be lost. A paint into
    // a memory DC does that measuring now, shown or hidden, and draws nothing.
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return;
    SendMessageA(livePanel->listView, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    DeleteDC(dc);
}

void SelectPage(int page)
{
    SavePositions();  // the page being left keeps its icons' places
    SetCurrentPage(page);
    RebuildTabs();
    SendMessageA(livePanel->tabControl, TCM_SETCURSEL, page, 0);
    FillItemList(-1);
    ApplyPositions();
    ScrollListToOrigin();  // a page is shown from its top
}

int GetSelectedItem()
{
    return static_cast<int>(SendMessageA(livePanel->listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_SELECTED));
}

int SelectedPageItem()
{
    int item = GetSelectedItem();
    int page = GetCurrentPage();
    if (item < 0 || !IsPage(page) || item >= GetItemCount(page))
        return -1;
    return item;
}

int HitTestList()
{
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(livePanel->listView, &hit.pt);
    hit.flags = LVHT_ONITEM;
    return static_cast<int>(SendMessageA(livePanel->listView, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

int DropInsertionIndex()
{
    // The first item that does not come before the cursor in the order the view lays
    // them out (-1 after the last, so that drops still on their workers keep it): rows of icons, columns in the list view. An item comes before it when
    // its row (column) ends above (left of) the cursor, or when it lies in the
    // cursor's row (column) with its middle before the cursor.
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(livePanel->listView, &at);
    bool columns = (GetWindowLongW(livePanel->listView, GWL_STYLE) & LVS_TYPEMASK) == LVS_LIST;
    int count = static_cast<int>(SendMessageW(livePanel->listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r = {LVIR_BOUNDS, 0, 0, 0};
        if (!SendMessageW(livePanel->listView, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            continue;
        bool before = columns ? r.right <= at.x || (r.left <= at.x && (r.top + r.bottom) / 2 < at.y)
                              : r.bottom <= at.y || (r.top <= at.y && (r.left + r.right) / 2 < at.x);
        if (!before)
            return i;
    }
    return -1;
}

int HitTestTab()
{
    TCHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(livePanel->tabControl, &hit.pt);
    hit.flags = TCHT_ONITEM;
    return static_cast<int>(SendMessageA(livePanel->tabControl, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void ShowPage(int page)
{
    // Only pages that exist, and that the main menu could name, are shown.
    if (page >= 0 && page < GetPageCount() && page <= IDM_PAGE_LAST - IDM_PAGE_FIRST)
        SelectPage(page);
}

void RequestLayout()
{
    if (!livePanel->panelWindow)
        return;
    RECT rect;
    GetWindowRect(livePanel->panelWindow, &rect);
    SendMessageA(livePanel->panelWindow, WM_SIZE, 0, MAKELPARAM(rect.right - rect.left, rect.bottom - rect.top));
}

void SetUpListView(DWORD extendedStyle)
{
    SendMessageA(livePanel->listView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extendedStyle);
    SendMessageA(livePanel->listView, LVM_SETIMAGELIST, LVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(livePanel->largeImageList));
    SendMessageA(livePanel->listView, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(livePanel->smallImageList));
}

void TakeBackImageLists()
{
    SendMessageA(livePanel->listView, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageA(livePanel->listView, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
}

void ApplySettings()
{
    const PanelSettings& settings = launcherData.settings;

    // Posted: the fonts take effect once the host's message loop runs again.
    WPARAM font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    PostMessageA(livePanel->panelWindow, WM_SETFONT, font, TRUE);
    PostMessageA(livePanel->tabControl, WM_SETFONT, font, TRUE);

    SetWindowLongA(livePanel->listView, GWL_STYLE, ListViewStyleFor(settings.viewStyle));
    SendMessageA(livePanel->listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    SetAutoArrange(settings.autoArrange != 0);
    if (settings.gridArrange != 0)
        SnapToGrid();
    ShowTabStrip(settings.showTab != 0);

    SetCurrentPage(0);
    RebuildTabs();
    SendMessageA(livePanel->tabControl, TCM_SETCURSEL, 0, 0);
    FillItemList(-1);
    SettleItemMetrics();
    ApplyPositions();
}

void TabDisplayArea(RECT* area)
{
    SendMessageA(livePanel->tabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(area));
}

int SelectedTab()
{
    return static_cast<int>(SendMessageA(livePanel->tabControl, TCM_GETCURSEL, 0, 0));
}

int TabUnderCursor()
{
    // Hidden, the tab control still spans the panel and its rows would lie over
    // the top of the icon list. Its own style says whether the strip is shown,
    // whatever the host does with the windows around the panel.
    if (!(GetWindowLongA(livePanel->tabControl, GWL_STYLE) & WS_VISIBLE))
        return -1;
    int tab = HitTestTab();
    return tab < GetPageCount() ? tab : -1;
}

bool HasSelection()
{
    return SendMessageA(livePanel->listView, LVM_GETSELECTEDCOUNT, 0, 0) != 0;
}

void SelectOnly(int index)
{
    ListView_SetItemState(livePanel->listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(livePanel->listView, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(livePanel->listView, LVM_ENSUREVISIBLE, index, FALSE);
}

void FocusListItem(int index)
{
    ListView_SetItemState(livePanel->listView, index, LVIS_FOCUSED, LVIS_FOCUSED);
}

void SetDropHighlight(int item)
{
    ListView_SetItemState(livePanel->listView, item, LVIS_DROPHILITED, LVIS_DROPHILITED);
}

void ClearDropHighlights()
{
    ListView_SetItemState(livePanel->listView, -1, 0, LVIS_DROPHILITED);
}

void ClearItemList()
{
    SendMessageA(livePanel->listView, LVM_DELETEALLITEMS, 0, 0);
}

void DeleteListItem(int index)
{
    SendMessageA(livePanel->listView, LVM_DELETEITEM, index, 0);
}

void ReinsertListItem(int page, int index)
{
    DeleteListItem(index);
    InsertListItem(index, GetItemName(page, index), GetItemImageIndex(page, index));
}

POINT ListItemPosition(int index)
{
    POINT place = {0, 0};
    SendMessageA(livePanel->listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(&place));
    return place;
}

void MoveListItem(int index, POINT place)
{
    SendMessageA(livePanel->listView, LVM_SETITEMPOSITION, index, MAKELPARAM(place.x, place.y));
}

void RefreshShownItem(int page, int item)
{
    // The list view keeps its own copy of the label, and a replaced image is not
    // noticed until the item is drawn again: show the edited item at once. An item
    // that had no image gets a new slot, which the list item must be told of.
    if (page != GetCurrentPage() || !livePanel->listView)
        return;
    LVITEMW entry = {};
    entry.mask = LVIF_TEXT | LVIF_IMAGE;
    entry.iItem = item;
    entry.pszText = const_cast<wchar_t*>(GetItemName(page, item));
    entry.iImage = ListImageFor(GetItemImageIndex(page, item));
    SendMessageW(livePanel->listView, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    SendMessageA(livePanel->listView, LVM_REDRAWITEMS, 0, GetItemCount(page));
}

void RedrawItemImages()
{
    if (livePanel->listView)
        InvalidateRect(livePanel->listView, nullptr, FALSE);
}

void OnIconsReady(DWORD generation, void* batch)
{
    if (!livePanel || generation != livePanel->generation) {
        ReleaseIconBatch(batch);
        return;
    }
    std::vector<int> emptied;
    bool stored = PutReadyIcons(batch, &emptied);
    // No icon at all: the items of the slot show none rather than the placeholder.
    for (int slot : emptied) {
        for (int page = 0; page < GetPageCount(); ++page) {
            for (int item = 0; item < GetItemCount(page); ++item) {
                if (GetItemImageIndex(page, item) == slot) {
                    SetItemImageIndex(page, item, -1);
                    RefreshShownItem(page, item);
                }
            }
        }
    }
    if (stored) {
        // The images changed in place: the list keeps its items, places, selection
        // and scroll and only draws again, as does an open properties dialog.
        RedrawItemImages();
        if (livePanel->propertiesDialog)
            InvalidateRect(livePanel->propertiesDialog, nullptr, FALSE);
    }
}

void SetShownItemText(int item, const wchar_t* text)
{
    LVITEMW entry = {};
    entry.iSubItem = 0;
    entry.pszText = const_cast<wchar_t*>(text);
    SendMessageW(livePanel->listView, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&entry));
}

int ShownItemImage(int page, int item)
{
    if (page == GetCurrentPage() && livePanel->listView) {
        LVITEMA entry = {};
        entry.mask = LVIF_IMAGE;
        entry.iItem = item;
        if (SendMessageA(livePanel->listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry)))
            return entry.iImage;
    }
    return GetItemImageIndex(page, item);
}

void EditShownLabel(int item)
{
    // The list view edits labels only while it has the focus; after a menu owned
    // by the host's window the focus may lie elsewhere.
    SetFocus(livePanel->listView);
    SendMessageW(livePanel->listView, LVM_EDITLABELW, item, 0);
}

HWND ShownLabelEditor()
{
    return reinterpret_cast<HWND>(SendMessageA(livePanel->listView, LVM_GETEDITCONTROL, 0, 0));
}
