// The tab strip and the icon list kept in step with the pages and items. Only this
// code sends them the messages that change or read their view (LVM_*, TCM_*);
// everything else of the panel asks here.
#pragma once

#include <windows.h>

void FillItemList(int page);  // -1: the current page
void InsertListItem(int index, const wchar_t* text, int imageIndex);  // index -1: last item of the current page
void RebuildTabs();
void ShowTabStrip(bool show);
void SetViewStyle(int id);  // 10009, 10010 or 10011
void SetAutoArrange(bool on);
void SnapToGrid();
// Places in the list's own view coordinates, the same however the list is scrolled.
void SavePositions();
void ApplyPositions();
// The shown item's place as SavePositions would store it (scroll origin and shift
// taken off); false when the list cannot answer.
bool ShownItemPlace(int item, POINT* place);
void SettleItemMetrics();  // before the first ApplyPositions of a new list view
void SelectPage(int page);
// Shows page `page` when it exists and the main menu could name it; else nothing.
void ShowPage(int page);
int GetSelectedItem();
// The selected list index when it names an item of the shown page, else -1.
int SelectedPageItem();
int HitTestList();
// Where items dropped at the mouse cursor go among the shown page's items: the index
// of the first item that comes after the cursor, or -1 after the last one.
int DropInsertionIndex();
int HitTestTab();
// The tab under the mouse cursor while the tab strip is shown and the tab names a
// page, else -1.
int TabUnderCursor();
int SelectedTab();
bool HasSelection();

// Lays the panel out again at its present size (its WM_SIZE).
void RequestLayout();
// The settings shown: view style, arrangement, tab strip, the first page.
void ApplySettings();
// A new list view's extended style and the panel's two image lists; taking the
// lists back before the list view is destroyed leaves them the panel's to destroy.
void SetUpListView(DWORD extendedStyle);
void TakeBackImageLists();
// The part of `area` (the panel's client rectangle) below the tab rows.
void TabDisplayArea(RECT* area);

void SelectOnly(int index);
void FocusListItem(int index);
void SetDropHighlight(int item);
void ClearDropHighlights();
void ClearItemList();
void DeleteListItem(int index);
// The list item at `index` made again from item `index` of `page`.
void ReinsertListItem(int page, int index);
POINT ListItemPosition(int index);  // as the list view gives it
void MoveListItem(int index, POINT place);
// The list item of item `item` of `page`, if shown, takes the item's name and image.
void RefreshShownItem(int page, int item);
// Images replaced in place in the lists: the list draws them again, nothing else changes.
void RedrawItemImages();
// WM_ICONS_READY: puts the batch's icons still wanted into the lists and shows them.
void OnIconsReady(DWORD generation, void* batch);
void SetShownItemText(int item, const wchar_t* text);
// The image the list shows for an item of `page`; the item's own image index when
// the page is not shown or the list cannot answer.
int ShownItemImage(int page, int item);
void EditShownLabel(int item);
HWND ShownLabelEditor();

// The list item image for an item's image index: one without an image shows none.
int ListImageFor(int imageIndex);
// The list view's window style for a stored view style (others show large icons).
DWORD ListViewStyleFor(int viewStyle);
