// Dockmere.ini written and read key by key through the platform's profile
// functions: the reference for SaveSettings' bytes and LoadSettings' records in the
// tests, and the slow way the settings benchmark measures against.
#pragma once

#include <vector>

#include "data/LauncherData.h"

// Writes the data state to `path` key by key, in the file's key order, after
// deleting the file; Wine's cached copy is released at the end.
void ProfileSave(const char* path);

// Reads `path` key by key into records as LoadSettings reads it, with its one
// decision on a small count: a PageCount of 0 or less reads like a missing key.
// Every item's imageIndex is -1.
void ProfileLoad(const char* path, PanelSettings* settings, std::vector<LauncherPage>* pages);
