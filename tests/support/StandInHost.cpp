#include "StandInHost.h"

#include <algorithm>
#include <cstring>

class StandInHost::Content : public StandInObject<VITabContent> {
public:
    Content(StandInHost* host, const TabInfo& info) : StandInObject(host), info(info) {}
    void VCALL GetValue(int32_t* out) override
    {
        if (out)
            *out = info.value;
    }
    void VCALL PutText(const wchar_t* text) override;
    void VCALL GetTitle(wchar_t** out) override
    {
        if (out)
            *out = host_->NewString(info.title);
    }
    void VCALL GetAddress(wchar_t** out) override
    {
        if (out)
            *out = host_->NewString(info.address);
    }

    TabInfo info;
    std::wstring lastText;
};

class StandInHost::Tab : public StandInObject<VITab> {
public:
    Tab(StandInHost* host, const TabInfo& info) : StandInObject(host), content(host, info) {}
    VITabContent* VCALL GetContent() override { return content.Lend(); }

    Content content;
};

void VCALL StandInHost::Content::PutText(const wchar_t* text)
{
    lastText = text ? text : L"";
    int index = -1;
    for (size_t i = 0; i < host_->tabs_.size(); ++i) {
        if (&host_->tabs_[i]->content == this)
            index = static_cast<int>(i);
    }
    host_->Log(L"put " + std::to_wstring(index) + L"|" + lastText);
}

class StandInHost::TabList : public StandInObject<VITabList> {
public:
    using StandInObject::StandInObject;
    uint32_t VCALL Count() override { return static_cast<uint32_t>(host_->tabs_.size()); }
    VITab* VCALL GetTab(uint32_t index) override
    {
        return index < host_->tabs_.size() ? host_->tabs_[index]->Lend() : nullptr;
    }
    void VCALL SelectTab(VITab* tab) override
    {
        int index = host_->IndexOf(static_cast<Tab*>(tab));
        host_->Log(L"select " + std::to_wstring(index));
        if (index >= 0) {
            host_->current_ = host_->tabs_[index].get();
            host_->Changed();
        }
    }
    VITab* VCALL GetCurrentTab() override { return host_->current_ ? host_->current_->Lend() : nullptr; }
    void VCALL ReloadTab(VITab* tab) override
    {
        int index = host_->IndexOf(static_cast<Tab*>(tab));
        host_->Log(L"reload " + (index >= 0 ? std::to_wstring(index) : std::wstring(L"?")));
    }
};

class StandInHost::FontSource : public StandInObject<VIFontSource> {
public:
    using StandInObject::StandInObject;
    HFONT* VCALL GetFont() override { return &host_->font_; }
};

class StandInHost::Memory : public StandInObject<VIMemory> {
public:
    using StandInObject::StandInObject;
    void* VCALL Allocate(uint32_t bytes) override
    {
        if (host_->memoryExhausted_)
            return nullptr;
        void* block = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
        host_->blocks_.insert(block);
        return block;
    }
    void VCALL Free(void* block) override
    {
        if (!block)
            return;
        if (host_->blocks_.erase(block) == 0) {
            ++host_->mistakes_;  // not one of ours, or freed twice: leave it alone
            return;
        }
        HeapFree(GetProcessHeap(), 0, block);
    }
};

class StandInHost::Client : public StandInObject<VIClient> {
public:
    using StandInObject::StandInObject;
    void* VCALL GetComponent(uint32_t id, void** out) override
    {
        void* component = nullptr;
        if (id == VexComponentTabList && host_->tabListPresent_)
            component = static_cast<VITabList*>(host_->tabList_->Lend());
        else if (id == VexComponentFontSource && host_->fontSourcePresent_)
            component = static_cast<VIFontSource*>(host_->fontSource_->Lend());
        if (out)
            *out = component;
        return component;
    }
    bool VCALL GetFolder(uint32_t id, wchar_t** out) override
    {
        host_->Log(L"folder " + std::to_wstring(id));
        auto found = host_->folders_.find(id);
        if (out)
            *out = found != host_->folders_.end() ? host_->NewString(found->second) : nullptr;
        return found != host_->folders_.end();
    }
    VITab* VCALL Open(const wchar_t* target, const wchar_t* address, uint32_t flags) override
    {
        std::wstring text = address ? address : L"";
        host_->Log(L"open " + std::wstring(target ? target : L"") + L"|" + text + L"|" + std::to_wstring(flags));
        TabInfo info{text, text, 0};
        auto tab = std::make_unique<Tab>(host_, info);
        Tab* opened = tab.get();
        if (host_->openAddsTab_) {
            host_->tabs_.push_back(std::move(tab));
            host_->current_ = opened;
            host_->Changed();
        } else {
            host_->detachedTabs_.push_back(std::move(tab));
        }
        return opened->Lend();
    }
};

StandInHost::StandInHost()
    : client_(new Client(this)),
      memory_(new Memory(this)),
      tabList_(new TabList(this)),
      fontSource_(new FontSource(this))
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
}

StandInHost::~StandInHost()
{
    if (registered_)
        VexRegisterHost(nullptr, nullptr);
    for (void* block : blocks_)
        HeapFree(GetProcessHeap(), 0, block);
    if (font_)
        DeleteObject(font_);
}

void StandInHost::Register()
{
    VexRegisterHost(client_.get(), memory_.get());
    registered_ = true;
}

VIClient* StandInHost::client() { return client_.get(); }
VIMemory* StandInHost::memory() { return memory_.get(); }

void StandInHost::AddTab(const TabInfo& tab)
{
    tabs_.push_back(std::make_unique<Tab>(this, tab));
    if (!current_)
        current_ = tabs_.back().get();
    Changed();
}

void StandInHost::SetCurrentTab(int index)
{
    if (index >= 0 && index < TabCount()) {
        current_ = tabs_[index].get();
    } else {
        detachedTabs_.push_back(std::make_unique<Tab>(this, TabInfo{L"", L"", 0}));
        current_ = detachedTabs_.back().get();
    }
    Changed();
}

void StandInHost::SetFolder(uint32_t id, const std::wstring& path) { folders_[id] = path; }

int StandInHost::TabCount() const { return static_cast<int>(tabs_.size()); }

StandInHost::TabInfo StandInHost::TabAt(int index) const { return tabs_.at(index)->content.info; }

int StandInHost::CurrentTab() const { return IndexOf(current_); }

std::wstring StandInHost::LastText(int index) const { return tabs_.at(index)->content.lastText; }

int StandInHost::IndexOf(const class Tab* tab) const
{
    for (size_t i = 0; i < tabs_.size(); ++i) {
        if (tabs_[i].get() == tab)
            return static_cast<int>(i);
    }
    return -1;
}

wchar_t* StandInHost::NewString(const std::wstring& text)
{
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(memory_->Allocate(static_cast<uint32_t>(bytes)));
    memcpy(copy, text.c_str(), bytes);
    return copy;
}

std::wstring TakeHostString(wchar_t* text)
{
    if (!text)
        return std::wstring();
    std::wstring copy = text;
    VexGetMemory()->Free(text);
    return copy;
}

// ---- PluginSession

std::wstring PluginSession::Name()
{
    wchar_t* name = nullptr;
    return panel() ? TakeHostString(panel()->GetName(&name)) : std::wstring();
}

std::wstring PluginSession::Id()
{
    wchar_t* id = nullptr;
    return info() ? TakeHostString(info()->GetId(&id)) : std::wstring();
}

std::wstring PluginSession::IconPath()
{
    wchar_t* path = nullptr;
    if (panel())
        panel()->GetIconPath(&path);
    return TakeHostString(path);
}
