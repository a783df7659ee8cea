#include "PlatformLayout.h"

#include <initializer_list>
#include <utility>

#include "WinTest.h"

namespace platform {

// A host object's stand-in: own table, virtual-base table, then the
// VIPluginBase sub-object (its table at +8), then what it forwards to.
struct HostBridge::Proxy {
    void* const* table;
    const int32_t* bases;
    void* const* baseTable;
    void* target;        // the g++ object, as the interface the proxy stands for
    VIPluginBase* base;  // the same object as its base
    HostBridge* bridge;
};

namespace {

using Proxy = HostBridge::Proxy;
const int32_t kBases[] = {-4, 4};  // VIPluginBase follows at +8

Proxy* Own(void* self) { return static_cast<Proxy*>(self); }
Proxy* FromBase(void* self) { return reinterpret_cast<Proxy*>(static_cast<char*>(self) - 8); }
template <class T>
T* Target(void* self)
{
    return static_cast<T*>(Own(self)->target);
}

// The host's objects answer no interface by number.
bool __stdcall Query(void*, uint32_t, void** out)
{
    if (out)
        *out = nullptr;
    return false;
}
int32_t __stdcall AddRef(void* self) { return FromBase(self)->base->AddRef(); }
int32_t __stdcall Release(void* self) { return FromBase(self)->base->Release(); }
void* const kBaseTable[] = {(void*)Query, (void*)AddRef, (void*)Release};

// A stand-in's own table of `N` operations; those no plug-in calls stay null.
template <size_t N>
struct Table {
    void* slot[N];
};
template <size_t N>
Table<N> Slots(std::initializer_list<std::pair<int, void*>> operations)
{
    Table<N> table{};
    for (const auto& operation : operations)
        table.slot[operation.first] = operation.second;
    return table;
}

void __stdcall GetValue(void* self, int32_t* out) { Target<VITabContent>(self)->GetValue(out); }
void __stdcall PutText(void* self, const wchar_t* text) { Target<VITabContent>(self)->PutText(text); }
void __stdcall GetTitle(void* self, wchar_t** out) { Target<VITabContent>(self)->GetTitle(out); }
void __stdcall GetAddress(void* self, wchar_t** out) { Target<VITabContent>(self)->GetAddress(out); }
const Table<53> kContentTable =
    Slots<53>({{5, (void*)GetValue}, {7, (void*)PutText}, {51, (void*)GetTitle}, {52, (void*)GetAddress}});

void* __stdcall GetContent(void* self)
{
    VITabContent* content = Target<VITab>(self)->GetContent();
    return Own(self)->bridge->Wrap(content, kContentTable.slot, content);
}
const Table<1> kTabTable = Slots<1>({{0, (void*)GetContent}});
void* WrapTab(void* self, VITab* tab) { return Own(self)->bridge->Wrap(tab, kTabTable.slot, tab); }

uint32_t __stdcall Count(void* self) { return Target<VITabList>(self)->Count(); }
void* __stdcall GetTab(void* self, uint32_t index) { return WrapTab(self, Target<VITabList>(self)->GetTab(index)); }
void __stdcall SelectTab(void* self, void* tab)
{
    Target<VITabList>(self)->SelectTab(static_cast<VITab*>(Own(self)->bridge->Unwrap(tab)));
}
void* __stdcall GetCurrentTab(void* self) { return WrapTab(self, Target<VITabList>(self)->GetCurrentTab()); }
void __stdcall ReloadTab(void* self, void* tab)
{
    Target<VITabList>(self)->ReloadTab(static_cast<VITab*>(Own(self)->bridge->Unwrap(tab)));
}
const Table<8> kTabListTable = Slots<8>({{0, (void*)Count},
                                         {1, (void*)GetTab},
                                         {3, (void*)SelectTab},
                                         {6, (void*)GetCurrentTab},
                                         {7, (void*)ReloadTab}});

HFONT* __stdcall GetFont(void* self) { return Target<VIFontSource>(self)->GetFont(); }
const Table<13> kFontTable = Slots<13>({{12, (void*)GetFont}});

void* __stdcall GetComponent(void* self, uint32_t id, void** out)
{
    void* object = nullptr;
    Target<VIClient>(self)->GetComponent(id, &object);
    HostBridge* bridge = Own(self)->bridge;
    if (object && id == VexComponentTabList)
        object = bridge->Wrap(object, kTabListTable.slot, static_cast<VITabList*>(object));
    else if (object && id == VexComponentFontSource)
        object = bridge->Wrap(object, kFontTable.slot, static_cast<VIFontSource*>(object));
    return out ? *out = object : object;
}
bool __stdcall GetFolder(void* self, uint32_t id, wchar_t** out) { return Target<VIClient>(self)->GetFolder(id, out); }
void* __stdcall Open(void* self, const wchar_t* target, const wchar_t* address, uint32_t flags)
{
    return WrapTab(self, Target<VIClient>(self)->Open(target, address, flags));
}
const Table<12> kClientTable = Slots<12>({{6, (void*)GetComponent}, {10, (void*)GetFolder}, {11, (void*)Open}});

void* __stdcall Allocate(void* self, uint32_t bytes) { return Target<VIMemory>(self)->Allocate(bytes); }
void __stdcall Free(void* self, void* block) { Target<VIMemory>(self)->Free(block); }
const Table<2> kMemoryTable = Slots<2>({{0, (void*)Allocate}, {1, (void*)Free}});

}  // namespace

bool Session::Load(const std::wstring& path)
{
    Close();
    module_ = LoadLibraryW(path.c_str());
    auto create = reinterpret_cast<void*(__stdcall*)(uint32_t)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, VPI_CREATEINSTANCE_NAME)));
    base_ = create ? create(0) : nullptr;
    if (base_) {
        Call<bool>(base_, 0, static_cast<uint32_t>(VexInterfaceInfo), &info_);
        Call<bool>(base_, 0, static_cast<uint32_t>(VexInterfacePanel), &panel_);
    }
    if (!info_ || !panel_) {
        Close();
        return false;
    }
    Call<bool>(info_, 0);  // Initialize
    return true;
}

