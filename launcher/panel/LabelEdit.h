// Renaming an item in place: the list view's label editor.
#pragma once

#include <windows.h>
#include <commctrl.h>

void BeginLabelEdit();
void EndLabelEdit(const NMLVDISPINFOW* info);
// Gives the host's frame back the title it had before the rename; also when the
// panel goes while an edit is open.
void RestoreRenameTitle();
