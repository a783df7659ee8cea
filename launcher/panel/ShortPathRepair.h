// Paths an older version stored by their short (8.3) names, as it did for files
// whose names CP932 cannot hold (C:\Tools\CAF_~BGO.EXE), taken back to their long
// form after the load: an item's path, working folder and icon path, and a name
// that is just the short title of its path.
//
// The long forms are found by a worker in the lane of each path (a file may be slow
// to answer) and posted back as WM_PATHS_REPAIRED. The items may have changed
// meanwhile: a text takes its long form only while it is still the text asked
// about, wherever its item has moved. The next save writes the long texts with
// their short forms as their keys' fallback for older readers.
#pragma once

#include <windows.h>

constexpr UINT WM_PATHS_REPAIRED = WM_APP + 5;

// Asks the workers for the long forms of the loaded items' texts that may hold
// short names; nothing is asked when none may.
void RepairShortPaths();
// WM_PATHS_REPAIRED: the long forms found, put into the items still holding the
// texts they were found for. Frees the result.
void OnPathsRepaired(DWORD generation, void* result);
// Frees a result that does not reach OnPathsRepaired.
void ReleasePathRepair(void* result);
