// Reading the panel back through its controls' own messages, and writing the
// settings files the panel tests start from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wintest {

// Tab strip.
std::vector<std::string> TabTexts(HWND tabControl);
int SelectedTab(HWND tabControl);

// Icon list.
int ListCount(HWND listView);
std::string ListText(HWND listView, int index);
// The texts as the controls hold them, in UTF-16.
std::wstring ListTextW(HWND listView, int index);
std::wstring TabTextW(HWND tabControl, int index);
std::vector<std::string> ListTexts(HWND listView);
int ListImage(HWND listView, int index);
POINT ListPosition(HWND listView, int index);

// What the screen shows of a window's client area, row by row, 0x00RRGGBB each.
std::vector<uint32_t> ScreenPixels(HWND window);

// Window style and extended style, without the scroll bars the control manages itself.
DWORD StyleOf(HWND window);
DWORD ExStyleOf(HWND window);
std::string ClassOf(HWND window);
// Position and size of a child in its parent's client coordinates.
RECT ChildRect(HWND child);

struct SettingsItem {
    std::string name;
    std::string path = "C:\\windows\\notepad.exe";
    int iconIndex = -1;
    int posX = -1;
    int posY = -1;
    std::string workDir;
};

struct SettingsPage {
    std::string name;
    std::vector<SettingsItem> items;
};

struct Settings {
    std::vector<SettingsPage> pages;
    int doubleClick = 1;
    int showTab = 1;
    int viewStyle = 10009;
    int autoArrange = 0;
    int gridArrange = 0;
};

// Dockmere.ini text for the settings, in the file's own key order.
std::string SettingsFileText(const Settings& settings);

// A number or text read back from a settings file through the profile functions.
int ProfileInt(const std::string& file, const std::string& section, const char* key, int fallback = -99);
std::string ProfileText(const std::string& file, const std::string& section, const char* key);

}  // namespace wintest
