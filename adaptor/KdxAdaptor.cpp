// The adaptor object: module entry, VPI_CreateInstance, reference counting,
// interface query and the plug-in's identity texts.
#include "KdxAdaptor.h"

#include <string.h>
#include <wchar.h>

HMODULE moduleHandle;
wchar_t moduleTitle[MAX_PATH];

namespace {

// The identity is at most 255 characters: the fixed part takes 39, so the
// formatting keeps at most 216 characters of the title.
constexpr wchar_t kIdentityFormat[] = L"{C46E8446-BD99-4ef6-BE49-6D3751BF28DD-%.216s}";
constexpr int kIdentityLength = 256;

constexpr wchar_t kIconFolder[] = L"panel\\kdx\\";
constexpr wchar_t kIconExtension[] = L".ico";

constexpr uint32_t kVersion = 100;

struct InterfaceEntry {
    uint32_t id;
    void* (*get)(KdxAdaptor* adaptor);
};

const InterfaceEntry kInterfaces[] = {
    {VexInterfaceBase, [](KdxAdaptor* a) -> void* { return static_cast<VIPluginBase*>(a); }},
    {VexInterfaceInfo, [](KdxAdaptor* a) -> void* { return static_cast<VIPluginInfo*>(a); }},
    {VexInterfacePanel, [](KdxAdaptor* a) -> void* { return static_cast<VIPanel*>(a); }},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        moduleHandle = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" VIPluginBase* VCALL VPI_CreateInstance(uint32_t)
{
    auto* adaptor = new KdxAdaptor();
    adaptor->AddRef();
    return adaptor;
}

void UpdateModuleTitle()
{
    // The file's own name, whatever Explorer shows: GetFileTitleW gives the display
    // name, which loses the extension when known extensions are hidden, and a copy
    // named Tab.Tools.vx would then look for kdx\Tab.kdx.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(moduleHandle, path, MAX_PATH);
    path[MAX_PATH - 1] = 0;  // a cut path is not terminated on every system
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':')
            name = p + 1;
    }
    lstrcpynW(moduleTitle, name, MAX_PATH);
    wchar_t* dot = wcsrchr(moduleTitle, L'.');
    if (dot)
        *dot = 0;
}

wchar_t* CopyToHostString(const wchar_t* text)
{
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(VexGetMemory()->Allocate(static_cast<uint32_t>(bytes)));
    // A method that promises a string never hands the host null, and nothing is
    // written through a null block: a host memory that has none left ends the
    // call with the allocation failure of the platform, as our own heap does
    // (PlatformRuntime.cpp).
    if (!copy)
        RaiseException(static_cast<DWORD>(STATUS_NO_MEMORY), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    memcpy(copy, text, bytes);
    return copy;
}

KdxAdaptor::KdxAdaptor()
    : refCount(0),
      hostedWindow(nullptr),
      fallback(0),
      services(),
      pluginTable(),
      module(nullptr),
      getPluginInfoProc(nullptr),
      initializeProc(nullptr),
      nextTicking(nullptr)
{
}

KdxAdaptor::~KdxAdaptor()
{
    // A host that lets go without Destroy leaves the plug-in loaded; its timer
    // must not outlive the object.
    StopTickTimer();
}

bool VCALL KdxAdaptor::QueryInterface(uint32_t id, void** out)
{
    if (!out)
        return false;
    for (const InterfaceEntry& entry : kInterfaces) {
        if (entry.id == id) {
            AddRef();
            *out = entry.get(this);
            return true;
        }
    }
    *out = nullptr;
    return false;
}

int32_t VCALL KdxAdaptor::AddRef() { return ++refCount; }

int32_t VCALL KdxAdaptor::Release()
{
    int32_t count = --refCount;
    if (count == 0)
        delete this;
    return count;
}

bool VCALL KdxAdaptor::Initialize()
{
    UpdateModuleTitle();
    return true;
}

bool VCALL KdxAdaptor::Terminate() { return true; }

wchar_t* VCALL KdxAdaptor::GetId(wchar_t** out)
{
    UpdateModuleTitle();
    wchar_t identity[kIdentityLength];
    wsprintfW(identity, kIdentityFormat, moduleTitle);
    wchar_t* copy = CopyToHostString(identity);
    if (out)
        *out = copy;
    return copy;
}

uint32_t VCALL KdxAdaptor::GetVersion() { return kVersion; }

wchar_t* VCALL KdxAdaptor::GetName(wchar_t** out)
{
    wchar_t* copy = CopyToHostString(moduleTitle);
    if (out)
        *out = copy;
    return copy;
}

void VCALL KdxAdaptor::GetIconPath(wchar_t** out)
{
    if (!out)
        return;
    VString path(kIconFolder);
    path += moduleTitle;
    path += kIconExtension;
    *out = CopyToHostString(path.GetText());
}
