// The real panel, created through its plug-in table entry inside a window nest,
// from a settings file (PanelReader's Settings) written into a fresh folder. The product code is linked
// into the test program, so its data state can be read directly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PanelReader.h"
#include "WinTest.h"

namespace wintest {

// A settings item with a stored icon position.
SettingsItem PlacedItem(const char* name, int x, int y, const char* path = "C:\\windows\\notepad.exe");

class LivePanel {
public:
    explicit LivePanel(const Settings& settings, int width = 300, int height = 400);
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

// Item states, and the selection set as a click would leave it.
UINT ListState(HWND list, int index, UINT mask);
void SelectListItem(HWND list, int index);  // -1: nothing selected

// Screen points for SetCursorPos.
POINT ListItemCenter(HWND list, int index);  // the middle of the item's icon
POINT TabCenter(HWND tabs, int index);
POINT ClientToScreenPoint(HWND window, POINT point);

}  // namespace wintest
