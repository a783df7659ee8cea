// The scripted newer host of the adaptor's g++ tests (vantrelhost.exe has its
// own, in the platform's layout): a client with a tab list, folders, a font
// source and an open operation, and a memory object. Tabs are scripted; every
// operation a plug-in applies is written to a log, and the host counts the
// references it handed out and the memory blocks still allocated, so that a
// caller can prove that a plug-in gave everything back.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "PanelSession.h"
#include "VantrelPlugin.h"

class StandInHost;

// The shared reference counting of every object of the host. The host owns its
// objects; a reference only lends one out.
template <class Interface>
class StandInObject : public Interface {
public:
    explicit StandInObject(StandInHost* host) : host_(host) {}
    virtual ~StandInObject() = default;
    bool VCALL QueryInterface(uint32_t, void** out) override
    {
        if (out)
            *out = nullptr;
        return false;
    }
    int32_t VCALL AddRef() override;
    int32_t VCALL Release() override;
    // Adds one reference and answers the interface pointer, as handed to a plug-in.
    Interface* Lend()
    {
        AddRef();
        return this;
    }

protected:
    StandInHost* host_;
    int32_t references_ = 0;
};

class StandInHost {
public:
    struct TabInfo {
        std::wstring title;    // the content's first text
        std::wstring address;  // the content's second text
        int32_t value = 0;     // what the content reports
    };

    StandInHost();
    ~StandInHost();
    StandInHost(const StandInHost&) = delete;
    StandInHost& operator=(const StandInHost&) = delete;

    // Makes this host the one the library hands out (VexRegisterHost); the
    // destructor removes it again.
    void Register();

    VIClient* client();
    VIMemory* memory();

    // Script.
    void AddTab(const TabInfo& tab);
    void SetCurrentTab(int index);  // -1: a current tab that is not in the list
    void SetFolder(uint32_t id, const std::wstring& path);
    void SetTabList(bool present) { tabListPresent_ = present; }
    void SetFontSource(bool present) { fontSourcePresent_ = present; }
    // When true, the memory object answers every allocation with null.
    void SetMemoryExhausted(bool exhausted) { memoryExhausted_ = exhausted; }
    // When false, an open produces a tab that the tab list does not hold.
    void SetOpenAddsTab(bool adds) { openAddsTab_ = adds; }

    // State.
    int TabCount() const;
    TabInfo TabAt(int index) const;
    int CurrentTab() const;  // -1 when the current tab is not in the list
    std::wstring LastText(int index) const;  // last text handed to the tab's content
    HFONT font() const { return font_; }

    // What plug-ins did: "select <i>", "reload <i|?>", "open <target>|<address>|<flags>",
    // "put <i>|<text>", "folder <id>", one line per operation.
    const std::vector<std::wstring>& log() const { return log_; }
    void ClearLog() { log_.clear(); }

    // References lent out and not yet released; blocks of memory not yet freed;
    // releases and frees of things the host never lent.
    int OutstandingReferences() const { return outstandingReferences_; }
    int OutstandingBlocks() const { return static_cast<int>(blocks_.size()); }
    int Mistakes() const { return mistakes_; }

    // Called after an operation changed the tabs or the current tab.
    std::function<void()> onTabsChanged;

    // A copy of `text` in the host's memory.
    wchar_t* NewString(const std::wstring& text);

private:
    class Client;
    class Memory;
    class TabList;
    class Tab;
    class Content;
    class FontSource;
    template <class Interface>
    friend class StandInObject;

    int IndexOf(const Tab* tab) const;
    void Log(const std::wstring& line) { log_.push_back(line); }
    void Changed()
    {
        if (onTabsChanged)
            onTabsChanged();
    }

    std::unique_ptr<Client> client_;
    std::unique_ptr<Memory> memory_;
    std::unique_ptr<TabList> tabList_;
    std::unique_ptr<FontSource> fontSource_;
    std::vector<std::unique_ptr<Tab>> tabs_;
    std::vector<std::unique_ptr<Tab>> detachedTabs_;  // current or opened, but not listed
    Tab* current_ = nullptr;
    std::map<uint32_t, std::wstring> folders_;
    bool tabListPresent_ = true;
    bool fontSourcePresent_ = true;
    bool openAddsTab_ = true;
    bool memoryExhausted_ = false;
    bool registered_ = false;
    HFONT font_ = nullptr;
    std::vector<std::wstring> log_;
    std::set<void*> blocks_;
    int outstandingReferences_ = 0;
    int mistakes_ = 0;
};

template <class Interface>
int32_t VCALL StandInObject<Interface>::AddRef()
{
    ++host_->outstandingReferences_;
    return ++references_;
}

template <class Interface>
int32_t VCALL StandInObject<Interface>::Release()
{
    if (references_ == 0) {
        ++host_->mistakes_;
        return 0;
    }
    --host_->outstandingReferences_;
    return --references_;
}

// One .vx panel plug-in as the host drives it (hosts/vantrelhost/PanelSession),
// with the plug-in's texts as strings.
class PluginSession : public PanelSession {
public:
    bool Load(const std::wstring& path) { return PanelSession::Load(path.c_str()); }
    std::wstring Name();
    std::wstring Id();
    std::wstring IconPath();
};

// Takes a string of the host library's memory and frees it.
std::wstring TakeHostString(wchar_t* text);
