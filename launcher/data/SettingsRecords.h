// The records of Dockmere.ini (the panel settings, the pages and their items)
// read from an IniDocument and written into one. The file itself is
// SettingsFile.cpp's; this part has no Windows dependency and builds natively for
// fuzzing.
#pragma once

#include <vector>

#include "data/IniDocument.h"
#include "data/LauncherRecords.h"

// Replaces pages and settings with those of the document. Missing keys give the
// defaults (one page, the settings 1, 1, 10009, 1, 1); counts are bounded by the
// sections the document really has (see SettingsRecords.cpp). There is always at
// least one page. Every item's imageIndex is -1: the icons are not looked at here.
void ReadSettingsRecords(const IniDocument& doc, std::vector<LauncherPage>* pages, PanelSettings* settings);

// The document that holds these records, key by key in the file's order.
IniDocument BuildSettingsDocument(const std::vector<LauncherPage>& pages, const PanelSettings& settings);
