// Files dropped on the panel (WM_DROPFILES): started with a dropped file, or kept
// as a new item, a shortcut's target when the user asks for it.
//
// The panel's thread takes the file's name, the item under the cursor and the
// page, and gives the drop a number; a worker in the lane of the file finds its
// short form for the settings file and reads a shortcut, and posts WM_DROP_READY. Drops are finished in the order
// they were made, a later one waiting for an earlier one still on its worker.
#include "panel/FileDrop.h"

#include <shellapi.h>

#include <map>
#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/Launch.h"
#include "platform/ModalHold.h"
#include "platform/PathForms.h"
#include "platform/Shortcuts.h"
#include "platform/Workers.h"

struct DropRequest {
    uint32_t sequence = 0;
    int page = 0;
    int hit = -1;  // the item dropped on, or -1
    std::wstring path;
    bool refused = false;  // the workers took no task: nothing is done with it
    // Made by the worker.
    std::string shortPath;  // the file's short form for the settings file
    bool isShortcut = false;
    ShortcutTarget target = {};
};

namespace {

void RunDrop(void* context, const volatile LONG*)
{
    // Both look at the file, which may be slow to answer: never on the panel's thread.
    auto* drop = static_cast<DropRequest*>(context);
    if (drop->hit != -1)
        return;
    drop->shortPath = ShortPathOf(drop->path);
    drop->isShortcut = ResolveShortcut(drop->path.c_str(), &drop->target);
}

// One drop, in its turn. False when the panel went during a message box.
bool FinishDrop(DropRequest& drop)
{
    DWORD generation = LiveGeneration();
    HWND window = livePanel->panelWindow;
    if (drop.refused)
        return true;
    // The page may have gone meanwhile: the drop then goes to the page shown.
    int page = drop.page < GetPageCount() ? drop.page : GetCurrentPage();
    if (drop.hit != -1) {
        if (drop.hit < GetItemCount(page)) {
            // Handed to the item as one argument.
            std::wstring argument =
                drop.path.find(L' ') == std::wstring::npos ? drop.path : L"\"" + drop.path + L"\"";
            LaunchItem(window, page, drop.hit, argument.c_str());
        }
        return true;
    }

    std::wstring path = drop.path;
    std::string shortPath = drop.shortPath;
    const ShortcutTarget* taken = nullptr;
    if (drop.isShortcut) {
        int answer;
        {
            ModalHold hold;
            answer = MessageBoxW(window, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL);
        }
        if (!PanelStillLives(generation))
            return false;
        page = page < GetPageCount() ? page : GetCurrentPage();
        switch (answer) {
        case IDYES:
            // A target that is not on disk (or none with a file-system path) gives
            // nothing to start: keep the shortcut itself rather than such an item.
            if (!drop.target.path.empty()) {
                path = drop.target.path;
                shortPath = drop.target.shortPath;
                taken = &drop.target;
            }
            break;
        case IDNO:
            break;
        default:
            return true;
        }
    }

    int n = GetItemCount(page);
    if (!AddFileItem(page, path.c_str(), nullptr, shortPath)) {
        ModalHold hold;
        MessageBoxW(window, TEXT_TOO_MANY_ITEMS, TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
        return PanelStillLives(generation);
    }
    if (taken) {
        // The item does what the shortcut did: its arguments, its own working folder
        // and icon where it has them (else the target's folder and shell icon).
        SetItemParameter(page, n, taken->parameter.c_str());
        if (!taken->workDir.empty())
            SetItemWorkDir(page, n, taken->workDir.c_str(), taken->shortWorkDir);
        if (!taken->iconPath.empty())
            ReplaceItemIcon(page, n, taken->iconPath.c_str(), taken->iconIndex, taken->shortIconPath);
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
    // The first file's exact name, of any length the item can hold.
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path;
    if (length > 0 && length <= kMaxTextUnits) {
        path.resize(length + 1);
        path.resize(DragQueryFileW(drop, 0, &path[0], length + 1));
    }
    DragFinish(drop);
    if (path.empty())
        return;  // nothing usable was dropped

    auto* request = new DropRequest();
    request->sequence = livePanel->nextDropSequence++;
    request->page = GetCurrentPage();
    request->hit = HitTestList();
    request->path = path;
    WorkerTask task = {RunDrop, ReleaseDropRequest, request, livePanel->panelWindow, WM_DROP_READY,
                       livePanel->generation};
    if (!SubmitWorkerTask(path.c_str(), task, true)) {
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
