#include "panel/ShortPathRepair.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/PathForms.h"
#include "platform/Workers.h"

namespace {

// The texts of one lane asked about, and what the worker found for each: its long
// form and that form's short form for the settings file's key, or nothing when the
// text is already long (or names no file).
struct PathRepair {
    std::vector<std::wstring> asked;
    std::vector<std::wstring> longForms;
    std::vector<std::string> shortForms;
};

struct Repaired {
    std::wstring longForm;
    std::string shortForm;
};

void RunPathRepair(void* context, const volatile LONG* cancelled)
{
    auto* repair = static_cast<PathRepair*>(context);
    repair->longForms.resize(repair->asked.size());
    repair->shortForms.resize(repair->asked.size());
    for (size_t i = 0; i < repair->asked.size() && !*cancelled; ++i) {
        std::wstring longForm = LongPathOf(repair->asked[i]);
        if (longForm == repair->asked[i])
            continue;
        repair->shortForms[i] = ShortPathOf(longForm);
        repair->longForms[i].swap(longForm);
    }
}

// Every text the loaded items hold that may hold short names, once, by lane.
std::map<std::wstring, std::set<std::wstring>> TextsToAsk()
{
    std::map<std::wstring, std::set<std::wstring>> lanes;
    for (const LauncherPage& page : launcherData.pages) {
        for (const LauncherItem& item : page.items) {
            for (const std::wstring* text : {&item.path, &item.workDir, &item.iconPath}) {
                if (!MayHoldShortNames(*text))
                    continue;
                WCHAR lane[kWorkerLaneKeySize];
                WorkerLaneFor(text->c_str(), lane);
                lanes[lane].insert(*text);
            }
        }
    }
    return lanes;
}

}  // namespace

void RepairShortPaths()
{
    for (auto& lane : TextsToAsk()) {
        auto* repair = new PathRepair();
        repair->asked.assign(lane.second.begin(), lane.second.end());
        WorkerTask task = {RunPathRepair, ReleasePathRepair, repair, livePanel->panelWindow, WM_PATHS_REPAIRED,
                           livePanel->generation};
        // Refused (the workers' bound): the texts stay as they were loaded, which
        // still name their files.
        if (!SubmitWorkerTask(repair->asked.front().c_str(), task))
            ReleasePathRepair(repair);
    }
}

void OnPathsRepaired(DWORD generation, void* result)
{
    auto* repair = static_cast<PathRepair*>(result);
    std::map<std::wstring, Repaired> found;
    for (size_t i = 0; i < repair->asked.size() && i < repair->longForms.size(); ++i) {
        if (!repair->longForms[i].empty())
            found[repair->asked[i]] = Repaired{repair->longForms[i], repair->shortForms[i]};
    }
    ReleasePathRepair(repair);
    if (!PanelStillLives(generation) || found.empty())
        return;

    for (int page = 0; page < GetPageCount(); ++page) {
        for (int item = 0; item < GetItemCount(page); ++item) {
            const LauncherItem& record = GetItem(page, item);
            auto path = found.find(record.path);
            if (path != found.end()) {
                // A name the older version made from the short path takes the long title.
                if (record.name == TitleOfPath(record.path)) {
                    SetItemName(page, item, TitleOfPath(path->second.longForm).c_str());
                    RefreshShownItem(page, item);
                }
                SetItemPath(page, item, path->second.longForm.c_str(), path->second.shortForm);
            }
            auto workDir = found.find(record.workDir);
            if (workDir != found.end())
                SetItemWorkDir(page, item, workDir->second.longForm.c_str(), workDir->second.shortForm);
            auto iconPath = found.find(record.iconPath);
            if (iconPath != found.end())
                SetItemIcon(page, item, iconPath->second.longForm.c_str(), record.iconIndex, iconPath->second.shortForm);
        }
    }
}

void ReleasePathRepair(void* result)
{
    delete static_cast<PathRepair*>(result);
}
