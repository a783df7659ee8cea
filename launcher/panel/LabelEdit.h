// Renaming an item in place: the list view's label editor.
#pragma once

#include <windows.h>
#include <commctrl.h>

void BeginLabelEdit();
void EndLabelEdit(const NMLVDISPINFOW* info);
