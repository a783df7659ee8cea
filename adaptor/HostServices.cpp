// The KDX host services, answered from the newer host's client. The plug-in's
// side is ANSI, the host's UTF-16. Every host object and host string taken in a
// request is released before the request returns, whichever way it answers.
#include "KdxAdaptor.h"

#include <string.h>

namespace {

constexpr wchar_t kOpenTarget[] = L"auto";
constexpr uint32_t kOpenInTabFlags = 3;
constexpr wchar_t kSettingFolder[] = L"setting\\";

// One reference to a host object, dropped through the base interface.
template <class T>
class HostRef {
public:
    HostRef() = default;
    explicit HostRef(T* object) : object_(object) {}
    HostRef(HostRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    HostRef(const HostRef&) = delete;
    HostRef& operator=(const HostRef&) = delete;
    ~HostRef()
    {
        if (object_)
            static_cast<VIPluginBase*>(object_)->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

// A string of the host's memory, freed once it has been copied.
class HostString {
public:
    HostString() = default;
    HostString(const HostString&) = delete;
    HostString& operator=(const HostString&) = delete;
    ~HostString()
    {
        if (text_)
            VexGetMemory()->Free(text_);
    }
    wchar_t** out() { return &text_; }
    const wchar_t* get() const { return text_ ? text_ : L""; }

private:
    wchar_t* text_ = nullptr;
};

HostRef<VITabList> GetTabList(VIClient* client)
{
    void* list = nullptr;
    client->GetComponent(VexComponentTabList, &list);
    return HostRef<VITabList>(static_cast<VITabList*>(list));
}

bool IsTabIndex(VITabList* list, uintptr_t index)
{
    return list && index < list->Count();
}

// The content of the tab at `index`; none when the index is not below the count.
HostRef<VITabContent> GetContentAt(VIClient* client, uintptr_t index)
{
    HostRef<VITabList> list = GetTabList(client);
    if (!IsTabIndex(list.get(), index))
        return {};
    HostRef<VITab> tab(list->GetTab(static_cast<uint32_t>(index)));
    if (!tab)
        return {};
    return HostRef<VITabContent>(tab->GetContent());
}

// The position of `tab` in the list (tabs are the same when their pointers are);
// -1 when it is not there. Each tab taken is released before the next.
int32_t IndexOfTab(VITabList* list, VITab* tab)
{
    if (!list || !tab)
        return -1;
    uint32_t count = list->Count();
    for (uint32_t i = 0; i < count; ++i) {
        HostRef<VITab> candidate(list->GetTab(i));
        if (candidate.get() == tab)
            return static_cast<int32_t>(i);
    }
    return -1;
}

// Never 0: an exhausted heap raises STATUS_NO_MEMORY (PlatformRuntime.cpp).
void* KDX_CALL HostAlloc(uint32_t size) { return ::operator new(size); }

int32_t KDX_CALL HostFree(void* block)
{
    ::operator delete(block);
    return 1;
}

// A new ANSI copy of `text` from `alloc`, which the plug-in releases with `free`.
char* NewAnsiString(const wchar_t* text, VCharConv& conv)
{
    const char* ansi = conv.t2a(text);
    size_t bytes = strlen(ansi) + 1;
    auto* copy = static_cast<char*>(HostAlloc(static_cast<uint32_t>(bytes)));
    memcpy(copy, ansi, bytes);
    return copy;
}

int32_t TabValue(VIClient* client, uintptr_t index, int32_t* out)
{
    HostRef<VITabContent> content = GetContentAt(client, index);
    if (!content) {
        *out = 0;
        return KdxResultNotDone;
    }
    int32_t value = 0;
    content->GetValue(&value);
    *out = value;
    return KdxResultDone;
}

int32_t TabText(VIClient* client, uintptr_t index, bool second, char** out, VCharConv& conv)
{
    HostRef<VITabContent> content = GetContentAt(client, index);
    if (!content)
        return KdxResultNotDone;
    HostString text;
    if (second)
        content->GetAddress(text.out());
    else
        content->GetTitle(text.out());
    *out = NewAnsiString(text.get(), conv);
    return KdxResultDone;
}

// Applies the first or second tab operation of the list to the tab at `index`.
int32_t ApplyTabOperation(VIClient* client, uintptr_t index, bool second)
{
    HostRef<VITabList> list = GetTabList(client);
    if (!IsTabIndex(list.get(), index))
        return KdxResultNotDone;
    HostRef<VITab> tab(list->GetTab(static_cast<uint32_t>(index)));
    if (second)
        list->ReloadTab(tab.get());
    else
        list->SelectTab(tab.get());
    return KdxResultDone;
}

int32_t Folder(VIClient* client, uintptr_t selector, char** out, VCharConv& conv)
{
    uint32_t id;
    switch (selector) {
    case KdxFolder0: id = VexFolderProgram; break;
    case KdxFolderSetting: id = VexFolderProfile; break;
    case KdxFolder2: id = VexFolderCache; break;
    default: return KdxResultNotDone;
    }
    HostString folder;
    client->GetFolder(id, folder.out());
    VString text(folder.get());
    // Without a profile folder "setting\" alone would be a path relative to
    // whatever the current folder happens to be.
    if (text.GetLength() == 0)
        return KdxResultNotDone;
    if (selector == KdxFolderSetting)
        text += kSettingFolder;
    *out = NewAnsiString(text.GetText(), conv);
    return KdxResultDone;
}

bool IsKnownService(int32_t code)
{
    switch (code) {
    case KdxServiceHostVersion: case KdxServiceTabCount: case KdxServiceTabValue:
    case KdxServiceTabSetText: case KdxServiceOpen: case KdxServiceTabAction:
    case KdxServiceTabText1: case KdxServiceTabText2: case KdxServiceCurrentTab:
    case KdxServiceTabAction2: case KdxServiceOpenInTab: case KdxServiceTabValue2:
    case KdxServiceFolder:
        return true;
    default:
        return false;
    }
}

// The pointer parameters each code writes through or reads text from; a request
// that leaves one of them null is not done and touches nothing.
bool HasPointers(int32_t code, uintptr_t param1, uintptr_t param2)
{
    switch (code) {
    case KdxServiceHostVersion: case KdxServiceTabCount: case KdxServiceCurrentTab:
        return param1 != 0;
    case KdxServiceOpenInTab:
        return param1 != 0 && param2 != 0;
    case KdxServiceTabValue: case KdxServiceTabSetText: case KdxServiceOpen:
    case KdxServiceTabText1: case KdxServiceTabText2: case KdxServiceTabValue2:
    case KdxServiceFolder:
        return param2 != 0;
    default:
        return true;
    }
}

int32_t KDX_CALL HostService(int32_t code, uintptr_t param1, uintptr_t param2)
{
    if (!IsKnownService(code))
        return KdxResultUnknownCode;
    VIClient* client = VexGetClient();
    if (!HasPointers(code, param1, param2) || (!client && code != KdxServiceHostVersion))
        return KdxResultNotDone;

    auto* value1 = reinterpret_cast<int32_t*>(param1);
    auto* value2 = reinterpret_cast<int32_t*>(param2);
    auto* string2 = reinterpret_cast<char**>(param2);
    auto* text2 = reinterpret_cast<const char*>(param2);
    VCharConv conv;  // its texts live until the request returns

    switch (code) {
    case KdxServiceHostVersion:
        *value1 = kKdxHostVersion;
        return KdxResultDone;
    case KdxServiceTabCount: {
        HostRef<VITabList> list = GetTabList(client);
        *value1 = list ? static_cast<int32_t>(list->Count()) : 0;
        return KdxResultDone;
    }
    case KdxServiceTabValue:
    case KdxServiceTabValue2:
        return TabValue(client, param1, value2);
    case KdxServiceTabSetText: {
        HostRef<VITabContent> content = GetContentAt(client, param1);
        if (!content)
            return KdxResultNotDone;
        content->PutText(conv.a2t(text2));
        return KdxResultDone;
    }
    case KdxServiceOpen: {
        HostRef<VITab> opened(client->Open(kOpenTarget, conv.a2t(text2), static_cast<uint32_t>(param1)));
        return KdxResultDone;
    }
    case KdxServiceTabAction:
        return ApplyTabOperation(client, param1, false);
    case KdxServiceTabText1:
    case KdxServiceTabText2:
        return TabText(client, param1, code == KdxServiceTabText2, string2, conv);
    case KdxServiceCurrentTab: {
        HostRef<VITabList> list = GetTabList(client);
        if (!list)
            return KdxResultNotDone;
        HostRef<VITab> current(list->GetCurrentTab());
        int32_t index = IndexOfTab(list.get(), current.get());
        if (index < 0)
            return KdxResultNotDone;
        *value1 = index;
        return KdxResultDone;
    }
    case KdxServiceTabAction2:
        // Range-tested like code 6: the host never receives a tab it did not list.
        return ApplyTabOperation(client, param1, true);
    case KdxServiceOpenInTab: {
        HostRef<VITab> opened(client->Open(kOpenTarget, conv.a2t(text2), kOpenInTabFlags));
        HostRef<VITabList> list = GetTabList(client);
        *value1 = IndexOfTab(list.get(), opened.get());
        return KdxResultDone;
    }
    case KdxServiceFolder:
        return Folder(client, param1, string2, conv);
    }
    return KdxResultUnknownCode;
}

int32_t KDX_CALL HostService2(uint32_t, uint32_t, uint32_t) { return 0; }

int32_t KDX_CALL HostMessageBox(const char* text, uint32_t flags)
{
    VCharConv conv;
    return VexMessageBox(conv.a2t(text), flags);
}

}  // namespace

void FillHostServices(KdxHostServices* services)
{
    services->service = HostService;
    services->service2 = HostService2;
    services->alloc = HostAlloc;
    services->free = HostFree;
    services->messageBox = HostMessageBox;
}