HWND Session::Create(HWND parent)
{
    created_ = panel_ != nullptr;
    return panel_ ? Call<HWND>(panel_, 0, parent) : nullptr;
}

int32_t Session::Close()
{
    int32_t count = 0;
    if (created_)
        Call<bool>(panel_, 1);  // Destroy
    created_ = false;
    if (info_) {
        Call<bool>(info_, 1);  // Terminate
        Call<int32_t>(VirtualBase(info_, 1), 2);
    }
    if (panel_)
        Call<int32_t>(VirtualBase(panel_, 1), 2);
    if (base_)
        count = Call<int32_t>(base_, 2);
    info_ = panel_ = base_ = nullptr;
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    return count;
}

// VantrelLib.vx's VexRegisterHost, null when `library` is not loaded.
void (*RegisterHostOf(HMODULE library))(void*, void*)
{
    return reinterpret_cast<void (*)(void*, void*)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "VexRegisterHost")));
}

HostBridge::HostBridge(StandInHost& host) : host_(host) {}

HostBridge::~HostBridge()
{
    if (registered_)
        RegisterHostOf(library_)(nullptr, nullptr);
    if (library_)
        FreeLibrary(library_);
}

void HostBridge::Register()
{
    if (!library_)
        library_ = LoadLibraryA((wintest::ProgramFolder() + "VantrelLib.vx").c_str());
    auto registerHost = RegisterHostOf(library_);
    if (!registerHost)
        return;
    registerHost(Wrap(host_.client(), kClientTable.slot, host_.client()),
                 Wrap(host_.memory(), kMemoryTable.slot, host_.memory()));
    registered_ = true;
}

void* HostBridge::Wrap(void* object, void* const* table, VIPluginBase* base)
{
    if (!object)
        return nullptr;
    std::unique_ptr<Proxy>& proxy = proxies_[object];
    if (!proxy)
        proxy.reset(new Proxy{table, kBases, kBaseTable, object, base, this});
    return proxy.get();
}

void* HostBridge::Unwrap(void* proxy)
{
    for (const auto& entry : proxies_) {
        if (entry.second.get() == proxy)
            return entry.first;
    }
    strangers_ += proxy != nullptr;
    return nullptr;
}

}  // namespace platform
