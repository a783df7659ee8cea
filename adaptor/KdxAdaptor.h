// KdxAdaptor: one object of the newer host's plug-in interfaces that hosts one
// KDX panel plug-in, the one named after this module's own file title.
#pragma once

#include "VantrelPlugin.h"
#include "kdx.h"

class KdxAdaptor : public VObject, public virtual VIPanel {
public:
    KdxAdaptor();

    // VIPluginBase
    bool VCALL QueryInterface(uint32_t id, void** out) override;
    int32_t VCALL AddRef() override;
    int32_t VCALL Release() override;

    // VIPluginInfo
    bool VCALL Initialize() override;
    bool VCALL Terminate() override;
    wchar_t* VCALL GetId(wchar_t** out) override;
    uint32_t VCALL GetVersion() override;

    // VIPanel (HostedPanel.cpp, except the names)
    HWND VCALL Create(HWND parent) override;
    bool VCALL Destroy() override;
    bool VCALL Show(bool visible) override;
    wchar_t* VCALL GetName(wchar_t** out) override;
    void VCALL GetIconPath(wchar_t** out) override;
    bool VCALL Forward(uint32_t value) override;

private:
    // Only Release deletes the object; the host calls Destroy before its last Release.
    ~KdxAdaptor() override;

    bool LoadPlugin(const wchar_t* path);
    bool UnloadPlugin();
    HWND CreateFallbackWindow(HWND parent);
    void StartTickTimer();
    void StopTickTimer();
    static void CALLBACK TickTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

    // The objects whose tick timer runs, linked through nextTicking: the timer
    // procedure finds the object whose Create started the timer on its window,
    // whatever other objects of this module come and go, and never one that is
    // gone (the destructor stops its timer and takes it out).
    static KdxAdaptor* ticking;

    int32_t refCount;
    HWND hostedWindow;  // the plug-in's panel window or the fallback window
    uint8_t fallback;   // nonzero while the fallback window stands in for the plug-in
    // The two KDX tables, byte-packed, held inside the object at whatever address
    // they fall; they stay valid until the plug-in's destroy has returned.
    KdxHostServices services;
    KdxPluginTable pluginTable;
    HMODULE module;  // the loaded KDX plug-in, 0 when none
    KdxGetPluginInfoProc getPluginInfoProc;
    KdxInitializeProc initializeProc;
    KdxAdaptor* nextTicking;
};

// Module-wide state of the adaptor (KdxAdaptor.cpp).
extern HMODULE moduleHandle;
extern wchar_t moduleTitle[MAX_PATH];  // file title without extension

// Computes moduleTitle from this module's file name.
void UpdateModuleTitle();

// A copy of `text` in the host's memory, owned by the host from then on.
wchar_t* CopyToHostString(const wchar_t* text);

// Fills the table with the KDX host services answered from the host's client
// (HostServices.cpp).
void FillHostServices(KdxHostServices* services);
