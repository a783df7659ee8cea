// Reading a shell link for what it starts.
#pragma once

#include <string>

// What a shortcut starts, as an item can hold it.
struct ShortcutTarget {
    std::wstring path;       // the target as found on disk; empty when it has none to take
    std::wstring parameter;  // the link's arguments
    std::wstring workDir;    // the link's working folder; empty when it has none
    std::wstring iconPath;   // the link's icon location; empty when it has none
    int iconIndex;
    // The short forms of the three paths for the settings file (PathForms.h).
    std::string shortPath;
    std::string shortWorkDir;
    std::string shortIconPath;
};

// True when `path` loads as a shell link; `target` then holds what it starts. A
// link whose target is missing, advertised by an installer, marked to run as
// administrator (only the link itself asks for that), or not to be held whole in
// the panel's texts leaves the target empty: the link itself is the item.
bool ResolveShortcut(const wchar_t* path, ShortcutTarget* target);
