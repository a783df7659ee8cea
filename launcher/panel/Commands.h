// The panel's context menus and every command they, the tabs and the keys send.
#pragma once

#include <windows.h>

void ShowContextMenu(HWND owner);
void HandleCommand(HWND window, int id);

// Shared with the list view's keys, which do what the item commands do.
void RenameItemInPlace(int item);
void ChangeItemIcon(int item);
