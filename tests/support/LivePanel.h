// The real panel, created through its plug-in table entry inside a window nest,
// from a settings file written into a fresh folder. The product code is linked
// into the test program, so its data state can be read directly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "WinTest.h"

namespace wintest {

struct ItemSpec {
    std::string name;
    int posX = -1;
    int posY = -1;
    std::string path = "C:\\windows\\notepad.exe";
};

struct PageSpec {
    std::string name;
    std::vector<ItemSpec> items;
};

struct PanelSpec {
    std::vector<PageSpec> pages;
    int doubleClick = 1;
    int showTab = 1;
    int viewStyle = 10009;
    int autoArrange = 0;
    int gridArrange = 0;
};

// The settings file text for a spec.
std::string SettingsText(const PanelSpec& spec);

class LivePanel {
public:
    explicit LivePanel(const PanelSpec& spec, int width = 300, int height = 400);
    ~LivePanel();  // destroys the panel if still alive
    LivePanel(const LivePanel&) = delete;
    LivePanel& operator=(const LivePanel&) = delete;

    HWND window() const { return window_; }
    HWND list() const;
    HWND tabs() const;
    const WindowNest& nest() const { return nest_; }
    const TempFolder& folder() const { return folder_; }

    // Destroys the panel (it saves its settings file).
    void Destroy();

private:
    TempFolder folder_;
    WindowNest nest_;
    HWND window_ = nullptr;
};

// What the controls show.
int ListCount(HWND list);
std::string ListText(HWND list, int index);
int ListImage(HWND list, int index);
POINT ListPosition(HWND list, int index);
UINT ListState(HWND list, int index, UINT mask);
void SelectListItem(HWND list, int index);  // -1: nothing selected
int TabCount(HWND tabs);
std::string TabText(HWND tabs, int index);
int TabSelection(HWND tabs);

// Screen points for SetCursorPos.
POINT ListItemCenter(HWND list, int index);  // the middle of the item's icon
POINT TabCenter(HWND tabs, int index);
POINT ClientToScreenPoint(HWND window, POINT point);

}  // namespace wintest
