// Files dropped from the shell and handed to the panel as WM_DROPFILES.
#pragma once

#include <windows.h>

// A drop's file looked at by its worker, posted to the panel window.
constexpr UINT WM_DROP_READY = WM_APP + 2;

// The files one drop adds at most: each is a worker task, an icon, and for a
// shortcut a question. The rest are named in a message.
constexpr unsigned kMaxDropFiles = 100;

void OnDropFiles(HDROP drop);
// WM_DROP_READY: the drop is finished in its turn (a new item, or a start).
void OnDropReady(DWORD generation, void* context);
void ReleaseDropRequest(void* context);
// The drops still waiting for an earlier one go with the panel.
void ForgetWaitingDrops();
