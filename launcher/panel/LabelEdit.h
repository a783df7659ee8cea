// Renaming an item in place: the list view's label editor, and a double-byte
// character typed into it as two bytes.
#pragma once

#include <windows.h>
#include <commctrl.h>

void BeginLabelEdit();
void EndLabelEdit(const NMLVDISPINFOA* info);
// Gives the host's frame back the title it had before the rename; also when the
// panel goes while an edit is open.
void RestoreRenameTitle();
