#include "panel/AutoSave.h"

#include "data/SettingsFile.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "resource.h"

namespace {

// The state lives in the panel record: armed, changed since the load (its saves
// keep the file as it was loaded in the backup first; a panel only opened and
// closed leaves the backup of the last run that changed something), saving.

// A save another program refused (it held the file for a moment) is tried again
// this often, this soon, rather than waited out on the host's thread; then at the
// next change.
constexpr int kRetries = 4;
constexpr UINT kRetryDelay = 250;

bool SaveNow(bool waitOutRefusals)
{
    livePanel->saving = true;
    // Places the list view set by itself reach the file as they do at destroy.
    SavePositions();
    bool saved = SaveSettings(livePanel->changedSinceLoad, waitOutRefusals);
    livePanel->saving = false;
    return saved;
}

}  // namespace

void StartAutoSave()
{
    livePanel->saveArmed = true;
}

void NoteChange()
{
    PanelRecord* panel = livePanel;
    if (!panel || !panel->saveArmed || panel->saving || !panel->panelWindow)
        return;
    panel->changedSinceLoad = true;
    panel->saveRetriesLeft = kRetries;
    // The same id again only restarts the timer: one save after the last change.
    SetTimer(panel->panelWindow, ID_SAVE_TIMER, SAVE_DELAY, nullptr);
}

void OnSaveTimer(HWND window)
{
    KillTimer(window, ID_SAVE_TIMER);
    // Taking the places brings a scrolled list to its origin for a moment, which
    // would end a rename in place or lose a drag's target: the save waits for them.
    bool armed = livePanel->saveArmed;
    if (armed && (livePanel->labelEditControl || livePanel->dragging)) {
        SetTimer(window, ID_SAVE_TIMER, SAVE_DELAY, nullptr);
        return;
    }
    if (armed && !SaveNow(false) && livePanel->saveRetriesLeft > 0) {
        --livePanel->saveRetriesLeft;
        SetTimer(window, ID_SAVE_TIMER, kRetryDelay, nullptr);
    }
}

void SaveAtDestroy()
{
    livePanel->saveArmed = false;
    if (livePanel->panelWindow)
        KillTimer(livePanel->panelWindow, ID_SAVE_TIMER);
    // No later change comes: a refusal is waited out here.
    SaveNow(true);
}
