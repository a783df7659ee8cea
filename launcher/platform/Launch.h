// Starting items through the shell, and the shell's Run dialog. A failure is
// told in a message box owned by `owner`.
#pragma once

#include <windows.h>

// A start's outcome, posted by its worker to the window that asked for it.
constexpr UINT WM_START_DONE = WM_APP + 3;

// Starts item `item` of `page` (-1: nothing). A parameter override replaces the
// item's own parameters entirely. Returns at once: the item is copied, and a
// worker in the lane of its path checks the path and folder and asks the shell,
// whose own windows (elevation, "Open with") belong to owner's top window. A
// failure comes back to owner as WM_START_DONE.
void LaunchItem(HWND owner, int page, int item, const wchar_t* parameterOverride = nullptr);
// WM_START_DONE in `owner`: tells the user of a failed start, in a message box
// owned by owner's top window; frees the context.
void OnStartDone(HWND owner, void* context);
void ReleaseStartRequest(void* context);
void ShowRunDialog(HWND owner);
