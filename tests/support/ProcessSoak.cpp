#include "ProcessSoak.h"

#include <ole2.h>

#include "AdaptorKit.h"
#include "KdxHostCore.h"
#include "PanelReader.h"
#include "PlatformLayout.h"
#include "WinTest.h"

namespace wintest {

namespace {

// Three pages of few items, icons taken by index (the quick extraction).
std::string SoakSettingsText()
{
    Settings settings;
    SettingsItem notepad{"メモ帳", "C:\\windows\\notepad.exe", 0};
    SettingsItem regedit{"Registry", "C:\\windows\\regedit.exe", 0, 40, 60};
    SettingsItem help{"表示", "C:\\windows\\winhlp32.exe", 0};
    settings.pages = {{"仕事", {notepad, regedit}}, {"遊び", {help}}, {"Tools", {notepad, help, regedit}}};
    settings.autoArrange = 1;
    return SettingsFileText(settings);
}

// The host's own drop target: accepts nothing, owned by no one.
struct HostDropTarget : IDropTarget {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IDropTarget ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};
HostDropTarget hostDropTarget;

class KdxHost : public ModuleCycle {
public:
    KdxHost()
    {
        ResetHostState();
        HostState().folders[KdxFolderSetting] = HostFolderText(folder_.path());
        WriteFileBytes(folder_.File("Dockmere.ini"), SoakSettingsText());
        HostServices()->free(HostServices()->alloc(16));  // the host's memory service is under way
    }
    const char* name() const override { return "Dockmere.kdx through kdxhost's host code"; }
    std::string Cycle(HWND parent, HMODULE* module) override
    {
        KdxPlugin plugin;
        if (plugin.Load(path_.c_str()) != KdxLoadResult::Loaded)
            return "not loaded";
        *module = plugin.module();
        HWND panel = plugin.Create(parent);
        if (!IsWindow(panel))
            return "no panel";
        PumpRecordingTimers(0);
        plugin.Destroy();
        PumpRecordingTimers(0);
        if (IsWindow(panel))
            return "the panel stayed";
        // The panel's workers hold the module until their last task has returned.
        DWORD waited = 0;
        if (!WaitForModuleGone(path_.c_str(), 10000, &waited))
            return "the module stayed loaded";
        longestUnloadWait = std::max(longestUnloadWait, waited);
        if (HostState().outstandingBlocks)
            return "host blocks out: " + std::to_string(HostState().outstandingBlocks);
        return "";
    }

private:
    TempFolder folder_;
    std::string path_ = ProgramFolder() + "Dockmere.kdx";
};

class Adaptor : public ModuleCycle {
public:
    Adaptor()
    {
        adaptortest::ScriptHost(host_, plugins_);
        std::string profile = plugins_.temp().File("profile");
        CreateDirectoryA(profile.c_str(), nullptr);
        CreateDirectoryA((profile + "\\setting").c_str(), nullptr);
        host_.SetFolder(VexFolderProfile, adaptortest::Wide(profile) + L"\\");
        WriteFileBytes(profile + "\\setting\\Dockmere.ini", SoakSettingsText());
        vx_ = plugins_.Install("Dockmere", "Dockmere.kdx", adaptortest::kPlatformAdaptor);
        kdx_ = plugins_.KdxPath("Dockmere");
        bridge_.Register();  // loads the host's library, the shipped VantrelLib.vx
        host_.memory()->Free(host_.memory()->Allocate(16));
    }
    const char* name() const override { return "Brevlin.vx (as Dockmere.vx) with Dockmere.kdx behind it"; }
    std::string Cycle(HWND parent, HMODULE* module) override
    {
        std::string problem;
        host_.ClearLog();  // the test's record of what was asked, not the process's
        {
            platform::Session session;
            if (!session.Load(vx_))
                return "no adaptor object";
            HWND panel = session.Create(parent);
            HMODULE kdx = GetModuleHandleW(kdx_.c_str());
            *module = kdx;
            if (!IsWindow(panel) || !kdx)
                problem = "no Dockmere panel";
            PumpRecordingTimers(0);
            if (session.Close() != 0)
                problem += " the last release left the object standing;";
            PumpRecordingTimers(0);
            if (IsWindow(panel))
                problem += " the panel stayed;";
        }
        // The panel's workers hold Dockmere.kdx until their last task has returned.
        auto loaded = [this] { return GetModuleHandleW(vx_.c_str()) || GetModuleHandleW(kdx_.c_str()); };
        if (loaded())
            PumpUntil([&] { return !loaded(); }, 10000);
        if (loaded())
            problem += " a module stayed loaded;";
        if (host_.OutstandingBlocks() || host_.OutstandingReferences() || host_.Mistakes() || bridge_.Strangers())
            problem += " the host's blocks or references are out;";
        return problem;
    }

private:
    adaptortest::PluginFolder plugins_;
    StandInHost host_;
    platform::HostBridge bridge_{host_};
    std::wstring vx_;
    std::wstring kdx_;
};

}  // namespace

PreparedHost::PreparedHost(HWND window) : window_(window)
{
    comdlg_ = LoadLibraryA("comdlg32.dll");
    ole_ = SUCCEEDED(OleInitialize(nullptr));
    dropTarget_ = ole_ && RegisterDragDrop(window_, &hostDropTarget) == S_OK;
}

PreparedHost::~PreparedHost()
{
    if (dropTarget_)
        RevokeDragDrop(window_);
    if (ole_)
        OleUninitialize();
    if (comdlg_)
        FreeLibrary(comdlg_);
}

std::unique_ptr<ModuleCycle> KdxHostCycle() { return std::unique_ptr<ModuleCycle>(new KdxHost); }
std::unique_ptr<ModuleCycle> AdaptorCycle() { return std::unique_ptr<ModuleCycle>(new Adaptor); }

bool PanelClassRegistered(HMODULE module)
{
    WNDCLASSA found;
    return GetClassInfoA(module, "Corvane Plugin - Dockmere", &found) != FALSE;
}

SoakResult Soak(ModuleCycle& cycle, HWND parent, int cycles)
{
    SoakResult result;
    result.classBefore = PanelClassRegistered(nullptr);
    result.before = ReadProcess();
    for (int i = 1; i <= cycles; ++i) {
        HMODULE module = nullptr;
        std::string problem = cycle.Cycle(parent, &module);
        if (!problem.empty()) {
            result.problem = "cycle " + std::to_string(i) + ": " + problem;
            break;
        }
        result.classLeftAfter += module && PanelClassRegistered(module);
        result.cycles = i;
        if (i == 1)
            result.first = ReadProcess();
    }
    result.end = ReadProcess();
    result.longestUnloadWait = cycle.longestUnloadWait;
    return result;
}

}  // namespace wintest
