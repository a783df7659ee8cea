// The list view's keys, and starting the selected item.
#pragma once

#include <windows.h>

void HandleKey(WORD key);
// The keys that belong to the whole panel (Ctrl+Z), wherever its focus is: the tab
// strip or the panel window itself. True when the key was the panel's.
bool HandlePanelKey(WORD key);
void LaunchSelected();
