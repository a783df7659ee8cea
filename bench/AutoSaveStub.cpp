// Stands in for launcher/AutoSave.cpp in SettingsBench, which has no panel: a change
// schedules nothing.
#include "AutoSave.h"

void NoteChange() {}
