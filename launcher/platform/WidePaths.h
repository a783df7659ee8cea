// File names as the shell gives them (UTF-16) turned into the panel's ANSI text.
#pragma once

#include <windows.h>

// The wide text in the code page when every character has an exact form and it
// fits `size` bytes; false otherwise (the text is then left empty).
bool ExactAnsiText(const WCHAR* wide, char* text, int size);

// A path the panel can keep and the shell can open: the path itself when the code
// page holds it, otherwise its short form. False when the volume gives no short
// form the code page holds (the path is then left empty). path: 520 bytes.
bool AnsiPathFor(const WCHAR* widePath, char* path);

// The name of a new item for a file: its long title without the extension where
// the code page holds it, otherwise the title of the ANSI path. name: 520 bytes.
void ItemNameFor(const WCHAR* widePath, const char* ansiPath, char* name);

// Tells the user that a file cannot be added, naming it as best the code page allows.
void ReportUnnamableFile(HWND owner, const WCHAR* widePath);
