// The list view's keys, and starting the selected item.
#pragma once

#include <windows.h>

void HandleKey(WORD key);
void LaunchSelected();
