// Renaming an item in place: the list view's label editor, and a double-byte
// character typed into it as two bytes.
#pragma once

#include <windows.h>
#include <commctrl.h>

void BeginLabelEdit();
void EndLabelEdit(const NMLVDISPINFOA* info);
