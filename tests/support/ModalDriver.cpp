#include "ModalDriver.h"

#include <vector>

namespace wintest {

ModalDriver* ModalDriver::active_ = nullptr;

namespace {

const UINT kServeDelayMs = 10;
const UINT kWatchPeriodMs = 250;
// A window that is still hidden this long after its activation is not a modal
// window the test waits for (an owner being reactivated, a helper window).
const DWORD kVisibleWithinMs = 2000;

}  // namespace

ModalDriver::ModalDriver(DWORD timeoutMs) : timeoutMs_(timeoutMs)
{
    active_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    watchTimer_ = SetTimer(nullptr, 0, kWatchPeriodMs, WatchTimer);
}

ModalDriver::~ModalDriver()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    KillTimer(nullptr, watchTimer_);
    for (const auto& entry : waiting_)
        KillTimer(nullptr, entry.first);
    active_ = nullptr;
}

void ModalDriver::Then(Action action)
{
    actions_.push_back(std::move(action));
}

LRESULT CALLBACK ModalDriver::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    ModalDriver* driver = active_;
    if (driver) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE)
            driver->Noticed(window);
        else if (code == HCBT_DESTROYWND)
            driver->served_.erase(window);
    }
    return CallNextHookEx(driver ? driver->hook_ : nullptr, code, wParam, lParam);
}

void ModalDriver::Noticed(HWND window)
{
    // Activation returns to a dialog when a window above it closes; only the
    // first activation counts.
    if (served_.count(window))
        return;
    for (const auto& entry : waiting_)
        if (entry.second.window == window)
            return;
    UINT_PTR timer = SetTimer(nullptr, 0, kServeDelayMs, ServeTimer);
    waiting_[timer] = Waiting{window, GetTickCount()};
}

void CALLBACK ModalDriver::ServeTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (active_)
        active_->Serve(id);
}

void ModalDriver::Serve(UINT_PTR timer)
{
    auto found = waiting_.find(timer);
    if (found == waiting_.end())
        return;
    Waiting waiting = found->second;
    waiting_.erase(found);
    if (!IsWindow(waiting.window))
        return;
    if (!IsWindowVisible(waiting.window)) {
        // Not shown yet: look again shortly, up to a limit.
        if (GetTickCount() - waiting.since < kVisibleWithinMs)
            waiting_[SetTimer(nullptr, 0, kServeDelayMs, ServeTimer)] = waiting;
        return;
    }

    served_[waiting.window] = GetTickCount();
    if (actions_.empty()) {
        ++unexpected_;
        PostMessageA(waiting.window, WM_CLOSE, 0, 0);
        return;
    }
    // Taken off the queue before it runs: the action may open a nested modal
    // window whose own action is served while this one is still running.
    Action action = std::move(actions_.front());
    actions_.pop_front();
    ++answered_;
    action(waiting.window);
}

void CALLBACK ModalDriver::WatchTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ModalDriver* driver = active_;
    if (!driver)
        return;
    DWORD now = GetTickCount();
    std::vector<HWND> gone;
    for (auto& entry : driver->served_) {
        if (!IsWindow(entry.first)) {
            gone.push_back(entry.first);
        } else if (now - entry.second >= driver->timeoutMs_) {
            ++driver->timedOut_;
            entry.second = now;
            PostMessageA(entry.first, WM_CLOSE, 0, 0);
        }
    }
    for (HWND window : gone)
        driver->served_.erase(window);
}

std::string WindowText(HWND window)
{
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    char text[2048] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void PostCommand(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace wintest
