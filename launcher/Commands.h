// The panel's context menus and every command they, the tabs and the keys send.
#pragma once

#include <windows.h>

void ShowContextMenu(HWND owner);
void HandleCommand(HWND window, int id);
