#include "HostObjects.h"

#include <stdarg.h>
#include <string.h>
#include <wchar.h>

namespace {

// The reference counting of every object of the host. The host owns its
// objects; a reference only lends one out.
template <class Interface>
class HostObject : public Interface {
public:
    explicit HostObject(HostObjects* host) : host_(host) {}
    virtual ~HostObject() = default;
    bool VCALL QueryInterface(uint32_t, void** out) override
    {
        if (out)
            *out = nullptr;
        return false;
    }
    int32_t VCALL AddRef() override { return ++references_; }
    int32_t VCALL Release() override { return references_ > 0 ? --references_ : 0; }
    Interface* Lend()
    {
        AddRef();
        return this;
    }

protected:
    HostObjects* host_;
    int32_t references_ = 0;
};

void CopyText(wchar_t* to, const wchar_t* from, int size) { lstrcpynW(to, from ? from : L"", size); }

}  // namespace

class HostObjects::Tab : public HostObject<VITab> {
public:
    class Content : public HostObject<VITabContent> {
    public:
        Content(HostObjects* host, Tab* tab) : HostObject(host), tab_(tab) {}
        void VCALL GetValue(int32_t* out) override
        {
            if (out)
                *out = tab_->value;
        }
        void VCALL PutText(const wchar_t* text) override
        {
            host_->Log(L"put %d|%s", host_->IndexOf(tab_), text ? text : L"");
        }
        void VCALL GetTitle(wchar_t** out) override
        {
            if (out)
                *out = host_->NewString(tab_->title);
        }
        void VCALL GetAddress(wchar_t** out) override
        {
            if (out)
                *out = host_->NewString(tab_->address);
        }

    private:
        Tab* tab_;
    };

    Tab(HostObjects* host, const wchar_t* title, const wchar_t* address, int32_t value)
        : HostObject(host), value(value), content_(host, this)
    {
        CopyText(this->title, title, kTextSize);
        CopyText(this->address, address, kTextSize);
    }
    VITabContent* VCALL GetContent() override { return content_.Lend(); }

    wchar_t title[kTextSize];
    wchar_t address[kTextSize];
    int32_t value;

private:
    Content content_;
};

class HostObjects::TabList : public HostObject<VITabList> {
public:
    using HostObject::HostObject;
    uint32_t VCALL Count() override { return static_cast<uint32_t>(host_->tabCount_); }
    VITab* VCALL GetTab(uint32_t index) override
    {
        return index < static_cast<uint32_t>(host_->tabCount_) ? host_->tabs_[index]->Lend() : nullptr;
    }
    void VCALL SelectTab(VITab* tab) override
    {
        int index = host_->IndexOf(static_cast<Tab*>(tab));
        host_->Log(L"select %d", index);
        if (index >= 0) {
            host_->current_ = host_->tabs_[index];
            host_->Changed();
        }
    }
    VITab* VCALL GetCurrentTab() override { return host_->current_ ? host_->current_->Lend() : nullptr; }
    void VCALL ReloadTab(VITab* tab) override { host_->Log(L"reload %d", host_->IndexOf(static_cast<Tab*>(tab))); }
};

class HostObjects::FontSource : public HostObject<VIFontSource> {
public:
    using HostObject::HostObject;
    HFONT* VCALL GetFont() override { return &host_->font_; }
};

class HostObjects::Memory : public HostObject<VIMemory> {
public:
    using HostObject::HostObject;
    void* VCALL Allocate(uint32_t bytes) override
    {
        // Never null: an exhausted heap raises STATUS_NO_MEMORY.
        return HeapAlloc(GetProcessHeap(), HEAP_GENERATE_EXCEPTIONS, bytes ? bytes : 1);
    }
    void VCALL Free(void* block) override
    {
        if (block)
            HeapFree(GetProcessHeap(), 0, block);
    }
};

