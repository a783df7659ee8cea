// The panel's context menus and the commands they send (WM_COMMAND).
#pragma once

#include <windows.h>

void ShowContextMenu(HWND owner);
void HandleCommand(HWND window, int id);

// Shared with the list view's keys, which do what the item commands do.
void RenameItemInPlace(int item);
void ChangeItemIcon(int item);
