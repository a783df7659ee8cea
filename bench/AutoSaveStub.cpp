// Stands in for launcher/AutoSave.cpp in SettingsBench, which has no panel: a change
// schedules nothing.
#include "panel/AutoSave.h"

void NoteChange() {}
