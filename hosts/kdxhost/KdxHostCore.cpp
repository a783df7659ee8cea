#include "KdxHostCore.h"

#include <cstring>

namespace {

constexpr UINT kTickPeriod = 1000;
constexpr const char* kMessageBoxCaption = "kdxhost";

KdxHostState hostState;
HANDLE blockHeap = nullptr;
KdxPlugin* tickingPlugin = nullptr;

HANDLE BlockHeap()
{
    if (!blockHeap)
        blockHeap = HeapCreate(0, 0, 0);
    return blockHeap;
}

char* NewString(const std::string& text)
{
    char* block = static_cast<char*>(HeapAlloc(BlockHeap(), 0, text.size() + 1));
    if (!block)
        return nullptr;
    memcpy(block, text.c_str(), text.size() + 1);
    ++hostState.outstandingBlocks;
    return block;
}

// Tab indexes arrive as 32-bit values; a negative one is as far out of range as a large one.
bool IsTab(uintptr_t index)
{
    return index < hostState.tabs.size();
}

template <typename T>
void WriteOut(uintptr_t destination, T value)
{
    if (destination)
        *reinterpret_cast<T*>(destination) = value;
}

template <typename Proc>
Proc Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void NotifyTabsChanged()
{
    if (hostState.tabsChanged)
        hostState.tabsChanged();
}

// The host's open operation: the address opens in a new tab, which becomes current.
int OpenAddress(const char* address)
{
    KdxHostTab tab;
    tab.address = address ? address : "";
    tab.title = tab.address;
    tab.value = 0;
    hostState.tabs.push_back(tab);
    hostState.currentTab = static_cast<int>(hostState.tabs.size()) - 1;
    NotifyTabsChanged();
    return hostState.currentTab;
}

int32_t KDX_CALL Service(int32_t code, uintptr_t param1, uintptr_t param2)
{
    switch (code) {
    case KdxServiceHostVersion:
        WriteOut<int32_t>(param1, kKdxHostVersion);
        return KdxResultDone;
    case KdxServiceTabCount:
        WriteOut<int32_t>(param1, static_cast<int32_t>(hostState.tabs.size()));
        return KdxResultDone;
    case KdxServiceTabValue:
    case KdxServiceTabValue2:
        if (!IsTab(param1)) {
            WriteOut<int32_t>(param2, 0);
            return KdxResultNotDone;
        }
        WriteOut<int32_t>(param2, hostState.tabs[param1].value);
        return KdxResultDone;
    case KdxServiceTabSetText:
        if (!IsTab(param1))
            return KdxResultNotDone;
        hostState.tabs[param1].handedText = param2 ? reinterpret_cast<const char*>(param2) : "";
        return KdxResultDone;
    case KdxServiceOpen:
        OpenAddress(reinterpret_cast<const char*>(param2));
        return KdxResultDone;
    case KdxServiceTabAction:  // the first tab operation: make the tab current
        if (!IsTab(param1))
            return KdxResultNotDone;
        hostState.currentTab = static_cast<int>(param1);
        NotifyTabsChanged();
        return KdxResultDone;
    case KdxServiceTabText1:
    case KdxServiceTabText2:
        if (!IsTab(param1))
            return KdxResultNotDone;
        WriteOut<char*>(param2, NewString(code == KdxServiceTabText1 ? hostState.tabs[param1].title
                                                                     : hostState.tabs[param1].address));
        return KdxResultDone;
    case KdxServiceCurrentTab:
        if (hostState.currentTab < 0 || !IsTab(static_cast<uintptr_t>(hostState.currentTab)))
            return KdxResultNotDone;
        WriteOut<int32_t>(param1, hostState.currentTab);
        return KdxResultDone;
    case KdxServiceTabAction2:  // the second tab operation: close the tab (no range answer)
        if (IsTab(param1)) {
            hostState.tabs.erase(hostState.tabs.begin() + param1);
            if (hostState.currentTab >= static_cast<int>(hostState.tabs.size()))
                hostState.currentTab = static_cast<int>(hostState.tabs.size()) - 1;
            NotifyTabsChanged();
        }
        return KdxResultDone;
    case KdxServiceOpenInTab:
        WriteOut<int32_t>(param1, OpenAddress(reinterpret_cast<const char*>(param2)));
        return KdxResultDone;
    case KdxServiceFolder: {
        if (param1 > 2 || hostState.folders[param1].empty())
            return KdxResultNotDone;
        WriteOut<char*>(param2, NewString(hostState.folders[param1]));
        return KdxResultDone;
    }
    default:
        return KdxResultUnknownCode;
    }
}

int32_t KDX_CALL Service2(uint32_t, uint32_t, uint32_t)
{
    return 0;
}

void* KDX_CALL Alloc(uint32_t size)
{
    void* block = HeapAlloc(BlockHeap(), 0, size ? size : 1);
    if (block)
        ++hostState.outstandingBlocks;
    return block;
}

int32_t KDX_CALL Free(void* block)
{
    if (block && HeapFree(BlockHeap(), 0, block))
        --hostState.outstandingBlocks;
    return 1;
}

int32_t KDX_CALL MessageBoxService(const char* text, uint32_t flags)
{
    return MessageBoxA(hostState.messageBoxOwner, text, kMessageBoxCaption, flags);
}

}  // namespace

