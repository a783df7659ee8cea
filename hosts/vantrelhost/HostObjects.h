// vantrelhost.exe's objects as its plug-ins see them: a client with a tab list,
// folders, a font source and an open operation, and a memory object. Built in
// the platform's C++ layout with no compiled standard library, so texts are
// fixed buffers.
#pragma once

#include "VantrelPlugin.h"

class HostObjects {
public:
    static constexpr int kMaxTabs = 64;
    static constexpr int kTextSize = 520;

    HostObjects();
    ~HostObjects();
    HostObjects(const HostObjects&) = delete;
    HostObjects& operator=(const HostObjects&) = delete;

    // Makes these the objects the library hands out; the destructor removes them.
    void Register();

    // Script. AddTab answers false when the tabs are full.
    bool AddTab(const wchar_t* title, const wchar_t* address, int32_t value);
    void SetCurrentTab(int index);
    void SetFolder(uint32_t id, const wchar_t* path);

    int TabCount() const { return tabCount_; }
    const wchar_t* TabTitle(int index) const;
    const wchar_t* TabAddress(int index) const;
    int CurrentTab() const;  // -1 when none
    HFONT font() const { return font_; }

    // Told after the tabs or the current tab changed, and of every operation a
    // plug-in applied ("select 1", "open auto|<address>|3", ...).
    void (*onTabsChanged)(void* context) = nullptr;
    void (*onLog)(void* context, const wchar_t* line) = nullptr;
    void* context = nullptr;

    class Client;
    class Memory;
    class TabList;
    class Tab;
    class FontSource;

private:
    friend class Client;
    friend class TabList;
    friend class Tab;
    friend class FontSource;

    int IndexOf(const Tab* tab) const;
    Tab* NewTab(const wchar_t* title, const wchar_t* address, int32_t value);
    void Changed();
    void Log(const wchar_t* format, ...);
    wchar_t* NewString(const wchar_t* text);

    struct Folder {
        uint32_t id;
        wchar_t path[MAX_PATH];
    };
    static constexpr int kMaxFolders = 8;

    Client* client_;
    Memory* memory_;
    TabList* tabList_;
    FontSource* fontSource_;
    Tab* tabs_[kMaxTabs] = {};
    int tabCount_ = 0;
    Tab* current_ = nullptr;
    Folder folders_[kMaxFolders] = {};
    int folderCount_ = 0;
    bool registered_ = false;
    HFONT font_ = nullptr;
};
