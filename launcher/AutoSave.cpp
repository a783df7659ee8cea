#include "AutoSave.h"

#include "LauncherData.h"
#include "Panel.h"
#include "PanelViews.h"
#include "SettingsFile.h"
#include "resource.h"

namespace {

bool armed = false;
// Something was changed since the panel was created: its saves keep the file as it
// was loaded in the backup first. A panel only opened and closed leaves the backup
// of the last run that changed something.
bool changed = false;
bool saving = false;

void SaveNow()
{
    saving = true;
    // Places the list view set by itself reach the file as they do at destroy.
    SavePositions();
    SaveSettings(changed);
    saving = false;
}

}  // namespace

void StartAutoSave()
{
    armed = true;
    changed = false;
    saving = false;
}

void NoteChange()
{
    if (!armed || saving || !panelState.panelWindow)
        return;
    changed = true;
    // The same id again only restarts the timer: one save after the last change.
    SetTimer(panelState.panelWindow, ID_SAVE_TIMER, SAVE_DELAY, nullptr);
}

void OnSaveTimer(HWND window)
{
    KillTimer(window, ID_SAVE_TIMER);
    // A save that could not write is tried again at the next change.
    if (armed)
        SaveNow();
}

void SaveAtDestroy()
{
    armed = false;
    if (panelState.panelWindow)
        KillTimer(panelState.panelWindow, ID_SAVE_TIMER);
    SaveNow();
}
