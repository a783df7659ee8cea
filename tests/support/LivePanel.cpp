#include "LivePanel.h"

#include <commctrl.h>

#include <cstring>

#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "platform/ModuleRecord.h"
#include "kdx.h"

namespace wintest {

namespace {

std::string settingFolder;

int32_t KDX_CALL Service(int32_t code, uintptr_t param1, uintptr_t param2)
{
    if (code != KdxServiceFolder || param1 != KdxFolderSetting)
        return KdxResultUnknownCode;
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, settingFolder.size() + 1));
    memcpy(text, settingFolder.c_str(), settingFolder.size() + 1);
    *reinterpret_cast<char**>(param2) = text;
    return KdxResultDone;
}

void* KDX_CALL Alloc(uint32_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

int32_t KDX_CALL Free(void* block)
{
    return HeapFree(GetProcessHeap(), 0, block) ? 0 : 1;
}

KdxHostServices MakeServices()
{
    KdxHostServices services = {};
    services.size = kKdxHostServicesSize;
    services.service = Service;
    services.alloc = Alloc;
    services.free = Free;
    return services;
}

}  // namespace

SettingsItem PlacedItem(const char* name, int x, int y, const char* path)
{
    SettingsItem item;
    item.name = name;
    item.path = path;
    item.posX = x;
    item.posY = y;
    return item;
}

LivePanel::LivePanel(const Settings& settings, int width, int height)
{
    // The code is linked into the test program; its dialogs and cursor come from
    // the built plug-in module, loaded here for its resources.
    static HMODULE resources = LoadLibraryA((ProgramFolder() + "Dockmere.kdx").c_str());
    moduleRecord.instance = resources;
    WriteFileBytes(folder_.File("Dockmere.ini"), SettingsFileText(settings));
    settingFolder = folder_.path();
    KdxHostServices services = MakeServices();
    window_ = CreatePanel(&services, nest_.panelParent());
    if (window_) {
        MoveWindow(window_, 0, 0, width, height, TRUE);
        Pump(20);
    }
}

LivePanel::~LivePanel()
{
    Destroy();
}

void LivePanel::Destroy()
{
    if (!window_)
        return;
    KdxHostServices services = MakeServices();
    DestroyPanel(&services, window_);
    window_ = nullptr;
}

HWND LivePanel::list() const
{
    return livePanel ? livePanel->listView : nullptr;
}

HWND LivePanel::tabs() const
{
    return livePanel ? livePanel->tabControl : nullptr;
}

UINT ListState(HWND list, int index, UINT mask)
{
    return static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, index, mask));
}

void SelectListItem(HWND list, int index)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (index < 0)
        return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

POINT ClientToScreenPoint(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    return point;
}

POINT ListItemCenter(HWND list, int index)
{
    RECT rect = {};
    rect.left = LVIR_ICON;
    SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return ClientToScreenPoint(list, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

POINT TabCenter(HWND tabs, int index)
{
    RECT rect = {};
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return ClientToScreenPoint(tabs, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

}  // namespace wintest
