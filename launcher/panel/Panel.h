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
