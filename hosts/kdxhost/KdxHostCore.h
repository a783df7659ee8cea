// The host side of the KDX interface, as the stand-in browser runs it: checking and
// loading a plug-in module, the host-services table with a small in-memory tab
// list, the 1000 ms tick, and destroying and unloading the panel.
//
// The services carry no context argument, so their state is one per process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "kdx.h"

// Why a plug-in module was refused, or that it was accepted.
enum class KdxLoadResult {
    Loaded,
    NotLoadable,        // LoadLibrary failed
    NoGetPluginInfo,    // KDX_GetPluginInfo is not exported
    NoInitialize,       // KDX_Initialize is not exported
    NotAPanel,          // the low byte of KDX_GetPluginInfo is not 1
    InitializeRefused,  // KDX_Initialize answered nonzero
};

// One sentence saying what a result means.
const char* DescribeKdxLoadResult(KdxLoadResult result);

struct KdxHostTab {
    std::string title;    // the tab content's first text (service 7)
    std::string address;  // its second text (service 8)
    int32_t value;        // the value it reports (services 3 and 18)
    std::string handedText;  // the last text handed to it (service 4)
};

// What the services answer and what they have done.
struct KdxHostState {
    std::string folders[3];  // selectors 0, 1 (setting folder) and 2 of service 19
    std::vector<KdxHostTab> tabs;
    int currentTab = -1;
    HWND messageBoxOwner = nullptr;
    long outstandingBlocks = 0;   // alloc minus free
    void (*tabsChanged)() = nullptr;  // told after a service changed the tab list
};

KdxHostState& HostState();

// Resets the tab list and folders; the block count is kept (blocks may still be out).
void ResetHostState();

// A folder as the host hands it out: absolute, ending in a backslash.
std::string HostFolderText(const std::string& folder);

// The host-services table, filled (step 3) and the same address for every call.
KdxHostServices* HostServices();

// One plug-in module through the host's steps: Load (1, 2, 4), Create (5, with the
// tick of step 6 when the plug-in has one) and Destroy (7). Destroying the object
// destroys the panel and unloads the module.
class KdxPlugin {
public:
    KdxPlugin() = default;
    ~KdxPlugin();
    KdxPlugin(const KdxPlugin&) = delete;
    KdxPlugin& operator=(const KdxPlugin&) = delete;

    KdxLoadResult Load(const char* path);
    HWND Create(HWND parent);
    void Destroy();  // kills the tick, calls destroy, unloads; harmless when nothing is loaded

    HMODULE module() const { return module_; }
    HWND panel() const { return panel_; }
    uint16_t pluginInfo() const { return pluginInfo_; }
    const KdxPluginTable& table() const { return table_; }
    int tickCount() const { return ticks_; }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
    void Unload();

    HMODULE module_ = nullptr;
    HWND panel_ = nullptr;
    bool created_ = false;
    uint16_t pluginInfo_ = 0;
    KdxPluginTable table_ = {};
    UINT_PTR tickTimer_ = 0;
    int ticks_ = 0;
};
