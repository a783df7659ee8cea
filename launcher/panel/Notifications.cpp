// Notifications of the list view and the tab strip, and dragging icons inside the panel.
#include "panel/Notifications.h"

#include "panel/AutoSave.h"
#include "panel/Commands.h"
#include "panel/Dialogs.h"
#include "platform/Launch.h"
#include "data/LauncherData.h"
#include "panel/Panel.h"
#include "panel/PanelViews.h"
#include "panel/RemovalUndo.h"
#include "Texts.h"
#include "resource.h"

namespace {

bool KeyDown(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void LaunchSelected()
{
    int item = SelectedPageItem();
    if (item != -1)
        LaunchItem(GetCurrentPage(), item);
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

void ShowNeighbourPage(HWND window, int step)
{
    int count = GetPageCount();
    if (count <= 0)
        return;
    int page = ((GetCurrentPage() + step) % count + count) % count;
    HandleCommand(window, IDM_PAGE_FIRST + page);
}

void HandleKey(HWND window, WORD key)
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
            ShowNeighbourPage(window, -1);
        return;
    case VK_NEXT:
        if (KeyDown(VK_CONTROL))
            ShowNeighbourPage(window, +1);
        return;
    case 'Z':
        if (KeyDown(VK_CONTROL))
            UndoLastRemoval();
        return;
    default:
        return;
    }
}

// The label editor's procedure before the panel's, and a lead byte waiting for its
// trail byte. One editor is open at a time.
WNDPROC labelEditProc = nullptr;
BYTE pendingLeadByte = 0;

// A host's ANSI message loop hands a typed double-byte character to the editor as
// two WM_CHARs, lead byte then trail byte. Windows' edit control joins them; Wine's
// converts each byte alone, so the lead byte becomes U+30FB. The editor is given
// the joined character as text instead, the same on both.
LRESULT CALLBACK LabelEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC next = labelEditProc;
    if (message == WM_CHAR && wParam <= 0xFF) {
        BYTE byte = static_cast<BYTE>(wParam);
        BYTE lead = pendingLeadByte;
        pendingLeadByte = 0;
        if (lead) {
            char character[3] = {static_cast<char>(lead), static_cast<char>(byte), '\0'};
            WCHAR wide;
            if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, character, 2, &wide, 1) == 1) {
                SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(character));
                return 0;
            }
            // No trail byte after all: the lone lead byte goes, this byte counts alone.
        }
        if (IsDBCSLeadByte(byte)) {
            pendingLeadByte = byte;
            return 0;
        }
    } else if (message == WM_DESTROY) {
        // Handed back first: the list view's own procedure puts the edit control's
        // back at WM_DESTROY, which would cut this one out unseen.
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        labelEditProc = nullptr;
        pendingLeadByte = 0;
    }
    return CallWindowProcA(next, edit, message, wParam, lParam);
}

void BeginLabelEdit()
{
    // The host's frame shows that a rename is under way; it is never set back.
    HWND above = GetParent(GetParent(GetParent(panelState.panelWindow)));
    if (above)
        SetWindowTextA(above, TEXT_RENAME_WINDOW);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(panelState.listView, LVM_GETEDITCONTROL, 0, 0));
    panelState.labelEditControl = edit;
    if (edit) {
        pendingLeadByte = 0;
        labelEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelEditProc)));
    }
}

// A text cut at 519 bytes may end in the lead byte of a double-byte character;
// alone, it would pair with whatever follows the name (in the settings file, the
// closing quote), so it goes.
void DropSplitCharacter(char* text)
{
    for (char* p = text; *p; ++p) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(*p)))
            continue;
        if (!p[1]) {
            *p = '\0';
            return;
        }
        ++p;
    }
}

void EndLabelEdit(const NMLVDISPINFOA* info)
{
    HWND edit = panelState.labelEditControl;
    panelState.labelEditControl = nullptr;  // the list view destroys it next

    // No text means the edit was cancelled (or left unchanged): the name stays.
    if (!info->item.pszText)
        return;
    int page = GetCurrentPage();
    int item = info->item.iItem;
    if (page < 0 || page >= GetPageCount() || item < 0 || item >= GetItemCount(page))
        return;

    char name[kTextSize];
    if (IsWindow(edit))
        GetWindowTextA(edit, name, kTextSize);
    else
        CopyText(name, info->item.pszText);
    DropSplitCharacter(name);
    SetItemName(page, item, name);

    // The notification's answer is 0, so the list view keeps its own label; set it here.
    LVITEMA entry = {};
    entry.iSubItem = 0;
    entry.pszText = name;
    SendMessageA(panelState.listView, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&entry));
}

