// Reads the popup menus that a window is shown, while each is open: the window is
// subclassed, and on WM_INITMENUPOPUP the menu's entries are copied out; then the
// menu is closed (or an action given by the test runs instead) so that
// TrackPopupMenu returns. WM_COMMAND messages the window receives are recorded too.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wintest {

struct MenuEntryView {
    UINT id = 0;
    std::string text;
    bool separator = false;
    bool checked = false;
    bool radio = false;
    bool grayed = false;
    bool disabled = false;
    std::vector<MenuEntryView> submenu;  // empty when the entry opens none
    bool hasSubmenu = false;
};

std::vector<MenuEntryView> ReadMenu(HMENU menu);

class MenuReader {
public:
    explicit MenuReader(HWND owner);
    ~MenuReader();
    MenuReader(const MenuReader&) = delete;
    MenuReader& operator=(const MenuReader&) = delete;

    // Runs instead of closing the menu when set (e.g. posting keys to choose an entry).
    void OnOpen(std::function<void()> action) { onOpen_ = std::move(action); }
    // While true, WM_COMMAND reaches the window's own procedure after being recorded.
    void PassCommands(bool pass) { passCommands_ = pass; }

    const std::vector<std::vector<MenuEntryView>>& shown() const { return shown_; }
    const std::vector<WORD>& commands() const { return commands_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    WNDPROC original_;
    std::function<void()> onOpen_;
    bool passCommands_ = true;
    std::vector<std::vector<MenuEntryView>> shown_;
    std::vector<WORD> commands_;
    static MenuReader* active_;
};

}  // namespace wintest
