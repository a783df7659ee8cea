#include "platform/ModalHold.h"

namespace {

volatile LONG outstandingHolds = 0;

// How long one WM_NULL waits for an answer; the thread asks again until the probe
// window is gone with its thread.
constexpr UINT kProbeWait = 5000;

struct Release {
    HMODULE module;
    HWND probe;
};

DWORD WINAPI ReleaseWhenBackInHost(void* param)
{
    Release release = *static_cast<Release*>(param);
    delete static_cast<Release*>(param);
    DWORD_PTR answer = 0;
    while (!SendMessageTimeoutW(release.probe, WM_NULL, 0, 0, SMTO_NORMAL, kProbeWait, &answer)) {
        // A window that is gone was destroyed with the UI thread: nothing of ours
        // runs on it any more.
        if (!IsWindow(release.probe))
            break;
    }
    PostMessageW(release.probe, WM_CLOSE, 0, 0);
    InterlockedDecrement(&outstandingHolds);
    FreeLibraryAndExitThread(release.module, 0);
    return 0;
}

}  // namespace

ModalHold::ModalHold() : module_(nullptr)
{
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ReleaseWhenBackInHost),
                           &module_))
        InterlockedIncrement(&outstandingHolds);
    else
        module_ = nullptr;
}

ModalHold::~ModalHold()
{
    if (!module_)
        return;
    HWND probe = CreateWindowExW(0, L"Static", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    Release* release = new Release{module_, probe};
    HANDLE thread = probe ? CreateThread(nullptr, 0, ReleaseWhenBackInHost, release, 0, nullptr) : nullptr;
    if (thread) {
        CloseHandle(thread);
        return;
    }
    // No thread: the reference stays. A module that is never unloaded is safe; one
    // unmapped under this frame is not.
    delete release;
    if (probe)
        DestroyWindow(probe);
}

int OutstandingModalHolds()
{
    return static_cast<int>(InterlockedCompareExchange(&outstandingHolds, 0, 0));
}
