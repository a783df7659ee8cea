// The images of the items, made into the panel's image lists.
#include "panel/ItemImages.h"

#include <shlwapi.h>

#include <map>
#include <string>
#include <vector>

#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "platform/ItemIcons.h"
#include "platform/Workers.h"

namespace {

struct IconBatch {
    std::vector<IconJob> jobs;
    IconJobStrips* strips = nullptr;
};

void RunIconBatch(void* context, const volatile LONG* cancelled)
{
    auto* batch = static_cast<IconBatch*>(context);
    ExtractIconJobs(batch->jobs, cancelled, &batch->strips);
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

IconJob JobFor(int slot, const wchar_t* iconPath, int iconIndex)
{
    IconJob job;
    job.iconPath = iconPath;
    job.iconIndex = iconIndex;
    job.slot = slot;
    job.ticket = TakeTicket(slot);
    return job;
}

// A new slot at the end of both lists, showing the placeholder of `iconPath`; -1
// when the lists take no more.
int NewSlot(const wchar_t* iconPath)
{
    ItemImageLists lists = livePanel->ImageLists();
    int slot = ImageList_GetImageCount(lists.large);
    if (!ImageList_SetImageCount(lists.large, slot + 1))
        return -1;
    if (!ImageList_SetImageCount(lists.small, slot + 1)) {
        ImageList_SetImageCount(lists.large, slot);
        return -1;
    }
    PutShellImage(lists, slot, PlaceholderFor(iconPath));
    return slot;
}

// The short forms a job found go to the item of its slot, for each of its paths
// still equal to the path they were found for; also when a newer request of the
// slot overtook the icon.
void TakeShortForms(const IconJob& job)
{
    for (int page = 0; page < GetPageCount(); ++page) {
        for (int item = 0; item < GetItemCount(page); ++item) {
            if (GetItemImageIndex(page, item) != job.slot)
                continue;
            const LauncherItem& record = GetItem(page, item);
            for (size_t i = 0; i < job.shortForms.size() && i < job.longForms.size(); ++i) {
                const std::wstring& path = job.longForms[i];
                const std::string& shortForm = job.shortForms[i];
                if (shortForm.empty())
                    continue;  // none needed, and the changed path was given none
                if (record.path == path)
                    SetItemPath(page, item, path.c_str(), shortForm);
                if (record.workDir == path)
                    SetItemWorkDir(page, item, path.c_str(), shortForm);
                if (record.iconPath == path)
                    SetItemIcon(page, item, path.c_str(), record.iconIndex, shortForm);
            }
        }
    }
}

}  // namespace

void MakePageIcons(int page)
{
    if (page < 0 || page >= GetPageCount())
        return;
    // The page's new slots with their placeholders, in one step per list where the
    // lists take them so; else one by one.
    std::vector<LauncherItem*> waiting;
    std::vector<int> places;
    for (LauncherItem& item : launcherData.pages[page].items) {
        if (item.imageIndex == kImageNotMade) {
            waiting.push_back(&item);
            places.push_back(PlaceholderFor(item.iconPath));
        }
    }
    int first = AppendShellImages(livePanel->ImageLists(), places.data(), static_cast<int>(places.size()));
    std::vector<IconJob> jobs;
    for (size_t k = 0; k < waiting.size(); ++k) {
        LauncherItem& item = *waiting[k];
        item.imageIndex = first != -1 ? first + static_cast<int>(k) : NewSlot(item.iconPath.c_str());
        if (item.imageIndex != -1)
            jobs.push_back(JobFor(item.imageIndex, item.iconPath.c_str(), item.iconIndex));
    }
    if (!jobs.empty())
        SubmitIconJobs(jobs, page == GetCurrentPage());
}

bool AddFileItem(int page, const wchar_t* filePath, const wchar_t* name, const std::string& shortPath)
{
    if (!AddItemFromFile(page, filePath, name, shortPath))
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

void ReplaceItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex, const std::string& shortIconPath,
                     std::vector<std::wstring> findShortForms)
{
    SetItemIcon(page, item, iconPath, iconIndex, shortIconPath);
    int slot = GetItemImageIndex(page, item);
    if (slot < 0) {
        // No image yet, or none obtained before: a slot of its own now.
        slot = NewSlot(GetItemIconPath(page, item));
        SetItemImageIndex(page, item, slot);
        if (slot == -1)
            return;
    }
    std::vector<IconJob> jobs{JobFor(slot, GetItemIconPath(page, item), iconIndex)};
    jobs[0].longForms.swap(findShortForms);
    SubmitIconJobs(jobs, true);
}

bool PutReadyIcons(void* context, std::vector<int>* emptied)
{
    auto* batch = static_cast<IconBatch*>(context);
    bool stored = false;
    std::vector<bool> wanted;
    for (IconJob& job : batch->jobs) {
        if (!job.shortForms.empty())
            TakeShortForms(job);
        // Not wanted when a newer request of the slot is on its way.
        wanted.push_back(job.slot >= 0 && static_cast<size_t>(job.slot) < livePanel->imageTickets.size()
                         && livePanel->imageTickets[job.slot] == job.ticket);
    }
    std::vector<bool> put;
    PutIconJobs(livePanel->ImageLists(), batch->jobs, batch->strips, wanted, &put);
    for (size_t k = 0; k < put.size(); ++k) {
        if (put[k])
            stored = true;
        else if (wanted[k])
            emptied->push_back(batch->jobs[k].slot);
    }
    ReleaseIconBatch(batch);
    return stored;
}

void ReleaseIconBatch(void* context)
{
    auto* batch = static_cast<IconBatch*>(context);
    DestroyIconJobs(batch->jobs);
    DestroyIconJobStrips(batch->strips);
    delete batch;
}
