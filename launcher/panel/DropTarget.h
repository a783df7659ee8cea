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

// The panel window's ID_DRAG_HOVER_TIMER: a drag still held over the tab it stopped
// on shows that tab's page, so the files can be dropped there.
void OnDragHoverTimer(PanelDropTarget* target);
