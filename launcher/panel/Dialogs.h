// The item properties dialog, the one-line text prompt, the file browser and the
// shell's icon picker.
#pragma once

#include <windows.h>

struct TextPromptRequest {
    char* buffer;         // in: the text to edit; out (only on OK): the text entered
    const char* label;
    const char* caption;
    int size;             // size of buffer in bytes
};

INT_PTR ShowItemProperties(int page, int item);
bool AskText(HWND owner, char* buffer, const char* label, const char* caption, int size);
BOOL BrowseForFile(HWND owner, char* buffer);  // buffer: 520 bytes
int PickItemIcon(char* iconPath, int* iconIndex);  // iconPath: 520 bytes

// The shell's icon picker as PickItemIcon calls it: owner, wide path buffer, its
// size in characters, icon index (in and out); positive when the user chose.
typedef int(WINAPI* IconPickerProc)(HWND owner, WCHAR* path, UINT pathSize, int* iconIndex);
// When set, PickItemIcon calls this instead of the shell's picker (a test seam).
extern IconPickerProc iconPickerOverride;
