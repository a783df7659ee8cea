// Answers the modal windows that code under test opens on the test's thread
// (dialogs, message boxes, the file dialog), so that a modal call returns
// without a person.
//
// A thread WH_CBT hook notes every window that becomes active for the first time.
// Once such a window is visible, the next queued action runs on it from a thread
// timer, that is inside the modal loop that owns the window. Actions read the
// window, set fields and post the command that closes it; an action may also
// send a command that opens a further modal window, whose own action then runs
// inside that nested loop. A new window with no action queued is closed with
// WM_CLOSE and counted as unexpected; a window still open after the timeout is
// closed the same way and counted, so a broken test fails instead of hanging.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <string>

namespace wintest {

class ModalDriver {
public:
    using Action = std::function<void(HWND window)>;

    explicit ModalDriver(DWORD timeoutMs = 15000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Queues an action for the next new window.
    void Then(Action action);

    int answered() const { return answered_; }      // windows given an action
    int unexpected() const { return unexpected_; }  // new windows with none queued
    int timedOut() const { return timedOut_; }      // windows closed by the timeout
    size_t pending() const { return actions_.size(); }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK ServeTimer(HWND, UINT, UINT_PTR id, DWORD);
    static void CALLBACK WatchTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Noticed(HWND window);
    void Serve(UINT_PTR timer);

    struct Waiting {
        HWND window;
        DWORD since;
    };

    DWORD timeoutMs_;
    HHOOK hook_ = nullptr;
    UINT_PTR watchTimer_ = 0;
    std::deque<Action> actions_;
    std::map<UINT_PTR, Waiting> waiting_;  // serve timer -> window not yet served
    std::map<HWND, DWORD> served_;         // served window -> when last served or closed
    int answered_ = 0;
    int unexpected_ = 0;
    int timedOut_ = 0;

    static ModalDriver* active_;
};

// Small helpers for actions.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Posts the WM_COMMAND a click on control `id` sends, so the dialog's own loop acts on it.
void PostCommand(HWND dialog, int id);

}  // namespace wintest
