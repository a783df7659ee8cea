// Files dropped from the shell: OLE drop feedback and WM_DROPFILES.
#pragma once

#include <windows.h>

struct PanelDropTarget;

// Registers the "Shell IDList Array" clipboard format; called at module load.
void RegisterIdListFormat();

// Creates the drop target registered on `window` (holding one reference for the panel),
// and tears it down again (revoke, release).
PanelDropTarget* CreatePanelDropTarget(HWND window);
void DestroyPanelDropTarget(PanelDropTarget* target);

void OnDropFiles(HDROP drop);
// target: 520 bytes, the link's target as ANSI text (empty when it has none the
// code page can name); wideTarget, when given: 520 characters, the target as stored.
bool ResolveShortcut(const char* path, char* target, WCHAR* wideTarget = nullptr);
