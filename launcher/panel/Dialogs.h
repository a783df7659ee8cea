// The item properties dialog, the one-line text prompt, the file browser and the
// shell's icon picker.
#pragma once

#include <windows.h>

#include <string>

#include "data/LauncherRecords.h"  // kMaxTextUnits

struct TextPromptRequest {
    std::wstring* text;   // in: the text to edit; out (only on OK): the text entered
    const wchar_t* label;
    const wchar_t* caption;
    size_t limit;         // the longest text entered, in UTF-16 units
};

INT_PTR ShowItemProperties(int page, int item);
bool AskText(HWND owner, std::wstring* text, const wchar_t* label, const wchar_t* caption,
             size_t limit = kMaxTextUnits);
// path: in, the text whose folder and file name the browser opens with; out, the
// file chosen (unchanged when none is).
BOOL BrowseForFile(HWND owner, std::wstring* path);
int PickItemIcon(std::wstring* iconPath, int* iconIndex);

// The shell's icon picker as PickItemIcon calls it: owner, wide path buffer, its
// size in characters, icon index (in and out); positive when the user chose.
typedef int(WINAPI* IconPickerProc)(HWND owner, WCHAR* path, UINT pathSize, int* iconIndex);
// When set, PickItemIcon calls this instead of the shell's picker (a test seam).
extern IconPickerProc iconPickerOverride;
