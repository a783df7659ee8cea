// Reading a shell link for what it starts.
#pragma once

#include <windows.h>

#include "data/LauncherRecords.h"  // kTextSize

// What a shortcut starts, as an item can hold it.
struct ShortcutTarget {
    WCHAR widePath[kTextSize];  // the target as found on disk; empty when it has none to take
    char path[kTextSize];       // the same as ANSI text; empty when the code page cannot name it
    char parameter[kTextSize];  // the link's arguments
    char workDir[kTextSize];    // the link's working folder; empty when it has none
    char iconPath[kTextSize];   // the link's icon location; empty when it has none
    int iconIndex;
};

// True when `path` loads as a shell link; `target` then holds what it starts. A
// link whose target is missing, advertised by an installer, or not to be held
// whole in the panel's texts leaves the target empty: the link itself is the item.
bool ResolveShortcut(const char* path, ShortcutTarget* target);
