// The tab strip and the icon list kept in step with the pages and items.
#pragma once

#include <windows.h>

void FillItemList(int page);  // -1: the current page
void InsertListItem(int index, const char* text, int imageIndex);  // index -1: last item of the current page
void RebuildTabs();
void ShowTabStrip(bool show);
void SetViewStyle(int id);  // 10009, 10010 or 10011
void SetAutoArrange(bool on);
void SnapToGrid();
// Places in the list's own view coordinates, the same however the list is scrolled.
void SavePositions();
void ApplyPositions();
void SettleItemMetrics();  // before the first ApplyPositions of a new list view
void SelectPage(int page);
int GetSelectedItem();
int HitTestList();
int HitTestTab();

// The list item image for an item's image index: one without an image shows none.
int ListImageFor(int imageIndex);
// The list view's window style for a stored view style (others show large icons).
DWORD ListViewStyleFor(int viewStyle);