void ClearDropHighlights()
{
    ListView_SetItemState(panelState.listView, -1, 0, LVIS_DROPHILITED);
}

void StopDragging()
{
    panelState.dragging = false;
    ReleaseCapture();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    // The icon last hovered would otherwise keep its highlight.
    ClearDropHighlights();
}

void ReinsertListItem(int page, int index)
{
    SendMessageA(panelState.listView, LVM_DELETEITEM, index, 0);
    InsertListItem(index, GetItemName(page, index), GetItemImageIndex(page, index));
}

void ExchangeItems(int page, int source, int target)
{
    SwapItems(page, source, target);
    // The list still shows the old order, so each of the two takes the other's place.
    SavePositions();
    ReinsertListItem(page, source);
    ReinsertListItem(page, target);
    ApplyPositions();
    ListView_SetItemState(panelState.listView, source, LVIS_FOCUSED, LVIS_FOCUSED);
}

void MoveItemToPage(int page, int source, int destination)
{
    // The other page's list view places it itself.
    SetItemPosition(page, source, POINT{-1, -1});
    LauncherItem record;
    CopyItem(&record, page, source);
    AddItem(destination, record);  // same image index: no new image
    RemoveItem(page, source);
    SendMessageA(panelState.listView, LVM_DELETEITEM, source, 0);
}

void MoveIcon(HWND window, int source, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(window, &at);
    ScreenToClient(panelState.listView, &at);
    // The icon keeps the offset at which it was grabbed.
    if (source != -1)
        SendMessageA(panelState.listView, LVM_SETITEMPOSITION, source,
                     MAKELPARAM(at.x - panelState.dragOffsetX, at.y - panelState.dragOffsetY));
    if (launcherData.settings.gridArrange != 0)
        SnapToGrid();
    if (launcherData.settings.autoArrange != 0)
        ApplyPositions();
    // The list view holds the new place; the save takes it from there.
    NoteChange();
}

}  // namespace

LRESULT HandleNotify(HWND window, int controlId, NMHDR* header)
{
    if (!header)
        return 0;
    if (controlId == IDC_LIST_VIEW) {
        switch (header->code) {
        case LVN_KEYDOWN:
            HandleKey(window, reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
            break;
        case LVN_ITEMACTIVATE:
            // A single click activates (one-click activation); it starts only
            // when double clicks are not asked for.
            if (launcherData.settings.doubleClick == 0)
                LaunchSelected();
            break;
        case NM_DBLCLK:
            if (launcherData.settings.doubleClick != 0)
                LaunchSelected();
            break;
        case LVN_BEGINDRAG:
            BeginItemDrag();
            break;
        case LVN_BEGINLABELEDITA:
            BeginLabelEdit();
            break;
        case LVN_ENDLABELEDITA:
            EndLabelEdit(reinterpret_cast<NMLVDISPINFOA*>(header));
            break;
        default:
            break;
        }
    } else if (controlId == IDC_TAB_CONTROL && header->code == TCN_SELCHANGE) {
        int tab = static_cast<int>(SendMessageA(panelState.tabControl, TCM_GETCURSEL, 0, 0));
        if (tab >= 0)
            HandleCommand(window, IDM_PAGE_FIRST + tab);
    }
    return 0;
}

void BeginItemDrag()
{
    panelState.dragSource = GetSelectedItem();
    POINT icon = {0, 0};
    SendMessageA(panelState.listView, LVM_GETITEMPOSITION, panelState.dragSource, reinterpret_cast<LPARAM>(&icon));
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(panelState.listView, &cursor);
    panelState.dragOffsetX = cursor.x - icon.x;
    panelState.dragOffsetY = cursor.y - icon.y;

    SetCursor(LoadCursorA(panelState.instance, MAKEINTRESOURCEA(IDC_DRAG_CURSOR)));
    SetCapture(panelState.panelWindow);
    panelState.dragging = true;
}

void TrackItemDrag()
{
    ClearDropHighlights();
    int target = HitTestList();
    if (target != -1 && target != panelState.dragSource)
        ListView_SetItemState(panelState.listView, target, LVIS_DROPHILITED, LVIS_DROPHILITED);
}

void EndItemDrag(HWND window, int x, int y)
{
    if (!panelState.dragging)
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

int TabUnderCursor()
{
    // Hidden, the tab control still spans the panel and its rows would lie over
    // the top of the icon list. Its own style says whether the strip is shown,
    // whatever the host does with the windows around the panel.
    if (!(GetWindowLongA(panelState.tabControl, GWL_STYLE) & WS_VISIBLE))
        return -1;
    int tab = HitTestTab();
    return tab < GetPageCount() ? tab : -1;
}

void AbandonItemDrag()
{
    if (panelState.dragging)
        StopDragging();
}
