// A module that opens a message box under a ModalHold, as the panel opens its own
// modal windows: the test unloads it from inside the box's loop.
#include <windows.h>

#include "platform/ModalHold.h"

extern "C" __declspec(dllexport) int RunHeldMessageBox(HWND owner, const char* text)
{
    ModalHold hold;
    return MessageBoxA(owner, text, "ModalHold", MB_OK);
}
