#include "data/LauncherData.h"

#include <shlwapi.h>


LauncherData launcherData;

namespace {

ChangeHook changeHook = nullptr;

void NoteChange()
{
    if (changeHook)
        changeHook();
}

}  // namespace

void SetChangeHook(ChangeHook hook)
{
    changeHook = hook;
}

void ResetLauncherData()
{
    launcherData.iniPath.clear();
    launcherData.currentPage = 0;
    launcherData.pages.clear();
    launcherData.settings = PanelSettings{};
}

void CopyText(std::wstring* destination, std::wstring_view text)
{
    size_t length = text.size();
    if (length > kMaxTextUnits) {
        length = kMaxTextUnits;
        if (IS_HIGH_SURROGATE(text[length - 1]))
            --length;
    }
    destination->assign(text.data(), length);
}

void CopyText(std::wstring* destination, const wchar_t* text)
{
    CopyText(destination, text ? std::wstring_view(text) : std::wstring_view());
}

void DropSplitCharacter(std::wstring* text)
{
    if (!text->empty() && IS_HIGH_SURROGATE(text->back()))
        text->pop_back();
}

static LauncherItem& ItemAt(int page, int item)
{
    return launcherData.pages[page].items[item];
}

int GetPageCount()
{
    return static_cast<int>(launcherData.pages.size());
}

int GetCurrentPage()
{
    return launcherData.currentPage;
}

void SetCurrentPage(int page)
{
    if (page != launcherData.currentPage)
        NoteChange();
    launcherData.currentPage = page;
}

const wchar_t* GetPageName(int page)
{
    return launcherData.pages[page].name.c_str();
}

void SetPageName(int page, const wchar_t* text)
{
    CopyText(&launcherData.pages[page].name, text);
    NoteChange();
}

void AddPage()
{
    launcherData.pages.emplace_back();
    LauncherPage& page = launcherData.pages.back();
    page.name = DefaultPageName(GetPageCount());
    NoteChange();
}

void RemovePage(int page)
{
    launcherData.pages.erase(launcherData.pages.begin() + page);
    NoteChange();
}

void InsertPage(int index, const LauncherPage& record)
{
    launcherData.pages.insert(launcherData.pages.begin() + index, record);
    NoteChange();
}

int GetItemCount(int page)
{
    return static_cast<int>(launcherData.pages[page].items.size());
}

const LauncherItem& GetItem(int page, int item)
{
    return ItemAt(page, item);
}

LauncherItem* CopyItem(LauncherItem* destination, int page, int item)
{
    *destination = ItemAt(page, item);
    return destination;
}

void AddItem(int page, const LauncherItem& record)
{
    launcherData.pages[page].items.push_back(record);
    NoteChange();
}

int GetItemCountInAll()
{
    size_t count = 0;
    for (const LauncherPage& page : launcherData.pages)
        count += page.items.size();
    return static_cast<int>(count);
}

std::wstring FileTitleOf(const std::wstring& path)
{
    // Up to its last dot: PathRemoveExtension would stop at 260 units.
    std::wstring title(PathFindFileNameW(path.c_str()));
    size_t dot = title.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        title.resize(dot);
    return title;
}

bool AddItemFromFile(int page, const wchar_t* filePath, const wchar_t* name, const std::string& shortPath)
{
    if (GetItemCountInAll() >= kItemLimit)
        return false;
    LauncherItem item = {};
    item.imageIndex = -1;  // no image: the panel stores the file's icon and sets it
    item.iconIndex = -1;
    item.posX = -1;
    item.posY = -1;
    CopyText(&item.path, filePath);
    item.iconPath = item.path;
    item.shortPath = shortPath;
    item.shortIconPath = shortPath;

    // Working folder: the path up to where its last component begins, backslash
    // kept; the short path's the same way.
    size_t title = PathFindFileNameW(item.path.c_str()) - item.path.c_str();
    item.workDir = item.path.substr(0, title);
    if (!shortPath.empty())
        item.shortWorkDir = shortPath.substr(0, PathFindFileNameA(shortPath.c_str()) - shortPath.c_str());

    if (name)
        CopyText(&item.name, name);
    else
        item.name = FileTitleOf(item.path);

    AddItem(page, item);
    return true;
}

void RemoveItem(int page, int item)
{
    if (item == -1)
        return;
    std::vector<LauncherItem>& items = launcherData.pages[page].items;
    items.erase(items.begin() + item);
    NoteChange();
}

void InsertItem(int page, int index, const LauncherItem& record)
{
    std::vector<LauncherItem>& items = launcherData.pages[page].items;
    items.insert(items.begin() + index, record);
    NoteChange();
}

void SwapItems(int page, int itemA, int itemB)
{
    if (itemA == itemB)
        return;
    LauncherItem saved = ItemAt(page, itemA);
    ItemAt(page, itemA) = ItemAt(page, itemB);
    ItemAt(page, itemB) = saved;
    NoteChange();
}

const wchar_t* GetItemName(int page, int item)
{
    return ItemAt(page, item).name.c_str();
}

void SetItemName(int page, int item, const wchar_t* text)
{
    if (item == -1)
        return;
    CopyText(&ItemAt(page, item).name, text);
    NoteChange();
}

// A short form belongs to the path it was found for: an unchanged path keeps it.
static void SetPathText(std::wstring* path, std::string* shortForm, const wchar_t* text, const std::string& given)
{
    std::wstring changed;
    CopyText(&changed, text);
    if (changed != *path || !given.empty())
        *shortForm = given;
    path->swap(changed);
}

void SetItemPath(int page, int item, const wchar_t* text, const std::string& shortPath)
{
    LauncherItem& record = ItemAt(page, item);
    SetPathText(&record.path, &record.shortPath, text, shortPath);
    NoteChange();
}

void SetItemParameter(int page, int item, const wchar_t* text)
{
    CopyText(&ItemAt(page, item).parameter, text);
    NoteChange();
}

void SetItemWorkDir(int page, int item, const wchar_t* text, const std::string& shortWorkDir)
{
    LauncherItem& record = ItemAt(page, item);
    SetPathText(&record.workDir, &record.shortWorkDir, text, shortWorkDir);
    NoteChange();
}

const wchar_t* GetItemIconPath(int page, int item)
{
    return ItemAt(page, item).iconPath.c_str();
}

int GetItemIconIndex(int page, int item)
{
    return ItemAt(page, item).iconIndex;
}

void SetItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex, const std::string& shortIconPath)
{
    // The caller's text may be the item's own iconPath.
    LauncherItem& record = ItemAt(page, item);
    SetPathText(&record.iconPath, &record.shortIconPath, iconPath, shortIconPath);
    record.iconIndex = iconIndex;
    NoteChange();
}

int GetItemImageIndex(int page, int item)
{
    return ItemAt(page, item).imageIndex;
}

void SetItemImageIndex(int page, int item, int imageIndex)
{
    ItemAt(page, item).imageIndex = imageIndex;  // not in the file: no change to save
}

POINT GetItemPosition(int page, int item)
{
    const LauncherItem& record = ItemAt(page, item);
    return POINT{record.posX, record.posY};
}

void SetItemPosition(int page, int item, POINT position)
{
    LauncherItem& record = ItemAt(page, item);
    // Stored at every page switch for every icon: only a place that moved is a change.
    if (record.posX == position.x && record.posY == position.y)
        return;
    record.posX = position.x;
    record.posY = position.y;
    NoteChange();
}
