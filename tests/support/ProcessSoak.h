// The shipped modules loaded, created, destroyed and unloaded over and over in
// one process, read as a whole (ResourceWatch's ReadProcess) from before the
// first load: the soak of LifecycleSoakTest and the rows of LifecycleBench.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ResourceWatch.h"

namespace wintest {

// What a long-running host such as a browser has done before it loads its first
// plug-in, and the soak's host does before its first reading: comdlg32.dll is
// loaded (it is the host's; under Wine every load of it leaves a handle, see
// tests/README.md), OLE is initialized on the thread with a drop target of the
// host's own on `window` (OLE's remoting starts at the first drop target of the
// apartment), and the host's memory service has been used once. Undone when the
// object goes.
class PreparedHost {
public:
    explicit PreparedHost(HWND window);
    ~PreparedHost();
    PreparedHost(const PreparedHost&) = delete;
    PreparedHost& operator=(const PreparedHost&) = delete;

private:
    HWND window_;
    HMODULE comdlg_ = nullptr;
    bool ole_ = false;
    bool dropTarget_ = false;
};

// One way through a panel's life that a host repeats. Cycle loads the module,
// creates the panel in `parent`, runs the message loop, destroys the panel and
// unloads everything; it answers "" or what went wrong, and sets `module` to
// the module that created the panel's window (for its window class).
class ModuleCycle {
public:
    virtual ~ModuleCycle() = default;
    virtual const char* name() const = 0;
    virtual std::string Cycle(HWND parent, HMODULE* module) = 0;

    // The longest wait from the host's FreeLibrary until the module was really
    // unloaded (its workers ending), in milliseconds.
    DWORD longestUnloadWait = 0;
};

// Dockmere.kdx through kdxhost's host code (KdxHostCore): LoadLibrary,
// KDX_Initialize, create, the message loop, destroy, FreeLibrary; a settings
// file of three pages in the host's setting folder.
std::unique_ptr<ModuleCycle> KdxHostCycle();

// Brevlin.vx, the shipped adaptor in the platform's layout, copied as
// Dockmere.vx with kdx\Dockmere.kdx behind it, driven as the newer host drives
// it (platform::Session through platform::HostBridge and the shipped
// VantrelLib.vx): VPI_CreateInstance, the interfaces, Initialize, Create, the
// message loop, Destroy, Terminate, the releases, FreeLibrary.
std::unique_ptr<ModuleCycle> AdaptorCycle();

struct SoakResult {
    int cycles = 0;
    ProcessReading before = {};  // before the first LoadLibrary
    ProcessReading first = {};   // after the first cycle
    ProcessReading end = {};     // after the last
    bool classBefore = false;    // the panel's window class was registered before the first load
    int classLeftAfter = 0;      // unloads after which the panel's class was still registered
    std::string problem;         // the first cycle that went wrong, and how
    DWORD longestUnloadWait = 0;  // ms from FreeLibrary until the module was gone, at most
};

// The panel's window class, "Corvane Plugin - Dockmere", as registered by `module`
// (null: by any module; Wine finds a class of another module's then).
bool PanelClassRegistered(HMODULE module);

// Reads the process, runs `cycles` cycles, reading it after the first and the last.
SoakResult Soak(ModuleCycle& cycle, HWND parent, int cycles);

}  // namespace wintest