const char* DescribeKdxLoadResult(KdxLoadResult result)
{
    switch (result) {
    case KdxLoadResult::Loaded:
        return "the plug-in was accepted";
    case KdxLoadResult::NotLoadable:
        return "the file could not be loaded as a 32-bit module";
    case KdxLoadResult::NoGetPluginInfo:
        return "the module does not export " KDX_GETPLUGININFO_NAME;
    case KdxLoadResult::NoInitialize:
        return "the module does not export " KDX_INITIALIZE_NAME;
    case KdxLoadResult::NotAPanel:
        return KDX_GETPLUGININFO_NAME " does not report a panel plug-in (its low byte is not 1)";
    case KdxLoadResult::InitializeRefused:
        return KDX_INITIALIZE_NAME " refused the host (nonzero result)";
    }
    return "unknown result";
}

KdxHostState& HostState()
{
    return hostState;
}

void ResetHostState()
{
    for (std::string& folder : hostState.folders)
        folder.clear();
    hostState.tabs.clear();
    hostState.currentTab = -1;
    hostState.messageBoxOwner = nullptr;
    hostState.tabsChanged = nullptr;
}

std::string HostFolderText(const std::string& folder)
{
    if (folder.empty())
        return folder;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    std::string text = (length > 0 && length < MAX_PATH) ? std::string(full, length) : folder;
    if (text.back() != '\\')
        text += '\\';
    return text;
}

KdxHostServices* HostServices()
{
    static KdxHostServices services;
    if (!services.size) {
        memset(&services, 0, sizeof services);
        services.size = kKdxHostServicesSize;
        services.service = Service;
        services.service2 = Service2;
        services.alloc = Alloc;
        services.free = Free;
        services.messageBox = MessageBoxService;
    }
    return &services;
}

KdxPlugin::~KdxPlugin()
{
    Destroy();
}

KdxLoadResult KdxPlugin::Load(const char* path)
{
    Destroy();
    module_ = LoadLibraryA(path);
    if (!module_)
        return KdxLoadResult::NotLoadable;

    auto getPluginInfo = Export<KdxGetPluginInfoProc>(module_, KDX_GETPLUGININFO_NAME);
    auto initialize = Export<KdxInitializeProc>(module_, KDX_INITIALIZE_NAME);
    KdxLoadResult result = KdxLoadResult::Loaded;
    if (!getPluginInfo) {
        result = KdxLoadResult::NoGetPluginInfo;
    } else if (!initialize) {
        result = KdxLoadResult::NoInitialize;
    } else {
        pluginInfo_ = getPluginInfo();
        if (!IsKdxPanelPlugin(pluginInfo_)) {
            result = KdxLoadResult::NotAPanel;
        } else {
            HostServices();
            memset(&table_, 0, sizeof table_);
            table_.size = kKdxPluginTableSize;
            if (initialize(&table_) != 0)
                result = KdxLoadResult::InitializeRefused;
        }
    }
    if (result != KdxLoadResult::Loaded) {
        // A refused module is unloaded and none of its entries is ever called.
        memset(&table_, 0, sizeof table_);
        Unload();
    }
    return result;
}

HWND KdxPlugin::Create(HWND parent)
{
    if (!module_ || !table_.create || created_)
        return nullptr;
    created_ = true;
    panel_ = table_.create(HostServices(), parent);
    if (panel_ && table_.tick) {
        ticks_ = 0;
        tickingPlugin = this;
        tickTimer_ = SetTimer(nullptr, 0, kTickPeriod, OnTick);
    }
    return panel_;
}

void KdxPlugin::Destroy()
{
    // The tick stops before destroy: no tick may reach a panel being torn down.
    if (tickTimer_) {
        KillTimer(nullptr, tickTimer_);
        tickTimer_ = 0;
    }
    if (tickingPlugin == this)
        tickingPlugin = nullptr;
    // A plug-in whose create failed still gets its destroy, to release what it made.
    if (created_ && table_.destroy)
        table_.destroy(HostServices(), panel_);
    created_ = false;
    panel_ = nullptr;
    Unload();
}

void KdxPlugin::Unload()
{
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    memset(&table_, 0, sizeof table_);
}

void CALLBACK KdxPlugin::OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    KdxPlugin* plugin = tickingPlugin;
    if (!plugin || !plugin->table_.tick || !plugin->panel_)
        return;
    ++plugin->ticks_;
    plugin->table_.tick(HostServices(), plugin->panel_);
}
