// The tab strip and the icon list, kept in step with the pages and items.
#include "panel/PanelViews.h"

#include <commctrl.h>

#include <algorithm>

#include "data/LauncherData.h"
#include "panel/Panel.h"
#include "resource.h"

namespace {

constexpr DWORD kListViewBaseStyle = WS_CHILD | WS_VISIBLE | LVS_SINGLESEL | LVS_EDITLABELS;

bool IsPage(int page)
{
    return page >= 0 && page < GetPageCount();
}

void InsertAt(int index, const char* text, int imageIndex)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);  // copied by the list view
    item.iImage = ListImageFor(imageIndex);
    SendMessageA(panelState.listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// The scroll bars are the list view's own: a style without them would take them off
// behind its back, and Wine's list view would keep their room and their picture.
void SetListViewStyle(DWORD style)
{
    DWORD scrollBars = static_cast<DWORD>(GetWindowLongA(panelState.listView, GWL_STYLE)) & (WS_HSCROLL | WS_VSCROLL);
    SetWindowLongA(panelState.listView, GWL_STYLE, static_cast<LONG>(style | scrollBars));
}

// How far the icon views are scrolled from their origin, in pixels, as LVM_SCROLL
// takes them there. The list view places its items itself (Wine scrolls it by
// columns where Windows takes pixels): it is left as it is.
POINT ScrollOffset()
{
    POINT offset = {0, 0};
    DWORD view = static_cast<DWORD>(GetWindowLongA(panelState.listView, GWL_STYLE)) & LVS_TYPEMASK;
    if (view != LVS_ICON && view != LVS_SMALLICON)
        return offset;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE;
    if (GetScrollInfo(panelState.listView, SB_HORZ, &info))
        offset.x = info.nPos - info.nMin;
    if (GetScrollInfo(panelState.listView, SB_VERT, &info))
        offset.y = info.nPos - info.nMin;
    return offset;
}

void ScrollListBy(POINT offset)
{
    if (offset.x != 0 || offset.y != 0)
        SendMessageA(panelState.listView, LVM_SCROLL, offset.x, offset.y);
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
// Fixed from the first ApplyPositions after the list was filled until the next fill.
int shiftedPage = -1;
POINT placeShift = {0, 0};

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
        SendMessageA(panelState.listView, LVM_GETITEMPOSITION, 0, reinterpret_cast<LPARAM>(&first));
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
    SendMessageA(panelState.listView, LVM_DELETEALLITEMS, 0, 0);
    shiftedPage = -1;  // the next ApplyPositions measures the new contents
    if (!IsPage(page))
        return;
    // Every way of showing a page comes here: its icons are made at its first showing.
    MakePageIcons(page);
    for (int i = 0; i < GetItemCount(page); ++i)
        InsertAt(i, GetItemName(page, i), GetItemImageIndex(page, i));
}

void InsertListItem(int index, const char* text, int imageIndex)
{
    if (index == -1)
        index = GetItemCount(GetCurrentPage()) - 1;
    InsertAt(index, text, imageIndex);
}

void RebuildTabs()
{
    SendMessageA(panelState.tabControl, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < GetPageCount(); ++i) {
        TCITEMA tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<char*>(GetPageName(i));
        SendMessageA(panelState.tabControl, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
    }
    SendMessageA(panelState.tabControl, TCM_SETCURSEL, GetCurrentPage(), 0);
    RequestLayout();  // the number of tab rows may have changed
}

void ShowTabStrip(bool show)
{
    ShowWindow(panelState.tabControl, show ? SW_SHOW : SW_HIDE);
    LONG exStyle = GetWindowLongA(panelState.listView, GWL_EXSTYLE);
    exStyle = show ? (exStyle | WS_EX_STATICEDGE) : (exStyle & ~WS_EX_STATICEDGE);
    SetWindowLongA(panelState.listView, GWL_EXSTYLE, exStyle);
    RequestLayout();
}

void SetViewStyle(int id)
{
    launcherData.settings.viewStyle = id;
    SetListViewStyle(ListViewStyleFor(id));
    SendMessageA(panelState.listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    // The whole style value has no LVS_AUTOARRANGE; without this the view would stop
    // arranging while the setting still says it does.
    if (launcherData.settings.autoArrange != 0)
        SetAutoArrange(true);
    // Wine's list view invalidates only what its changed scroll bars uncover: the
    // rest would keep showing the old view until something else repaints it.
    InvalidateRect(panelState.listView, nullptr, TRUE);
}

void SetAutoArrange(bool on)
{
    if (on)
        SendMessageA(panelState.listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    DWORD style = static_cast<DWORD>(GetWindowLongA(panelState.listView, GWL_STYLE));
    SetListViewStyle(on ? (style | LVS_AUTOARRANGE) : (style & ~LVS_AUTOARRANGE));
}

void SnapToGrid()
{
    SendMessageA(panelState.listView, LVM_ARRANGE, LVA_SNAPTOGRID, 0);
}

void SavePositions()
{
    int page = GetCurrentPage();
    if (!IsPage(page))
        return;
    POINT shift = page == shiftedPage ? placeShift : POINT{0, 0};
    POINT scrolled = ScrollListToOrigin();
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position;
        // A list view that cannot answer (already gone) leaves the stored place as it was.
        if (SendMessageA(panelState.listView, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&position)))
            SetItemPosition(page, i, POINT{position.x - shift.x, position.y - shift.y});
    }
    ScrollListBy(scrolled);
}

void ApplyPositions()
{
    int page = GetCurrentPage();
    if (!IsPage(page))
        return;
    POINT scrolled = ScrollListToOrigin();
    if (page != shiftedPage) {
        placeShift = PlaceShiftFor(page);
        shiftedPage = page;
    }
    // Wine's list view does not widen its scroll range for an icon moved beyond it;
    // turning redrawing back on makes it measure the range (and repaint) once. An
    // arranging list view would arrange there, so it is left alone.
    bool measure = !(GetWindowLongA(panelState.listView, GWL_STYLE) & LVS_AUTOARRANGE);
    if (measure)
        SendMessageA(panelState.listView, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position = GetItemPosition(page, i);
        if (HasPlace(position))
            SendMessageA(panelState.listView, LVM_SETITEMPOSITION, i,
                         MAKELPARAM(PlaceCoordinate(position.x) + placeShift.x,
                                    PlaceCoordinate(position.y) + placeShift.y));
    }
    if (measure)
        SendMessageA(panelState.listView, WM_SETREDRAW, TRUE, 0);
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
    SendMessageA(panelState.listView, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    DeleteDC(dc);
}

void SelectPage(int page)
{
    SavePositions();  // the page being left keeps its icons' places
    SetCurrentPage(page);
    RebuildTabs();
    SendMessageA(panelState.tabControl, TCM_SETCURSEL, page, 0);
    FillItemList(-1);
    ApplyPositions();
    ScrollListToOrigin();  // a page is shown from its top
}

int GetSelectedItem()
{
    return static_cast<int>(SendMessageA(panelState.listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_SELECTED));
}

int HitTestList()
{
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(panelState.listView, &hit.pt);
    hit.flags = LVHT_ONITEM;
    return static_cast<int>(SendMessageA(panelState.listView, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

int HitTestTab()
{
    TCHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(panelState.tabControl, &hit.pt);
    hit.flags = TCHT_ONITEM;
    return static_cast<int>(SendMessageA(panelState.tabControl, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}
