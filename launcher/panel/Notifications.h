// Notifications of the list view and the tab strip, each handed to the code of its
// concern: keys, in-place rename, item drag, page switches.
#pragma once

#include <windows.h>
#include <commctrl.h>

LRESULT HandleNotify(HWND window, int controlId, NMHDR* header);
