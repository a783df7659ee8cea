// The panel's context menus and every command they, the tabs and the keys send.
#pragma once

#include <windows.h>

void ShowContextMenu(HWND owner);
void HandleCommand(HWND window, int id);

// Shared with the list view's keys, which do what the item commands do.
int SelectedPageItem();  // the selected list index when it names an item of the shown page, else -1
void RenameItemInPlace(int item);
void ChangeItemIcon(int item);
