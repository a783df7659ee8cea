#include "PanelSession.h"

bool PanelSession::Load(const wchar_t* path)
{
    Close();
    module_ = LoadLibraryW(path);
    if (!module_)
        return false;
    auto create = reinterpret_cast<VpiCreateInstanceProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, VPI_CREATEINSTANCE_NAME)));
    base_ = create ? create(0) : nullptr;
    void* info = nullptr;
    void* panel = nullptr;
    if (base_) {
        base_->QueryInterface(VexInterfaceInfo, &info);
        base_->QueryInterface(VexInterfacePanel, &panel);
    }
    info_ = static_cast<VIPluginInfo*>(info);
    panel_ = static_cast<VIPanel*>(panel);
    if (!info_ || !panel_) {
        Close();
        return false;
    }
    info_->Initialize();
    return true;
}

HWND PanelSession::Create(HWND parent)
{
    if (!panel_)
        return nullptr;
    window_ = panel_->Create(parent);
    created_ = true;
    return window_;
}

void PanelSession::Show(bool visible)
{
    if (panel_)
        panel_->Show(visible);
}

bool PanelSession::Forward(uint32_t value) { return panel_ && panel_->Forward(value); }

void PanelSession::Name(wchar_t* name, int size)
{
    name[0] = 0;
    wchar_t* text = nullptr;
    if (panel_ && panel_->GetName(&text)) {
        lstrcpynW(name, text, size);
        VexGetMemory()->Free(text);
    }
}

int32_t PanelSession::Close()
{
    int32_t count = 0;
    if (panel_ && created_)
        panel_->Destroy();
    created_ = false;
    window_ = nullptr;
    if (info_) {
        info_->Terminate();
        static_cast<VIPluginBase*>(info_)->Release();
    }
    if (panel_)
        static_cast<VIPluginBase*>(panel_)->Release();
    if (base_)
        count = base_->Release();
    info_ = nullptr;
    panel_ = nullptr;
    base_ = nullptr;
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    return count;
}
