#include "panel/AutoSave.h"

#include <string>
#include <utility>
#include <vector>

#include "Texts.h"
#include "data/SettingsFile.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/ModalHold.h"
#include "platform/WidePaths.h"
#include "platform/Workers.h"
#include "resource.h"

// The saves of one panel, shared by the panel and the worker that writes them; it
// goes with the last of them. A save made while another still waits replaces it:
// only the newest state is worth writing. One task at a time writes, taking the
// waiting save until there is none, so a save made while one is written follows it.
struct SaveChannel {
    SRWLOCK lock = SRWLOCK_INIT;
    LONG references = 1;
    std::wstring path;  // the settings file the writer writes
    SettingsSave* waiting = nullptr;
    std::vector<SettingsSave*> written;  // for FinishSettingsSave on the panel's thread
    bool writerQueued = false;           // a task is queued or running
    HANDLE idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // no save waits or is written

    void Release()
    {
        if (InterlockedDecrement(&references) != 0)
            return;
        delete waiting;
        for (SettingsSave* save : written)
            delete save;
        if (idle)
            CloseHandle(idle);
        delete this;
    }
};

namespace {

// The state lives in the panel record: armed, changed since the load (its saves
// keep the file as it was loaded in the backup first; a panel only opened and
// closed leaves the backup of the last run that changed something), saving.

// A save another program refused (it held the file for a moment) is tried again
// this often, this soon, after the worker's own retries; then at the next change.
constexpr int kRetries = 4;
constexpr UINT kRetryDelay = 250;
// How long the save at destroy is waited for on the host's thread.
constexpr DWORD kDestroySaveWait = 1000;

class LockedChannel {
public:
    explicit LockedChannel(SaveChannel* channel) : channel_(channel) { AcquireSRWLockExclusive(&channel->lock); }
    ~LockedChannel() { ReleaseSRWLockExclusive(&channel_->lock); }
    LockedChannel(const LockedChannel&) = delete;
    LockedChannel& operator=(const LockedChannel&) = delete;

private:
    SaveChannel* channel_;
};

void WriteWaitingSaves(void* context, const volatile LONG*)
{
    // Runs on to the end even for a panel that is gone: the file then holds its
    // last state.
    auto* channel = static_cast<SaveChannel*>(context);
    for (;;) {
        SettingsSave* save;
        {
            LockedChannel locked(channel);
            save = channel->waiting;
            channel->waiting = nullptr;
            if (!save) {
                channel->writerQueued = false;
                SetEvent(channel->idle);
                return;
            }
        }
        WriteSettingsSave(save, true);
        LockedChannel locked(channel);
        channel->written.push_back(save);
    }
}

void ReleaseChannel(void* context)
{
    static_cast<SaveChannel*>(context)->Release();
}

// Queues the writer unless one is queued or runs; false when the workers refused it.
bool StartWriter(SaveChannel* channel)
{
    {
        LockedChannel locked(channel);
        if (channel->writerQueued)
            return true;
        channel->writerQueued = true;
        ResetEvent(channel->idle);
    }
    InterlockedIncrement(&channel->references);
    WorkerTask task = {WriteWaitingSaves, ReleaseChannel, channel, livePanel->panelWindow, WM_SAVE_DONE,
                       livePanel->generation};
    // A lane of its own: an item's file that hangs on the settings file's volume (a
    // cloud placeholder in the profile) must not hold up the save, nor four hung
    // shares take every thread from it.
    if (SubmitOwnLaneTask(L"settings", task))
        return true;
    LockedChannel locked(channel);
    channel->writerQueued = false;
    if (!channel->waiting)
        SetEvent(channel->idle);
    InterlockedDecrement(&channel->references);  // the panel still holds one
    return false;
}

// A save that leaves the file behind the panel's state is told once per panel, the
// last thing its handler does (the panel may go during the message box). A refusal
// that retries wait out, a read-only file the user chose and an unchanged file are not.
void TellOfSave(SaveOutcome outcome, const std::wstring& path)
{
    const wchar_t* format;
    switch (outcome) {
    case SaveOutcome::Failed:
        format = TEXT_SAVE_FAILED_FORMAT;
        break;
    case SaveOutcome::Unreadable:
        format = TEXT_SAVE_UNREADABLE_FORMAT;
        break;
    case SaveOutcome::TooLarge:
        format = TEXT_SAVE_TOO_LARGE_FORMAT;
        break;
    default:
        return;
    }
    if (livePanel->saveFailureTold || !livePanel->saveArmed || !livePanel->panelWindow)
        return;
    livePanel->saveFailureTold = true;
    HWND owner = GetAncestor(livePanel->panelWindow, GA_ROOT);
    ModalHold hold;
    MessageBoxW(owner, FillTextFormat(format, path).c_str(), TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}

bool SaveNow(SaveOutcome* refusal = nullptr, std::wstring* refusedPath = nullptr)
{
    livePanel->saving = true;
    // Places the list view set by itself reach the file as they do at destroy.
    SavePositions();
    auto* save = new SettingsSave();
    bool prepared = PrepareSettingsSave(livePanel->changedSinceLoad, save);
    livePanel->saving = false;
    if (!prepared) {
        if (refusal) {
            *refusal = save->outcome;
            *refusedPath = save->path;
        }
        delete save;
        return false;
    }
    SaveChannel* channel = livePanel->saveChannel;
    {
        LockedChannel locked(channel);
        channel->path = save->path;
        if (SettingsSave* older = channel->waiting) {
            // Never written: its backup bytes go with the newer save.
            if (save->backup.empty())
                save->backup.swap(older->backup);
            delete older;
        }
        channel->waiting = save;
        ResetEvent(channel->idle);
    }
    return StartWriter(channel);
}

}  // namespace

void StartAutoSave()
{
    livePanel->saveArmed = true;
    if (!livePanel->saveChannel)
        livePanel->saveChannel = new SaveChannel();
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
    SaveOutcome refusal = SaveOutcome::NotWritten;
    std::wstring path;
    if (!armed || SaveNow(&refusal, &path))
        return;
    if (refusal != SaveOutcome::NotWritten) {
        TellOfSave(refusal, path);  // nothing a later try would change
    } else if (livePanel->saveRetriesLeft > 0) {
        --livePanel->saveRetriesLeft;  // the workers took no task
        SetTimer(window, ID_SAVE_TIMER, kRetryDelay, nullptr);
    }
}

void OnSaveDone(DWORD generation, void* context)
{
    auto* channel = static_cast<SaveChannel*>(context);
    if (livePanel && generation == livePanel->generation && channel == livePanel->saveChannel) {
        std::vector<SettingsSave*> written;
        {
            LockedChannel locked(channel);
            written.swap(channel->written);
        }
        SaveOutcome last = SaveOutcome::NotWritten;
        std::wstring path;
        for (SettingsSave* save : written) {
            FinishSettingsSave(save);
            last = save->outcome;  // the last one counts
            path = save->path;
            delete save;
        }
        channel->Release();
        // A refusal the worker's retries did not wait out is tried again later, and
        // told when the tries are spent.
        if (last == SaveOutcome::Failed && livePanel->saveArmed && livePanel->saveRetriesLeft > 0
            && livePanel->panelWindow) {
            --livePanel->saveRetriesLeft;
            SetTimer(livePanel->panelWindow, ID_SAVE_TIMER, kRetryDelay, nullptr);
        } else {
            TellOfSave(last, path);
        }
        return;
    }
    channel->Release();
}

void ReleaseSaveDone(void* context)
{
    ReleaseChannel(context);
}

void SaveAtDestroy()
{
    livePanel->saveArmed = false;
    if (livePanel->panelWindow)
        KillTimer(livePanel->panelWindow, ID_SAVE_TIMER);
    if (!livePanel->saveChannel)
        return;
    // No later change comes. The host's thread waits a little for the file; a
    // save that takes longer is finished by its worker alone.
    SaveNow();
    WaitForSingleObject(livePanel->saveChannel->idle, kDestroySaveWait);
}

void EndAutoSave()
{
    if (livePanel->saveChannel) {
        livePanel->saveChannel->Release();
        livePanel->saveChannel = nullptr;
    }
}
