// Notifications of the list view and the tab strip, and dragging icons inside the panel.
#pragma once

#include <windows.h>
#include <commctrl.h>

LRESULT HandleNotify(HWND window, int controlId, NMHDR* header);
void BeginItemDrag();
void TrackItemDrag();
void EndItemDrag(HWND window, int x, int y);
