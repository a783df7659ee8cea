// The platform compiler's C++ layout held by hand, for g++ test code that talks
// to the platform-built modules: an interface pointer has its own table at +0,
// counting its own operations from 0, and its virtual-base table at +4
// ({-4, offsets from +4 of its virtual bases}). Calls are stdcall with the
// interface pointer first.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "StandInHost.h"

namespace platform {

// Operation `slot` of the interface at `self`, through the interface's own table.
template <class R, class... A>
R Call(void* self, int slot, A... args)
{
    auto* table = *static_cast<void* const**>(self);
    return reinterpret_cast<R(__stdcall*)(void*, A...)>(table[slot])(self, args...);
}

inline const int32_t* BaseTable(void* self)
{
    return *reinterpret_cast<const int32_t* const*>(static_cast<char*>(self) + 4);
}

// The interface's virtual base number `index` (1: VIPluginBase).
inline void* VirtualBase(void* self, int index) { return static_cast<char*>(self) + 4 + BaseTable(self)[index]; }

// A .vx panel plug-in of the platform's layout driven as the newer host drives
// it (PluginSession does the same through g++'s own calls).
class Session {
public:
    Session() = default;
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads the module, creates the object, queries its information and panel
    // interfaces and calls Initialize.
    bool Load(const std::wstring& path);
    HWND Create(HWND parent);
    // Destroy when created, Terminate, the releases; answers the last Release's count.
    int32_t Close();

private:
    HMODULE module_ = nullptr;
    void* base_ = nullptr;
    void* info_ = nullptr;
    void* panel_ = nullptr;
    bool created_ = false;
};

// A StandInHost offered to the platform-built VantrelLib.vx: every host object
// the adaptor reaches (client, memory, tab list, tabs, contents, font source)
// is a stand-in laid out by hand that forwards to the g++ object, so the
// host's script, log and counts hold as they are. One stand-in per object, so
// two pointers to one tab stay equal.
class HostBridge {
public:
    explicit HostBridge(StandInHost& host);
    ~HostBridge();
    HostBridge(const HostBridge&) = delete;
    HostBridge& operator=(const HostBridge&) = delete;

    // Installs the host's client and memory in VantrelLib.vx; the destructor removes them.
    void Register();
    // Tabs handed back that are none of this bridge's.
    int Strangers() const { return strangers_; }

    struct Proxy;
    void* Wrap(void* object, void* const* table, VIPluginBase* base);
    void* Unwrap(void* proxy);

private:
    StandInHost& host_;
    HMODULE library_ = nullptr;
    std::map<void*, std::unique_ptr<Proxy>> proxies_;
    int strangers_ = 0;
    bool registered_ = false;
};

}  // namespace platform
