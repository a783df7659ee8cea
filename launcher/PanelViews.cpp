// The tab strip and the icon list, kept in step with the pages and items.
#include "PanelViews.h"

#include <commctrl.h>

#include "LauncherData.h"
#include "Panel.h"
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

void SetListViewStyle(DWORD style)
{
    SetWindowLongA(panelState.listView, GWL_STYLE, static_cast<LONG>(style));
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
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position;
        // A list view that cannot answer (already gone) leaves the stored place as it was.
        if (SendMessageA(panelState.listView, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&position)))
            SetItemPosition(page, i, position);
    }
}

void ApplyPositions()
{
    int page = GetCurrentPage();
    if (!IsPage(page))
        return;
    for (int i = 0; i < GetItemCount(page); ++i) {
        POINT position = GetItemPosition(page, i);
        if (position.x != -1 && position.y != -1)
            SendMessageA(panelState.listView, LVM_SETITEMPOSITION, i, MAKELPARAM(position.x, position.y));
    }
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
