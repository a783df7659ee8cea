// The module held while one of the panel's own modal loops runs (a dialog, a
// message box, a popup menu, the file dialog, the icon picker).
//
// Such a loop dispatches the host's messages too: the user may close the browser
// from the taskbar while the properties dialog is open, and the host then calls
// destroy and FreeLibrary from inside the loop. When the loop returns, the code it
// returns to is ours, so a ModalHold takes a module reference before the loop and
// keeps the module mapped until the loop has returned.
//
// Letting go is the hard part. If the host freed the module meanwhile, ours is the
// last reference: FreeLibrary at the end of the scope would unmap the code that
// FreeLibrary returns to, and every frame of ours above it. So the reference goes
// to a small thread instead. The UI thread returns through our frames to the host;
// the thread sends WM_NULL (SendMessageTimeout) to a message-only window it had the
// UI thread make, which is answered only when the UI thread retrieves messages
// (GetMessage, PeekMessage, a modal loop), that is, back in the host's loop, and
// then ends with FreeLibraryAndExitThread, its own code still mapped until that
// call. The probe window belongs to a system class, so no window procedure of
// ours outlives the module; the thread posts it WM_CLOSE and the host's loop
// destroys it.
//
// What this relies on: our code retrieves no messages (PeekMessage, GetMessage,
// a cross-thread SendMessage, a COM wait) on its way back to the host, except
// inside another ModalHold, which holds the module itself.
//
// After the loop the panel may be gone (its window destroyed during the loop):
// the caller checks that its panel still lives before touching panel state.
#pragma once

#include <windows.h>

class ModalHold {
public:
    ModalHold();
    ~ModalHold();
    ModalHold(const ModalHold&) = delete;
    ModalHold& operator=(const ModalHold&) = delete;

private:
    HMODULE module_;
};

// Holds whose reference is not given back yet (their threads included).
int OutstandingModalHolds();
