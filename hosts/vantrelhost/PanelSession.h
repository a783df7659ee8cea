// One .vx panel plug-in as the newer host drives it. Plain C++ and Win32 with no
// compiled standard library: vantrelhost.exe builds it in the platform's layout,
// the g++ tests' stand-in host (tests/support/StandInHost) in g++'s.
#pragma once

#include "VantrelPlugin.h"

// One .vx panel plug-in as the host drives it: load the module, create the
// object, query the information and panel interfaces, Initialize; Create and
// Show; on Close, Destroy, the releases down to the last one, and unload.
class PanelSession {
public:
    PanelSession() = default;
    ~PanelSession() { Close(); }
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    bool Load(const wchar_t* path);
    HWND Create(HWND parent);
    void Show(bool visible);
    bool Forward(uint32_t value);
    // The panel's name, cut to `size` characters with the terminator.
    void Name(wchar_t* name, int size);
    // Answers the count that the last Release returned (0 when the object went).
    int32_t Close();

    HMODULE module() const { return module_; }
    VIPluginBase* base() const { return base_; }
    VIPluginInfo* info() const { return info_; }
    VIPanel* panel() const { return panel_; }
    HWND window() const { return window_; }

private:
    HMODULE module_ = nullptr;
    VIPluginBase* base_ = nullptr;
    VIPluginInfo* info_ = nullptr;
    VIPanel* panel_ = nullptr;
    HWND window_ = nullptr;
    bool created_ = false;
};
