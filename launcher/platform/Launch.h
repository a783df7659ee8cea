// Starting items through the shell, and the shell's Run dialog. A failure is
// told in a message box owned by `owner`.
#pragma once

#include <windows.h>

// Starts item `item` of `page` (-1: nothing). A parameter override replaces the
// item's own parameters entirely.
void LaunchItem(HWND owner, int page, int item, const wchar_t* parameterOverride = nullptr);
void ShowRunDialog(HWND owner);
