// Dragging icons inside the panel: onto another icon (the two change places), onto
// a tab (the item moves to that page) or anywhere else in the list (it moves there).
#pragma once

#include <windows.h>

void BeginItemDrag();
void TrackItemDrag();
void EndItemDrag(HWND window, int x, int y);

// Ends a drag without moving anything: a context menu opened meanwhile, or the
// mouse capture was taken away (WM_CAPTURECHANGED, WM_CANCELMODE), so the button's
// release will go to another window.
void AbandonItemDrag();
