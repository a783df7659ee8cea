// The info tip the icon list shows for an icon under the mouse.
#pragma once

#include <windows.h>
#include <commctrl.h>

// LVN_GETINFOTIPW: the item's name, its path and its parameters (when it has any),
// a line each, from the shown page's items; cut to the tip's buffer.
void FillItemTip(NMLVGETINFOTIPW* tip);
