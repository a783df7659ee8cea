// The launcher's records: pages, items and panel settings as plain data, with no
// Windows type, so that the code turning a settings file into records also builds
// natively (for fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The fixed buffers of the platform's ANSI profile texts (519 bytes and a NUL);
// the file's keys are cut there, the texts in memory are not.
constexpr int kTextSize = 520;

// The longest text an item or page holds, in UTF-16 units: the longest path
// Windows knows. Texts are bounded where they come in (file, dialog, drop, rename).
constexpr size_t kMaxTextUnits = 32767;

// The largest settings file a load reads; a save never writes a larger one.
constexpr size_t kSettingsFileLimit = 64u * 1024 * 1024;

// imageIndex of a loaded item whose page has not been shown yet: its icon is made
// when the page is first shown (or when the item's icon is needed before that).
// Never stored in the file.
constexpr int32_t kImageNotMade = -2;

struct LauncherItem {
    int32_t imageIndex;       // image in both image lists, -1 when none
    std::wstring name;
    std::wstring path;
    std::wstring parameter;
    std::wstring workDir;     // empty: no working folder
    std::wstring iconPath;
    int32_t iconIndex;        // -1: the shell's own icon of iconPath
    int32_t posX;             // -1: no stored position
    int32_t posY;
    // What the file's CP932 keys hold for path, workDir and iconPath when CP932
    // cannot hold them exactly: their short forms, found where the item's file is
    // looked at (never on the UI thread). Empty: none, the key holds the text with
    // '?' for what CP932 lacks. Taken back from the file at load.
    std::string shortPath;
    std::string shortWorkDir;
    std::string shortIconPath;
};

struct LauncherPage {
    std::wstring name;
    std::vector<LauncherItem> items;
    // 0 until a removal from the page is kept for undoing; then a number no other
    // page of this panel has, which follows the page wherever it moves. Never stored.
    uint32_t serial = 0;
};

struct PanelSettings {
    int32_t doubleClick;
    int32_t showTab;
    int32_t viewStyle;  // 10009 large icons, 10010 small icons, 10011 list; others show large icons
    int32_t autoArrange;
    int32_t gridArrange;
};

// The name a new page gets: "ページ &N" with its 1-based number.
std::wstring DefaultPageName(int pageNumber);
