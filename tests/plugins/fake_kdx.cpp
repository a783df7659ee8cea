// A tiny KDX panel plug-in for the adaptor's tests, built in several variants:
//   FAKE_INFO=<value>     what KDX_GetPluginInfo answers (default 0x6701)
//   FAKE_REFUSE           KDX_Initialize writes every entry, then answers 1
//   FAKE_NO_INITIALIZE    no KDX_Initialize export
//   FAKE_NO_TICK          no tick entry
//   FAKE_NO_FORWARD       no forward entry
//   FAKE_NO_WINDOW        create answers no window
//
// Every call is appended to the process environment variable FAKE_KDX_LOG as
// "event;", which outlives the module, so a test can read what happened even
// after the module was freed. Events: attach, detach, info, init, create,
// tick:<n>, forward:<value>, destroy:<n>:timer-alive|timer-dead, where n is the
// number of the panel window the call was given (1 for the first one created,
// ? for a window this module did not create) and the timer state is whether the
// host's tick timer 12345 was still running on that window.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "kdx.h"

#ifndef FAKE_INFO
#define FAKE_INFO 0x6701
#endif

namespace {

constexpr char kLogVariable[] = "FAKE_KDX_LOG";
constexpr int kMaxWindows = 8;

HINSTANCE instance;
HWND windows[kMaxWindows];
int windowCount;
KdxHostServices* lastServices;

void Log(const char* event)
{
    static char log[32768];
    DWORD length = GetEnvironmentVariableA(kLogVariable, log, sizeof log);
    if (length >= sizeof log - 64)
        length = 0;
    snprintf(log + length, sizeof log - length, "%s;", event);
    SetEnvironmentVariableA(kLogVariable, log);
}

const char* WindowNumber(HWND window)
{
    static char number[16];
    strcpy(number, "?");
    for (int i = 0; i < windowCount; ++i) {
        if (windows[i] == window)
            snprintf(number, sizeof number, "%d", i + 1);
    }
    return number;
}

[[maybe_unused]] HWND KDX_CALL Create(KdxHostServices* services, HWND parent)
{
    Log("create");
    lastServices = services;
#ifdef FAKE_NO_WINDOW
    (void)parent;
    return nullptr;
#else
    HWND window = CreateWindowExA(0, "STATIC", "fake panel", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                                  nullptr, instance, nullptr);
    if (windowCount < kMaxWindows)
        windows[windowCount++] = window;
    return window;
#endif
}

[[maybe_unused]] int32_t KDX_CALL Destroy(KdxHostServices*, HWND panel)
{
    // Killing the timer here answers whether the host had already killed it.
    bool alive = panel && KillTimer(panel, 12345);
    char event[64];
    snprintf(event, sizeof event, "destroy:%s:%s", WindowNumber(panel), alive ? "timer-alive" : "timer-dead");
    Log(event);
    if (panel)
        DestroyWindow(panel);
    return 0;
}

[[maybe_unused]] int32_t KDX_CALL Tick(KdxHostServices*, HWND panel)
{
    char event[32];
    snprintf(event, sizeof event, "tick:%s", WindowNumber(panel));
    Log(event);
    return 0;
}

[[maybe_unused]] int32_t KDX_CALL Menu(uint32_t, HWND, uint32_t, uint32_t) { return 0; }

[[maybe_unused]] int32_t KDX_CALL Forward(uint32_t value)
{
    char event[32];
    snprintf(event, sizeof event, "forward:%u", value);
    Log(event);
    return value == 7;  // only 7 is consumed
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        instance = module;
        Log("attach");
    } else if (reason == DLL_PROCESS_DETACH) {
        Log("detach");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) uint16_t KDX_CALL KDX_GetPluginInfo()
{
    Log("info");
    return FAKE_INFO;
}

#ifndef FAKE_NO_INITIALIZE
extern "C" __declspec(dllexport) int32_t KDX_CALL KDX_Initialize(KdxPluginTable* table)
{
    Log("init");
    table->create = Create;
    table->destroy = Destroy;
    table->menu = Menu;
#ifndef FAKE_NO_TICK
    table->tick = Tick;
#endif
#ifndef FAKE_NO_FORWARD
    table->forward = Forward;
#endif
#ifdef FAKE_REFUSE
    return 1;
#else
    return 0;
#endif
}
#endif

// The services table the last create was given, for tests of the host services.
extern "C" __declspec(dllexport) KdxHostServices* KDX_CALL FakeKdxServices() { return lastServices; }
