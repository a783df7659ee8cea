// Saving as the user works: every change the panel makes schedules a save of the
// whole settings file SAVE_DELAY after the last change, on a timer of the panel
// window, so a burst of changes is one save and a host that dies later loses
// nothing. The click itself only starts the timer. The text is made on the
// panel's thread; a worker writes it and puts it in place, and tells the panel
// window (WM_SAVE_DONE).
#pragma once

#include <windows.h>

constexpr UINT WM_SAVE_DONE = WM_APP + 4;

// From here on changes are noted: the panel has loaded and shown its file. The
// state is the live panel record's; NoteChange is the data's change hook.
void StartAutoSave();
// Schedules the save, or moves a scheduled one on. Nothing before StartAutoSave,
// after SaveAtDestroy, or while a save runs (it stores places itself).
void NoteChange();
// The panel window's ID_SAVE_TIMER. A save another program refuses is tried
// again a few times over about a second, then at the next change.
void OnSaveTimer(HWND window);
// The last save of a panel that loaded its file, at once; no scheduled save
// runs after it.
// About a second at most is waited for it; a longer one finishes on its worker.
void SaveAtDestroy();
// WM_SAVE_DONE: the outcome of the saves written (backup kept, a refusal to try
// again); ReleaseSaveDone frees one that does not arrive.
void OnSaveDone(DWORD generation, void* context);
void ReleaseSaveDone(void* context);
// The panel's share of its saves goes (destroy, after SaveAtDestroy).
void EndAutoSave();
