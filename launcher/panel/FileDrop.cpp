// Files dropped on the panel (WM_DROPFILES): started with a dropped file, or kept
// as a new item, a shortcut's target when the user asks for it.
//
// The panel's thread takes the file's name, the item under the cursor and the
// page, and gives the drop a number; a worker in the lane of the file finds the
// name the panel can keep (its short form where the code page lacks the long one)
// and reads a shortcut, and posts WM_DROP_READY. Drops are finished in the order
// they were made, a later one waiting for an earlier one still on its worker.
#include "panel/FileDrop.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <map>
#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/Launch.h"
#include "platform/ModalHold.h"
#include "platform/Shortcuts.h"
#include "platform/WidePaths.h"
#include "platform/Workers.h"

struct DropRequest {
    uint32_t sequence = 0;
    int page = 0;
    int hit = -1;  // the item dropped on, or -1
    std::wstring widePath;
    bool refused = false;  // the workers took no task: nothing is done with it
    // Made by the worker.
    bool named = false;  // `path` names the file
    char path[kTextSize] = {};
    bool isShortcut = false;
    ShortcutTarget target = {};
};

namespace {

void RunDrop(void* context, const volatile LONG*)
{
    auto* drop = static_cast<DropRequest*>(context);
    // The file as the panel's ANSI text; a name the code page cannot hold, on a
    // volume without short names, would name no file at all.
    drop->named = AnsiPathFor(drop->widePath.c_str(), drop->path);
    if (drop->named && drop->hit == -1)
        drop->isShortcut = ResolveShortcut(drop->path, &drop->target);
}

// One drop, in its turn. False when the panel went during a message box.
bool FinishDrop(DropRequest& drop)
{
    DWORD generation = LiveGeneration();
    HWND window = livePanel->panelWindow;
    if (drop.refused)
        return true;
    if (!drop.named) {
        ReportUnnamableFile(window, drop.widePath.c_str());
        return PanelStillLives(generation);
    }
    // The page may have gone meanwhile: the drop then goes to the page shown.
    int page = drop.page < GetPageCount() ? drop.page : GetCurrentPage();
    if (drop.hit != -1) {
        if (drop.hit < GetItemCount(page)) {
            PathQuoteSpacesA(drop.path);
            LaunchItem(window, page, drop.hit, drop.path);
        }
        return true;
    }

    char path[kTextSize];
    CopyText(path, drop.path);
    const ShortcutTarget* taken = nullptr;
    const WCHAR* named = drop.widePath.c_str();
    if (drop.isShortcut) {
        int answer;
        {
            ModalHold hold;
            answer = MessageBoxA(window, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL);
        }
        if (!PanelStillLives(generation))
            return false;
        page = page < GetPageCount() ? page : GetCurrentPage();
        switch (answer) {
        case IDYES:
            // A target that is not on disk (or none with a file-system path) gives
            // nothing to start: keep the shortcut itself rather than such an item.
            if (drop.target.path[0]) {
                CopyText(path, drop.target.path);
                named = drop.target.widePath;
                taken = &drop.target;
            } else if (drop.target.widePath[0]) {
                ReportUnnamableFile(window, drop.target.widePath);
                return PanelStillLives(generation);
            }
            break;
        case IDNO:
            break;
        default:
            return true;
        }
    }

    char name[kTextSize];
    ItemNameFor(named, path, name);
    int n = GetItemCount(page);
    if (!AddFileItem(page, path, name)) {
        ModalHold hold;
        MessageBoxA(window, TEXT_TOO_MANY_ITEMS, TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
        return PanelStillLives(generation);
    }
    if (taken) {
        // The item does what the shortcut did: its arguments, its own working folder
        // and icon where it has them (else the target's folder and shell icon).
        SetItemParameter(page, n, taken->parameter);
        if (taken->workDir[0])
            SetItemWorkDir(page, n, taken->workDir);
        if (taken->iconPath[0])
            ReplaceItemIcon(page, n, taken->iconPath, taken->iconIndex);
    }
    if (page == GetCurrentPage())
        InsertListItem(-1, GetItemName(page, n), GetItemImageIndex(page, n));
    return true;
}

// Finishes the drops whose turn has come. A message box of one lets the loop run,
// and a drop arriving then waits here for its turn.
void FinishDropsInTurn()
{
    if (livePanel->finishingDrops)
        return;
    livePanel->finishingDrops = true;
    for (;;) {
        auto next = livePanel->waitingDrops.find(livePanel->nextDropToFinish);
        if (next == livePanel->waitingDrops.end())
            break;
        DropRequest* drop = next->second;
        livePanel->waitingDrops.erase(next);
        ++livePanel->nextDropToFinish;
        bool lives = FinishDrop(*drop);
        delete drop;
        if (!lives)
            return;  // the record went with the panel, the drops waiting with it
    }
    livePanel->finishingDrops = false;
}

void Arrived(DropRequest* drop)
{
    livePanel->waitingDrops[drop->sequence] = drop;
    FinishDropsInTurn();
}

}  // namespace

void OnDropFiles(HDROP drop)
{
    WCHAR widePath[kTextSize] = {};
    UINT length = DragQueryFileW(drop, 0, widePath, kTextSize);
    DragFinish(drop);
    if (length == 0)
        return;  // nothing usable was dropped

    auto* request = new DropRequest();
    request->sequence = livePanel->nextDropSequence++;
    request->page = GetCurrentPage();
    request->hit = HitTestList();
    request->widePath = widePath;
    WorkerTask task = {RunDrop, ReleaseDropRequest, request, livePanel->panelWindow, WM_DROP_READY,
                       livePanel->generation};
    if (!SubmitWorkerTask(widePath, task, true)) {
        request->refused = true;  // its turn still passes
        Arrived(request);
    }
}

void OnDropReady(DWORD generation, void* context)
{
    auto* drop = static_cast<DropRequest*>(context);
    if (!PanelStillLives(generation)) {
        ReleaseDropRequest(drop);
        return;
    }
    Arrived(drop);
}

void ReleaseDropRequest(void* context)
{
    delete static_cast<DropRequest*>(context);
}

void ForgetWaitingDrops()
{
    for (auto& waiting : livePanel->waitingDrops)
        delete waiting.second;
    livePanel->waitingDrops.clear();
}
