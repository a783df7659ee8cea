// The panel behind VIPanel: loading the KDX plug-in named after this module,
// its create, destroy and forward entries, the tick timer, and the help-text
// window shown when no usable plug-in is there.
#include "KdxAdaptor.h"

#include <string.h>

namespace {

constexpr wchar_t kPluginFolder[] = L"kdx\\";
constexpr wchar_t kPluginExtension[] = L".kdx";

constexpr UINT_PTR kTickTimerId = 12345;
constexpr UINT kTickPeriod = 1000;

constexpr wchar_t kFallbackClass[] = L"EDIT";
constexpr DWORD kFallbackStyle = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;
static_assert(kFallbackStyle == 0x50001044, "fallback window style");
constexpr wchar_t kHelpFile[] = L"KdxPanel.ini";
constexpr wchar_t kHelpKey[] = L"HowToUseKdxAdaptor";

template <class Proc>
Proc ProcAddress(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

HWND VCALL KdxAdaptor::Create(HWND parent)
{
    // A panel left standing by an earlier Create goes first: its window and timer
    // would otherwise keep calling into a module that is about to be loaded anew.
    if (module || hostedWindow)
        Destroy();
    fallback = 0;

    wchar_t* folder = nullptr;
    if (VIClient* client = VexGetClient())
        client->GetFolder(VexFolderPlugins, &folder);
    // Without the host's plug-in folder the path would be relative, and a module
    // of that name in whatever folder is current would be loaded.
    bool hasFolder = folder && folder[0];
    VString path(folder);  // used as it comes: the host's folders end in a separator
    path += kPluginFolder;
    path += moduleTitle;
    path += kPluginExtension;
    if (folder)
        VexGetMemory()->Free(folder);

    if (hasFolder && VMisc::IsFileExist(path.GetText()) && LoadPlugin(path.GetText())) {
        hostedWindow = pluginTable.create ? pluginTable.create(&services, parent) : nullptr;
        // Only a window can own the timer: SetTimer on no window makes a thread
        // timer with an id of its own, which Destroy could never kill.
        if (hostedWindow) {
            StartTickTimer();
            return hostedWindow;
        }
        // No panel (a plug-in that has one panel per load refuses a second while
        // another object of this copy hosts the first): its destroy gets the none
        // that create gave, its module goes at once, and the help text stands in
        // as for any unusable plug-in, so the host still gets a window.
        if (pluginTable.destroy)
            pluginTable.destroy(&services, nullptr);
        UnloadPlugin();
        memset(&pluginTable, 0, sizeof pluginTable);
    }

    fallback = 1;
    hostedWindow = CreateFallbackWindow(parent);
    return hostedWindow;
}

HWND KdxAdaptor::CreateFallbackWindow(HWND parent)
{
    VString text = VexLoadString(kHelpFile, kHelpKey);
    HWND window = CreateWindowExW(0, kFallbackClass, text.GetText(), kFallbackStyle, 0, 0, 1, 1, parent,
                                  nullptr, moduleHandle, nullptr);
    VIClient* client = VexGetClient();
    if (!window)
        return window;
    void* component = nullptr;
    if (client)
        client->GetComponent(VexComponentFontSource, &component);
    if (auto* fonts = static_cast<VIFontSource*>(component)) {
        if (HFONT* font = fonts->GetFont())
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(*font), FALSE);
        static_cast<VIPluginBase*>(fonts)->Release();
    }
    // The text keeps clear of the pane's edges; a font set later resets the margins,
    // so they are set after it. Half a small icon: 8 pixels at 96 dpi, growing with
    // the system's scale.
    int margin = GetSystemMetrics(SM_CXSMICON) / 2;
    SendMessageW(window, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    return window;
}

bool VCALL KdxAdaptor::Destroy()
{
    if (fallback) {
        if (hostedWindow)
            DestroyWindow(hostedWindow);
    } else if (module) {
        StopTickTimer();
        if (pluginTable.destroy)
            pluginTable.destroy(&services, hostedWindow);
        UnloadPlugin();
    }
    // Nothing stands in the pane any more: a second Destroy, Show or Forward
    // touches neither a stale window handle nor an unloaded module.
    hostedWindow = nullptr;
    fallback = 0;
    return true;
}

bool VCALL KdxAdaptor::Show(bool visible)
{
    return ShowWindow(hostedWindow, visible ? SW_SHOWNORMAL : SW_HIDE) != FALSE;
}

bool VCALL KdxAdaptor::Forward(uint32_t value)
{
    if (fallback || !module || !pluginTable.forward)
        return false;
    return pluginTable.forward(value) != 0;
}

KdxAdaptor* KdxAdaptor::ticking;

void KdxAdaptor::StartTickTimer()
{
    if (!SetTimer(hostedWindow, kTickTimerId, kTickPeriod, TickTimerProc))
        return;
    nextTicking = ticking;
    ticking = this;
}

void KdxAdaptor::StopTickTimer()
{
    for (KdxAdaptor** link = &ticking; *link; link = &(*link)->nextTicking) {
        if (*link == this) {
            *link = nextTicking;
            nextTicking = nullptr;
            KillTimer(hostedWindow, kTickTimerId);
            return;
        }
    }
}

bool KdxAdaptor::LoadPlugin(const wchar_t* path)
{
    UnloadPlugin();
    module = LoadLibraryW(path);
    if (!module)
        return false;
    getPluginInfoProc = ProcAddress<KdxGetPluginInfoProc>(module, KDX_GETPLUGININFO_NAME);
    initializeProc = ProcAddress<KdxInitializeProc>(module, KDX_INITIALIZE_NAME);
    if (getPluginInfoProc && initializeProc && IsKdxPanelPlugin(getPluginInfoProc())) {
        memset(&services, 0, sizeof services);
        services.size = kKdxHostServicesSize;
        FillHostServices(&services);
        memset(&pluginTable, 0, sizeof pluginTable);
        pluginTable.size = kKdxPluginTableSize;
        if (initializeProc(&pluginTable) == 0)
            return true;
        // A refusing plug-in may have written entries first; none of them may be
        // reached once its module is gone.
        memset(&pluginTable, 0, sizeof pluginTable);
    }
    FreeLibrary(module);
    module = nullptr;
    getPluginInfoProc = nullptr;
    initializeProc = nullptr;
    return false;
}

bool KdxAdaptor::UnloadPlugin()
{
    if (!module)
        return false;
    FreeLibrary(module);
    module = nullptr;
    getPluginInfoProc = nullptr;
    initializeProc = nullptr;
    return true;
}

void CALLBACK KdxAdaptor::TickTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    for (KdxAdaptor* adaptor = ticking; adaptor; adaptor = adaptor->nextTicking) {
        if (adaptor->hostedWindow == window) {
            if (adaptor->module && adaptor->pluginTable.tick)
                adaptor->pluginTable.tick(&adaptor->services, adaptor->hostedWindow);
            return;
        }
    }
}
