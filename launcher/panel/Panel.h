// The panel plug-in: creation and destruction of its record and windows, its window
// procedure and layout.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "kdx.h"

// Entries placed in the host's plug-in table.
HWND KDX_CALL CreatePanel(KdxHostServices* services, HWND parent);
int32_t KDX_CALL DestroyPanel(KdxHostServices* services, HWND window);
int32_t KDX_CALL ShowPanelMenu(uint32_t value1, HWND owner, uint32_t value3, uint32_t value4);

bool CreatePanelWindows(HWND parent);
void DestroyPanelWindows();
void LayoutPanel(int width, int height);
LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A worker's result posted to the panel window (WM_ICONS_READY, WM_DROP_READY,
// WM_START_DONE, WM_SAVE_DONE, WM_PATHS_REPAIRED) taken on; false for any other message.
bool HandleWorkerResult(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
