// Notifications of the list view and the tab strip, and dragging icons inside the panel.
#pragma once

#include <windows.h>
#include <commctrl.h>

LRESULT HandleNotify(HWND window, int controlId, NMHDR* header);
void BeginItemDrag();
void TrackItemDrag();
void EndItemDrag(HWND window, int x, int y);

// Ends a drag without moving anything (a context menu opened meanwhile).
void AbandonItemDrag();

// The tab under the mouse cursor while the tab strip is shown and the tab names a
// page, else -1.
int TabUnderCursor();
