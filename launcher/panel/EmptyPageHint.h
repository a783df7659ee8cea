// The hint an empty page shows in the icon list: how items are added.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The list view's NM_CUSTOMDRAW: asks for the post-paint stage and draws the hint
// there while the shown page has no item. Returns what the notification answers.
LRESULT DrawEmptyPageHint(NMLVCUSTOMDRAW* draw);
