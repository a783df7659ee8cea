// The interfaces through which the newer host talks to a panel plug-in, and the
// plug-in module's export. Shared by the adaptor and by hosts.
//
// The host reaches VIPluginBase from any of the three interface pointers
// through the pointer's virtual-base table, so the interfaces are declared with
// virtual inheritance exactly as below, in the layout of the platform's compiler
// (cmake/i686-pc-windows-msvc.cmake): each interface pointer has its own table
// at +0, counting its own operations from 0, and its virtual-base table at +4.
#pragma once

#include "VantrelLib.h"

// Interface numbers of VIPluginBase::QueryInterface.
enum VexInterface : uint32_t {
    VexInterfaceBase = 0,
    VexInterfaceInfo = 3,
    VexInterfacePanel = 0x1000002,
};

// The identity of a plug-in.
struct VIPluginInfo : virtual VIPluginBase {
    virtual bool VCALL Initialize() = 0;
    virtual bool VCALL Terminate() = 0;
    // Writes a string of the host's memory to `out` and returns it too.
    virtual wchar_t* VCALL GetId(wchar_t** out) = 0;
    virtual uint32_t VCALL GetVersion() = 0;
};

// A panel shown in the host's side pane.
struct VIPanel : virtual VIPluginBase, virtual VIPluginInfo {
    virtual HWND VCALL Create(HWND parent) = 0;
    virtual bool VCALL Destroy() = 0;
    virtual bool VCALL Show(bool visible) = 0;
    virtual wchar_t* VCALL GetName(wchar_t** out) = 0;
    virtual void VCALL GetIconPath(wchar_t** out) = 0;  // relative to the host's folder
    virtual bool VCALL Forward(uint32_t value) = 0;
};

// The plug-in module's export: a new object with one reference, as VIPluginBase.
typedef VIPluginBase*(VCALL* VpiCreateInstanceProc)(uint32_t unused);

#define VPI_CREATEINSTANCE_NAME "VPI_CreateInstance"
