// A tiny KDX plug-in for the host's checks. Each build (HOSTCHECK_<variant>)
// leaves out or changes one thing a host must refuse; "panel" is a good one.
#include <windows.h>

#include "kdx.h"

// What the host did to this module, read by the tests through HostCheckState.
struct HostCheckState {
    int creates;
    int destroys;
    int ticks;
    int foreignTicks;  // ticks with another services table or panel than create got
    KdxHostServices* services;
    HWND panel;
};

static HostCheckState state;

extern "C" __declspec(dllexport) HostCheckState* HostCheckStateOf()
{
    return &state;
}

[[maybe_unused]] static HWND KDX_CALL Create(KdxHostServices* services, HWND parent)
{
    ++state.creates;
    state.services = services;
    state.panel = CreateWindowExA(0, "STATIC", "hostcheck", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent, nullptr,
                                  nullptr, nullptr);
    return state.panel;
}

[[maybe_unused]] static int32_t KDX_CALL Destroy(KdxHostServices*, HWND panel)
{
    ++state.destroys;
    if (panel)
        DestroyWindow(panel);
    return 0;
}

[[maybe_unused]] static int32_t KDX_CALL Tick(KdxHostServices* services, HWND panel)
{
    ++state.ticks;
    if (services != state.services || panel != state.panel)
        ++state.foreignTicks;
    return 0;
}

#ifndef HOSTCHECK_noinfo
extern "C" __declspec(dllexport) uint16_t KDX_CALL KDX_GetPluginInfo()
{
#if defined(HOSTCHECK_kind0)
    return 0x6700;
#elif defined(HOSTCHECK_kind2)
    return 0x0102;
#else
    return 0x0001;  // a panel plug-in; the high byte means nothing
#endif
}
#endif

#ifndef HOSTCHECK_noinit
extern "C" __declspec(dllexport) int32_t KDX_CALL KDX_Initialize(KdxPluginTable* table)
{
    table->create = Create;
    table->destroy = Destroy;
    table->tick = Tick;
#ifdef HOSTCHECK_refuses
    return 1;
#else
    return 0;
#endif
}
#endif
