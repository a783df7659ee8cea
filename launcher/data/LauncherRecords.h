// The launcher's records: pages, items and panel settings as plain data, with no
// Windows type, so that the code turning a settings file into records also builds
// natively (for fuzzing).
#pragma once

#include <cstdint>
#include <vector>

constexpr int kTextSize = 520;

// imageIndex of a loaded item whose page has not been shown yet: its icon is made
// when the page is first shown (or when the item's icon is needed before that).
// Never stored in the file.
constexpr int32_t kImageNotMade = -2;

struct LauncherItem {
    int32_t imageIndex;       // image in both image lists, -1 when none
    char name[kTextSize];
    char path[kTextSize];
    char parameter[kTextSize];
    char workDir[kTextSize];  // empty: no working folder
    char iconPath[kTextSize];
    int32_t iconIndex;        // -1: the shell's own icon of iconPath
    int32_t posX;             // -1: no stored position
    int32_t posY;
};

struct LauncherPage {
    char name[kTextSize];
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
void FormatDefaultPageName(char* buffer, int pageNumber);