class HostObjects::Client : public HostObject<VIClient> {
public:
    using HostObject::HostObject;
    void* VCALL GetComponent(uint32_t id, void** out) override
    {
        void* component = nullptr;
        if (id == VexComponentTabList)
            component = static_cast<VITabList*>(host_->tabList_->Lend());
        else if (id == VexComponentFontSource)
            component = static_cast<VIFontSource*>(host_->fontSource_->Lend());
        if (out)
            *out = component;
        return component;
    }
    bool VCALL GetFolder(uint32_t id, wchar_t** out) override
    {
        host_->Log(L"folder %u", id);
        const wchar_t* path = nullptr;
        for (int i = 0; i < host_->folderCount_; ++i) {
            if (host_->folders_[i].id == id)
                path = host_->folders_[i].path;
        }
        if (out)
            *out = path ? host_->NewString(path) : nullptr;
        return path != nullptr;
    }
    VITab* VCALL Open(const wchar_t* target, const wchar_t* address, uint32_t flags) override
    {
        host_->Log(L"open %s|%s|%u", target ? target : L"", address ? address : L"", flags);
        if (host_->tabCount_ == kMaxTabs)
            return nullptr;
        Tab* tab = host_->NewTab(address, address, 0);
        host_->current_ = tab;
        host_->Changed();
        return tab->Lend();
    }
};

HostObjects::HostObjects()
    : client_(new Client(this)), memory_(new Memory(this)), tabList_(new TabList(this)), fontSource_(new FontSource(this))
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
}

HostObjects::~HostObjects()
{
    if (registered_)
        VexRegisterHost(nullptr, nullptr);
    for (int i = 0; i < tabCount_; ++i)
        delete tabs_[i];
    delete fontSource_;
    delete tabList_;
    delete memory_;
    delete client_;
    if (font_)
        DeleteObject(font_);
}

void HostObjects::Register()
{
    VexRegisterHost(client_, memory_);
    registered_ = true;
}

HostObjects::Tab* HostObjects::NewTab(const wchar_t* title, const wchar_t* address, int32_t value)
{
    Tab* tab = new Tab(this, title, address, value);
    tabs_[tabCount_++] = tab;
    return tab;
}

bool HostObjects::AddTab(const wchar_t* title, const wchar_t* address, int32_t value)
{
    if (tabCount_ == kMaxTabs)
        return false;
    Tab* tab = NewTab(title, address, value);
    if (!current_)
        current_ = tab;
    Changed();
    return true;
}

void HostObjects::SetCurrentTab(int index)
{
    if (index >= 0 && index < tabCount_) {
        current_ = tabs_[index];
        Changed();
    }
}

void HostObjects::SetFolder(uint32_t id, const wchar_t* path)
{
    for (int i = 0; i < folderCount_; ++i) {
        if (folders_[i].id == id) {
            CopyText(folders_[i].path, path, MAX_PATH);
            return;
        }
    }
    if (folderCount_ < kMaxFolders) {
        folders_[folderCount_].id = id;
        CopyText(folders_[folderCount_].path, path, MAX_PATH);
        ++folderCount_;
    }
}

const wchar_t* HostObjects::TabTitle(int index) const { return tabs_[index]->title; }
const wchar_t* HostObjects::TabAddress(int index) const { return tabs_[index]->address; }
int HostObjects::CurrentTab() const { return IndexOf(current_); }

int HostObjects::IndexOf(const Tab* tab) const
{
    for (int i = 0; i < tabCount_; ++i) {
        if (tabs_[i] == tab)
            return i;
    }
    return -1;
}

void HostObjects::Changed()
{
    if (onTabsChanged)
        onTabsChanged(context);
}

void HostObjects::Log(const wchar_t* format, ...)
{
    if (!onLog)
        return;
    wchar_t line[1024];  // wvsprintfW writes at most 1024 characters
    va_list args;
    va_start(args, format);
    wvsprintfW(line, format, args);
    va_end(args);
    onLog(context, line);
}

wchar_t* HostObjects::NewString(const wchar_t* text)
{
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(memory_->Allocate(static_cast<uint32_t>(bytes)));
    memcpy(copy, text, bytes);
    return copy;
}
