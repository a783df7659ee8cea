// Tests that make a PanelRecord of their own (the product code linked into the
// test program) give it a window that takes the workers' results as the panel
// window does, and pump until the workers are done.
#pragma once

#include <windows.h>

#include "WinTest.h"
#include "panel/AutoSave.h"
#include "panel/FileDrop.h"
#include "panel/ItemImages.h"
#include "panel/Panel.h"
#include "panel/PanelViews.h"
#include "panel/PanelRecord.h"
#include "platform/Launch.h"
#include "platform/Workers.h"

namespace wintest {

inline WNDPROC& ForwardedProc()
{
    static WNDPROC proc = nullptr;
    return proc;
}

inline LRESULT CALLBACK ForwardResults(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleWorkerResult(window, message, wParam, lParam))
        return 0;
    return CallWindowProcA(ForwardedProc(), window, message, wParam, lParam);
}

// `window` (a message-only one when null) becomes the record's panel window for
// results, under a generation of its own. Returns the window.
inline HWND TakeResults(PanelRecord& record, HWND window = nullptr)
{
    if (!window)
        window = CreateWindowExA(0, "STATIC", "results", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ForwardedProc() = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardResults)));
    record.panelWindow = window;
    record.generation = NewWorkerGeneration();
    return window;
}

// Pumps until no worker runs and no result waits in the queue.
inline bool PumpUntilWorkersDone(DWORD timeoutMs = 20000)
{
    return PumpUntil(
        [] {
            MSG waiting;
            return RunningWorkerCount() == 0 && !PeekMessageA(&waiting, nullptr, WM_APP + 1, WM_APP + 8, PM_NOREMOVE);
        },
        timeoutMs);
}

}  // namespace wintest
