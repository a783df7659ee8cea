// The images of the items, made into the panel's image lists.
#include "panel/ItemImages.h"

#include <vector>

#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "platform/ItemIcons.h"

void MakePageIcons(int page)
{
    if (page < 0 || page >= GetPageCount())
        return;
    std::vector<LauncherItem>& items = launcherData.pages[page].items;
    std::vector<IconSource> sources;
    std::vector<LauncherItem*> waiting;
    for (LauncherItem& item : items) {
        if (item.imageIndex == kImageNotMade) {
            sources.push_back(IconSource{item.iconPath.c_str(), item.iconIndex});
            waiting.push_back(&item);
        }
    }
    if (sources.empty())
        return;
    std::vector<int> imageIndexes(sources.size(), -1);
    AppendItemIcons(livePanel->ImageLists(), sources.data(), static_cast<int>(sources.size()), imageIndexes.data());
    for (size_t i = 0; i < waiting.size(); ++i)
        waiting[i]->imageIndex = imageIndexes[i];
}

bool AddFileItem(int page, const wchar_t* filePath, const wchar_t* name, const std::string& shortPath)
{
    int image = StoreItemIcon(livePanel->ImageLists(), -1, -1, filePath);
    if (!AddItemFromFile(page, filePath, name, shortPath))
        return false;
    SetItemImageIndex(page, GetItemCount(page) - 1, image);
    return true;
}

void ReplaceItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex, const std::string& shortIconPath)
{
    SetItemIcon(page, item, iconPath, iconIndex, shortIconPath);
    int imageIndex = GetItemImageIndex(page, item);
    if (imageIndex == kImageNotMade)
        imageIndex = -1;
    SetItemImageIndex(page, item,
                      StoreItemIcon(livePanel->ImageLists(), imageIndex, iconIndex, GetItemIconPath(page, item)));
}
