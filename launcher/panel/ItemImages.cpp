// The images of the items, made into the panel's image lists.
#include "panel/ItemImages.h"

#include <shlwapi.h>

#include <map>
#include <string>
#include <vector>

#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/ItemIcons.h"
#include "platform/Workers.h"

namespace {

struct IconBatch {
    std::vector<IconJob> jobs;
};

void RunIconBatch(void* context, const volatile LONG* cancelled)
{
    ExtractIconJobs(static_cast<IconBatch*>(context)->jobs, cancelled);
}

// The shell's placeholder image of an icon path, asked once per extension.
int PlaceholderFor(const std::wstring& iconPath)
{
    const WCHAR* dot = PathFindExtensionW(iconPath.c_str());
    std::wstring extension(dot);
    CharLowerBuffW(&extension[0], static_cast<DWORD>(extension.size()));
    auto known = livePanel->placeholders.find(extension);
    if (known != livePanel->placeholders.end())
        return known->second;
    int place = PlaceholderImageOf(iconPath.c_str());
    livePanel->placeholders[extension] = place;
    return place;
}

// A fresh ticket for `slot`: earlier requests of the slot are no longer wanted.
uint32_t TakeTicket(int slot)
{
    if (static_cast<size_t>(slot) >= livePanel->imageTickets.size())
        livePanel->imageTickets.resize(slot + 1, 0);
    return livePanel->imageTickets[slot] = ++livePanel->lastTicket;
}

// Queues the jobs, one task per lane of their files, so that a file that never
// answers holds up only the files of its own volume or share. A refused task
// (the workers' bound) leaves its slots with their placeholders.
void SubmitIconJobs(std::vector<IconJob>& jobs, bool first)
{
    std::map<std::wstring, IconBatch*> lanes;
    for (IconJob& job : jobs) {
        WCHAR lane[kWorkerLaneKeySize];
        WorkerLaneFor(job.iconPath.c_str(), lane);
        IconBatch*& batch = lanes[lane];
        if (!batch)
            batch = new IconBatch();
        batch->jobs.push_back(std::move(job));
    }
    for (auto& lane : lanes) {
        WorkerTask task = {RunIconBatch, ReleaseIconBatch, lane.second, livePanel->panelWindow, WM_ICONS_READY,
                           livePanel->generation};
        if (!SubmitWorkerTask(lane.second->jobs.front().iconPath.c_str(), task, first))
            ReleaseIconBatch(lane.second);
    }
}

IconJob JobFor(int slot, const char* iconPath, int iconIndex)
{
    IconJob job;
    job.iconPath = WideFromModel(iconPath);
    job.iconIndex = iconIndex;
    job.slot = slot;
    job.ticket = TakeTicket(slot);
    return job;
}

// A new slot at the end of both lists, showing the placeholder of `iconPath`; -1
// when the lists take no more.
int NewSlot(const char* iconPath)
{
    ItemImageLists lists = livePanel->ImageLists();
    int slot = ImageList_GetImageCount(lists.large);
    if (!ImageList_SetImageCount(lists.large, slot + 1))
        return -1;
    if (!ImageList_SetImageCount(lists.small, slot + 1)) {
        ImageList_SetImageCount(lists.large, slot);
        return -1;
    }
    PutShellImage(lists, slot, PlaceholderFor(WideFromModel(iconPath)));
    return slot;
}

}  // namespace

void MakePageIcons(int page)
{
    if (page < 0 || page >= GetPageCount())
        return;
    std::vector<IconJob> jobs;
    for (LauncherItem& item : launcherData.pages[page].items) {
        if (item.imageIndex != kImageNotMade)
            continue;
        item.imageIndex = NewSlot(item.iconPath);
        if (item.imageIndex != -1)
            jobs.push_back(JobFor(item.imageIndex, item.iconPath, item.iconIndex));
    }
    if (!jobs.empty())
        SubmitIconJobs(jobs, page == GetCurrentPage());
}

bool AddFileItem(int page, const char* filePath, const char* name)
{
    if (!AddItemFromFile(page, filePath, name))
        return false;
    int item = GetItemCount(page) - 1;
    int slot = NewSlot(filePath);
    SetItemImageIndex(page, item, slot);
    if (slot != -1) {
        std::vector<IconJob> jobs{JobFor(slot, filePath, -1)};
        SubmitIconJobs(jobs, true);
    }
    return true;
}

void ReplaceItemIcon(int page, int item, const char* iconPath, int iconIndex)
{
    SetItemIcon(page, item, iconPath, iconIndex);
    int slot = GetItemImageIndex(page, item);
    if (slot < 0) {
        // No image yet, or none obtained before: a slot of its own now.
        slot = NewSlot(GetItemIconPath(page, item));
        SetItemImageIndex(page, item, slot);
        if (slot == -1)
            return;
    }
    std::vector<IconJob> jobs{JobFor(slot, GetItemIconPath(page, item), iconIndex)};
    SubmitIconJobs(jobs, true);
}

void OnIconsReady(DWORD generation, void* context)
{
    auto* batch = static_cast<IconBatch*>(context);
    if (!livePanel || generation != livePanel->generation) {
        ReleaseIconBatch(batch);
        return;
    }
    bool stored = false;
    for (IconJob& job : batch->jobs) {
        if (job.slot < 0 || static_cast<size_t>(job.slot) >= livePanel->imageTickets.size()
            || livePanel->imageTickets[job.slot] != job.ticket)
            continue;  // a newer request of the slot is on its way
        if (PutItemIcons(livePanel->ImageLists(), job.slot, job.large, job.small) != -1) {
            stored = true;
            continue;
        }
        // No icon at all: the items of the slot show none rather than the placeholder.
        for (int page = 0; page < GetPageCount(); ++page) {
            for (int item = 0; item < GetItemCount(page); ++item) {
                if (GetItemImageIndex(page, item) == job.slot) {
                    SetItemImageIndex(page, item, -1);
                    RefreshShownItem(page, item);
                }
            }
        }
    }
    ReleaseIconBatch(batch);
    if (stored) {
        // The images changed in place: the list keeps its items, places, selection
        // and scroll and only draws again, as does an open properties dialog.
        RedrawItemImages();
        if (livePanel->propertiesDialog)
            InvalidateRect(livePanel->propertiesDialog, nullptr, FALSE);
    }
}

void ReleaseIconBatch(void* context)
{
    auto* batch = static_cast<IconBatch*>(context);
    DestroyIconJobs(batch->jobs);
    delete batch;
}
