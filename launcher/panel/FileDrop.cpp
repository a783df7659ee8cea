// Files dropped on the panel (WM_DROPFILES): started with a dropped file, or kept
// as a new item, a shortcut's target when the user asks for it.
//
// The panel's thread takes the files' names, the item under the cursor and the
// page, and gives each file a number; a worker in the lane of the file finds its
// short form for the settings file and reads a shortcut, and posts WM_DROP_READY.
// Files are finished in the order they were dropped, a later one waiting for an
// earlier one still on its worker, so the new items follow one another as the
// drop listed them, from the place among the items where the drop was made. What
// a drop could not take is told once, at its end.
#include "panel/FileDrop.h"

#include <shellapi.h>
#include <shlobj.h>  // DROPFILES

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/Launch.h"
#include "platform/ModalHold.h"
#include "platform/PathForms.h"
#include "platform/Shortcuts.h"
#include "platform/WidePaths.h"
#include "platform/Workers.h"

struct DropRequest {
    uint32_t sequence = 0;
    int page = 0;
    int hit = -1;  // the item dropped on, or -1
    int place = -1;  // where among the page's items the drop was made (its first file)
    std::wstring path;
    bool refused = false;  // the workers took no task: the file is not added
    // The first and the last file of their drop. The first carries what the
    // panel's thread left out before any worker saw the drop.
    bool firstOfDrop = true;
    bool lastOfDrop = true;
    int beyondBound = 0;  // files past kMaxDropFiles
    int unusable = 0;     // names longer than an item holds
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

// What the drop could not take, in one message at its end; nothing when the item
// limit was told for it already.
bool TellWhatWasLeftOut(HWND window, DWORD generation)
{
    DropTally& tally = livePanel->dropTally;
    if (tally.limitTold)
        return true;
    struct Line {
        int count;
        const wchar_t* format;
    };
    const Line lines[] = {{tally.beyondBound, TEXT_DROP_BEYOND_BOUND_FORMAT},
                          {tally.unusable, TEXT_DROP_NAME_TOO_LONG_FORMAT},
                          {tally.refused, TEXT_DROP_BUSY_FORMAT}};
    std::wstring text;
    for (const Line& line : lines) {
        if (line.count == 0)
            continue;
        if (!text.empty())
            text += L"\n";
        text += FillTextFormat(line.format, std::to_wstring(line.count), static_cast<int>(kMaxDropFiles));
    }
    if (text.empty())
        return true;
    ModalHold hold;
    MessageBoxW(window, text.c_str(), TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return PanelStillLives(generation);
}

// One file of a drop, in its turn. False when the panel went during a message box.
bool FinishFile(DropRequest& drop)
{
    DWORD generation = LiveGeneration();
    HWND window = livePanel->panelWindow;
    DropTally& tally = livePanel->dropTally;
    if (drop.path.empty())
        return true;  // the turn of a drop whose every name was unusable
    // The page may have gone meanwhile: the drop then goes to the page shown.
    int page = drop.page < GetPageCount() ? drop.page : GetCurrentPage();
    if (drop.hit != -1) {
        // Its worker looked at nothing: the start has a worker of its own.
        if (drop.hit < GetItemCount(page)) {
            // Handed to the item as one argument.
            std::wstring argument =
                drop.path.find(L' ') == std::wstring::npos ? drop.path : L"\"" + drop.path + L"\"";
            LaunchItem(window, page, drop.hit, argument.c_str());
        }
        return true;
    }
    if (drop.refused) {
        ++tally.refused;
        return true;
    }
    // Once the items are at their limit the drop's other files cannot be added
    // either; the limit was told once.
    if (tally.limitTold)
        return true;

    std::wstring path = drop.path;
    std::string shortPath = drop.shortPath;
    std::wstring name;  // empty: the file's own title
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
            // The item keeps the shortcut's own name, which the user chose,
            // rather than the target file's.
            if (!drop.target.path.empty()) {
                path = drop.target.path;
                shortPath = drop.target.shortPath;
                name = TitleOfPath(drop.path);
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
    if (!AddFileItem(page, path.c_str(), name.empty() ? nullptr : name.c_str(), shortPath)) {
        tally.limitTold = true;
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
    // From the place dropped onward: the item moves there, the next one after it.
    int at = tally.place >= 0 && tally.place < n ? tally.place : n;
    if (at < n) {
        LauncherItem record;
        CopyItem(&record, page, n);
        RemoveItem(page, n);
        InsertItem(page, at, record);
    }
    tally.place = at + 1;
    if (page == GetCurrentPage())
        InsertListItem(at, GetItemName(page, at), GetItemImageIndex(page, at));
    return true;
}

bool FinishDrop(DropRequest& drop)
{
    if (drop.firstOfDrop)
        livePanel->dropTally = DropTally{drop.beyondBound, drop.unusable, 0, false, drop.place};
    DWORD generation = LiveGeneration();
    if (!FinishFile(drop))
        return false;
    return !drop.lastOfDrop || TellWhatWasLeftOut(livePanel->panelWindow, generation);
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

// The names in the drop's block, counted within the block: one that lacks the
// empty name closing its list (a drop of no files made by hand) would have the
// platform count on past its end, Wine's DragQueryFile reading what follows.
UINT CountDroppedFiles(HDROP drop)
{
    SIZE_T size = GlobalSize(drop);
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(drop));
    if (!block)
        return 0;
    UINT count = 0;
    const auto* header = reinterpret_cast<const DROPFILES*>(block);
    if (size >= sizeof(DROPFILES) && header->pFiles < size) {
        const size_t unit = header->fWide ? sizeof(WCHAR) : 1;
        auto zero = [&](size_t at) { return block[at] == 0 && (unit == 1 || block[at + 1] == 0); };
        size_t at = header->pFiles;
        for (;;) {
            size_t start = at;
            while (at + unit <= size && !zero(at))
                at += unit;
            if (at + unit > size || at == start)
                break;  // a name the block does not close, or the list's end
            ++count;
            at += unit;
        }
    }
    GlobalUnlock(drop);
    return count;
}

void Arrived(DropRequest* drop)
{
    livePanel->waitingDrops[drop->sequence] = drop;
    FinishDropsInTurn();
}

}  // namespace

void OnDropFiles(HDROP drop)
{
    // Every file's exact name, of any length an item can hold, in the drop's order;
    // a drop onto an item hands it the first file only.
    int hit = HitTestList();
    int place = hit == -1 ? DropInsertionIndex() : -1;
    UINT count = CountDroppedFiles(drop);
    UINT wanted = hit != -1 && count > 1 ? 1 : count;
    std::vector<std::wstring> paths;
    int unusable = 0;
    int empty = 0;  // cannot be counted, but names no file either
    for (UINT i = 0; i < wanted && paths.size() < kMaxDropFiles; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) {
            ++empty;
        } else if (length > kMaxTextUnits) {
            ++unusable;
        } else {
            std::wstring path(length + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, &path[0], length + 1));
            paths.push_back(std::move(path));
        }
    }
    int beyondBound = static_cast<int>(wanted) - static_cast<int>(paths.size()) - unusable - empty;
    DragFinish(drop);
    if (paths.empty() && unusable == 0)
        return;  // nothing was dropped

    // One request per file, in the lane of its own file; a drop of nothing usable
    // still has one, which tells what was left out in its turn.
    std::vector<DropRequest*> requests;
    for (size_t i = 0; i < paths.size() || requests.empty(); ++i) {
        auto* request = new DropRequest();
        request->sequence = livePanel->nextDropSequence++;
        request->page = GetCurrentPage();
        request->hit = hit;
        request->place = place;
        if (i < paths.size())
            request->path.swap(paths[i]);
        request->firstOfDrop = requests.empty();
        request->lastOfDrop = i + 1 >= paths.size();
        requests.push_back(request);
    }
    requests.front()->beyondBound = beyondBound;
    requests.front()->unusable = unusable;
    bool nothingToAdd = paths.empty();

    // Refused ones keep their turn; they arrive only after every task is given
    // out, since their turn may show a message box in which the panel can go.
    std::vector<DropRequest*> refused;
    for (DropRequest* request : requests) {
        WorkerTask task = {RunDrop, ReleaseDropRequest, request, livePanel->panelWindow, WM_DROP_READY,
                           livePanel->generation};
        if (nothingToAdd || !SubmitWorkerTask(request->path.c_str(), task, true))
            refused.push_back(request);
    }
    DWORD generation = livePanel->generation;
    for (DropRequest* request : refused) {
        if (!PanelStillLives(generation)) {
            delete request;
            continue;
        }
        if (!nothingToAdd)
            request->refused = true;
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
