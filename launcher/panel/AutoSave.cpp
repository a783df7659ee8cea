#include "panel/AutoSave.h"

#include "data/LauncherData.h"
#include "panel/Panel.h"
#include "panel/PanelViews.h"
#include "data/SettingsFile.h"
#include "resource.h"

namespace {

bool armed = false;
// Something was changed since the panel was created: its saves keep the file as it
// was loaded in the backup first. A panel only opened and closed leaves the backup
// of the last run that changed something.
bool changed = false;
bool saving = false;

// A save another program refused (it held the file for a moment) is tried again
// this often, this soon, rather than waited out on the host's thread; then at the
// next change.
constexpr int kRetries = 4;
constexpr UINT kRetryDelay = 250;
int retriesLeft = 0;

bool SaveNow(bool waitOutRefusals)
{
    saving = true;
    // Places the list view set by itself reach the file as they do at destroy.
    SavePositions();
    bool saved = SaveSettings(changed, waitOutRefusals);
    saving = false;
    return saved;
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
    retriesLeft = kRetries;
    // The same id again only restarts the timer: one save after the last change.
    SetTimer(panelState.panelWindow, ID_SAVE_TIMER, SAVE_DELAY, nullptr);
}

void OnSaveTimer(HWND window)
{
    KillTimer(window, ID_SAVE_TIMER);
    // Taking the places brings a scrolled list to its origin for a moment, which
    // would end a rename in place or lose a drag's target: the save waits for them.
    if (armed && (panelState.labelEditControl || panelState.dragging)) {
        SetTimer(window, ID_SAVE_TIMER, SAVE_DELAY, nullptr);
        return;
    }
    if (armed && !SaveNow(false) && retriesLeft > 0) {
        --retriesLeft;
        SetTimer(window, ID_SAVE_TIMER, kRetryDelay, nullptr);
    }
}

void SaveAtDestroy()
{
    armed = false;
    if (panelState.panelWindow)
        KillTimer(panelState.panelWindow, ID_SAVE_TIMER);
    // No later change comes: a refusal is waited out here.
    SaveNow(true);
}
