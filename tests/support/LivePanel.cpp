#include "LivePanel.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Panel.h"
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

void Line(std::string& text, const char* format, ...)
{
    char buffer[1200];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    text += buffer;
    text += "\r\n";
}

}  // namespace

std::string SettingsText(const PanelSpec& spec)
{
    std::string text;
    Line(text, "[Launcher]");
    Line(text, "PageCount=%d", static_cast<int>(spec.pages.size()));
    Line(text, "DoubleClick=%d", spec.doubleClick);
    Line(text, "ShowTab=%d", spec.showTab);
    Line(text, "ViewStyle=%d", spec.viewStyle);
    Line(text, "AutoArrange=%d", spec.autoArrange);
    Line(text, "GridArrange=%d", spec.gridArrange);
    for (size_t p = 0; p < spec.pages.size(); ++p) {
        const PageSpec& page = spec.pages[p];
        Line(text, "[Page%d]", static_cast<int>(p + 1));
        Line(text, "ItemCount=%d", static_cast<int>(page.items.size()));
        Line(text, "Name=\"%s\"", page.name.c_str());
        for (size_t i = 0; i < page.items.size(); ++i) {
            const ItemSpec& item = page.items[i];
            Line(text, "[Page%d:Item%d]", static_cast<int>(p + 1), static_cast<int>(i + 1));
            Line(text, "Name=\"%s\"", item.name.c_str());
            Line(text, "Path=\"%s\"", item.path.c_str());
            Line(text, "Parameter=\"\"");
            Line(text, "WorkDir=\"\"");
            Line(text, "IconPath=\"%s\"", item.path.c_str());
            Line(text, "IconIndex=-1");
            Line(text, "PosX=%d", item.posX);
            Line(text, "PosY=%d", item.posY);
        }
    }
    return text;
}

LivePanel::LivePanel(const PanelSpec& spec, int width, int height)
{
    // The code is linked into the test program; its dialogs and cursor come from
    // the built plug-in module, loaded here for its resources.
    static HMODULE resources = LoadLibraryA((ProgramFolder() + "Dockmere.kdx").c_str());
    panelState.instance = resources;
    WriteFileBytes(folder_.File("Dockmere.ini"), SettingsText(spec));
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
    return panelState.listView;
}

HWND LivePanel::tabs() const
{
    return panelState.tabControl;
}

int ListCount(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListText(HWND list, int index)
{
    char buffer[1024] = {};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int ListImage(HWND list, int index)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = -12345;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

POINT ListPosition(HWND list, int index)
{
    POINT point = {-12345, -12345};
    SendMessageA(list, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(&point));
    return point;
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

int TabCount(HWND tabs)
{
    return static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
}

std::string TabText(HWND tabs, int index)
{
    char buffer[1024] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int TabSelection(HWND tabs)
{
    return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
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
