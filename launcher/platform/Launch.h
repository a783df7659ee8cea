// Starting items through the shell, and the shell's Run dialog.
#pragma once

// Starts item `item` of `page` (-1: nothing). A parameter override replaces the
// item's own parameters entirely.
void LaunchItem(int page, int item, const char* parameterOverride = nullptr);
void ShowRunDialog();
