// The panel plug-in: its window state, creation and destruction, window procedure
// and layout.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "kdx.h"

struct PanelDropTarget;

// The module-wide window state. Zero at module load except dragSource (-1);
// nothing in it is reset when the panel is destroyed.
struct PanelState {
    HINSTANCE instance;
    HWND panelWindow;
    HWND listView;
    HWND tabControl;
    HIMAGELIST largeImageList;  // 32x32, the list view's normal image list
    HIMAGELIST smallImageList;  // 16x16, the list view's small image list
    PanelDropTarget* dropTarget;
    bool dragging;
    int dragSource;
    int dragOffsetX;
    int dragOffsetY;
    HWND labelEditControl;
    bool layoutTimerStarted;
};

extern PanelState panelState;

// Entries placed in the host's plug-in table.
HWND KDX_CALL CreatePanel(KdxHostServices* services, HWND parent);
int32_t KDX_CALL DestroyPanel(KdxHostServices* services, HWND window);
int32_t KDX_CALL ShowPanelMenu(uint32_t value1, HWND owner, uint32_t value3, uint32_t value4);

bool CreatePanelWindows(HWND parent);
void DestroyPanelWindows();
void ApplySettings();
void RequestLayout();
void LayoutPanel(int width, int height);
LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
