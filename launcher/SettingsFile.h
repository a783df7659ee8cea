// Dockmere.ini in the host's setting folder: read once when the panel is created,
// written once, whole, when it is destroyed.
#pragma once

// iniPath becomes "<folder>\Dockmere.ini"; an empty folder leaves no settings path,
// and then nothing is read or written anywhere.
void SetSettingsFolder(const char* folder);

// Reads the file into the (empty) data state; a missing file gives the defaults.
void LoadSettings();

// Writes the whole data state anew; the old file is replaced only by a complete new one.
void SaveSettings();
