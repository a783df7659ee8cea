#include "MenuReader.h"

namespace wintest {

MenuReader* MenuReader::active_ = nullptr;

std::vector<MenuEntryView> ReadMenu(HMENU menu)
{
    std::vector<MenuEntryView> entries;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[600] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        MenuEntryView entry;
        entry.id = info.wID;
        entry.text = text;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        entry.radio = (info.fType & MFT_RADIOCHECK) != 0;
        entry.checked = (info.fState & MFS_CHECKED) != 0;
        entry.grayed = (info.fState & MFS_GRAYED) != 0;
        // MFS_DISABLED and MFS_GRAYED share a bit; the legacy flag tells them apart.
        entry.disabled = (GetMenuState(menu, i, MF_BYPOSITION) & MF_DISABLED) != 0;
        if (info.hSubMenu) {
            entry.hasSubmenu = true;
            entry.submenu = ReadMenu(info.hSubMenu);
        }
        entries.push_back(entry);
    }
    return entries;
}

MenuReader::MenuReader(HWND owner) : owner_(owner)
{
    active_ = this;
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuReader::Proc)));
}

MenuReader::~MenuReader()
{
    if (IsWindow(owner_))
        SetWindowLongPtrA(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    active_ = nullptr;
}

LRESULT CALLBACK MenuReader::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MenuReader* self = active_;
    if (message == WM_INITMENUPOPUP && HIWORD(lParam) == 0) {
        // Submenus are read through the menu that holds them.
        self->shown_.push_back(ReadMenu(reinterpret_cast<HMENU>(wParam)));
        if (self->onOpen_)
            self->onOpen_();
        else
            EndMenu();
        return 0;
    }
    if (message == WM_COMMAND) {
        self->commands_.push_back(LOWORD(wParam));
        if (!self->passCommands_)
            return 0;
    }
    return CallWindowProcA(self->original_, window, message, wParam, lParam);
}

}  // namespace wintest
