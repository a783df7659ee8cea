// The panel window's OLE drop target: drop feedback, and the dropped files posted
// to the panel as WM_DROPFILES (FileDrop.h).
#pragma once

#include <windows.h>

struct PanelDropTarget;

// Registers the "Shell IDList Array" clipboard format; called at module load.
void RegisterIdListFormat();

// Creates the drop target registered on `window` (holding one reference for the panel),
// and tears it down again (revoke, release).
PanelDropTarget* CreatePanelDropTarget(HWND window);
void DestroyPanelDropTarget(PanelDropTarget* target);
