#include "Panel.h"

#include <cstring>

#include "LauncherData.h"

PanelState panelState = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         false, -1, 0, 0, nullptr, false};

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        panelState.instance = instance;
    return TRUE;
}

extern "C" uint16_t KDX_CALL KDX_GetPluginInfo()
{
    return 0x6701;  // low byte 1: a panel plug-in
}

extern "C" int32_t KDX_CALL KDX_Initialize(KdxPluginTable* table)
{
    // Only the three entries the panel has; tick and forward stay as the host left them.
    table->create = CreatePanel;
    table->destroy = DestroyPanel;
    table->menu = ShowPanelMenu;
    return 0;
}

// Placeholders until the panel window lands; replaced by the real entries.
HWND KDX_CALL CreatePanel(KdxHostServices*, HWND) { return nullptr; }
int32_t KDX_CALL DestroyPanel(KdxHostServices*, HWND) { return 0; }
int32_t KDX_CALL ShowPanelMenu(uint32_t, HWND, uint32_t, uint32_t) { return 0; }
