#include "data/LauncherData.h"

#include <shlwapi.h>

#include <cstring>

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
    launcherData.iniPath[0] = '\0';
    launcherData.currentPage = 0;
    launcherData.pages.clear();
    launcherData.settings = PanelSettings{};
}

void CopyText(char* destination, const char* text)
{
    // Callers keep their texts within 519 characters; cutting here keeps a
    // longer one from ever running past the buffer, and never between the two
    // bytes of a character: a lone lead byte at the end would swallow the closing
    // quote when the text is saved. The source may be the destination itself.
    if (!text)
        text = "";
    size_t length = 0;
    while (text[length]) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[length])) && text[length + 1] ? 2 : 1;
        if (length + step > kTextSize - 1)
            break;
        length += step;
    }
    memmove(destination, text, length);
    destination[length] = '\0';
}

void DropSplitCharacter(char* text)
{
    for (char* p = text; *p; ++p) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(*p)))
            continue;
        if (!p[1]) {
            *p = '\0';
            return;
        }
        ++p;
    }
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

const char* GetPageName(int page, char* buffer)
{
    const char* name = launcherData.pages[page].name;
    if (buffer)
        CopyText(buffer, name);
    return name;
}

void SetPageName(int page, const char* text)
{
    CopyText(launcherData.pages[page].name, text);
    NoteChange();
}

void AddPage()
{
    launcherData.pages.emplace_back();
    LauncherPage& page = launcherData.pages.back();
    FormatDefaultPageName(page.name, GetPageCount());
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

bool AddItemFromFile(int page, const char* filePath, const char* name)
{
    if (GetItemCountInAll() >= kItemLimit)
        return false;
    LauncherItem item = {};
    item.imageIndex = -1;  // no image: the panel stores the file's icon and sets it
    item.iconIndex = -1;
    item.posX = -1;
    item.posY = -1;
    CopyText(item.path, filePath);
    CopyText(item.iconPath, filePath);

    // Working folder: the path up to where its last component begins, backslash kept.
    CopyText(item.workDir, filePath);
    *PathFindFileNameA(item.workDir) = '\0';

    if (name) {
        CopyText(item.name, name);
    } else {
        CopyText(item.name, filePath);
        PathStripPathA(item.name);
        PathRemoveExtensionA(item.name);
    }

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

const char* GetItemName(int page, int item, char* buffer)
{
    const char* name = ItemAt(page, item).name;
    if (buffer)
        CopyText(buffer, name);
    return name;
}

void SetItemName(int page, int item, const char* text)
{
    if (item == -1)
        return;
    CopyText(ItemAt(page, item).name, text);
    NoteChange();
}

void SetItemPath(int page, int item, const char* text)
{
    CopyText(ItemAt(page, item).path, text);
    NoteChange();
}

void SetItemParameter(int page, int item, const char* text)
{
    CopyText(ItemAt(page, item).parameter, text);
    NoteChange();
}

void SetItemWorkDir(int page, int item, const char* text)
{
    CopyText(ItemAt(page, item).workDir, text);
    NoteChange();
}

const char* GetItemIconPath(int page, int item, char* buffer)
{
    const char* iconPath = ItemAt(page, item).iconPath;
    if (buffer)
        CopyText(buffer, iconPath);
    return iconPath;
}

int GetItemIconIndex(int page, int item)
{
    return ItemAt(page, item).iconIndex;
}

void SetItemIcon(int page, int item, const char* iconPath, int iconIndex)
{
    // The caller's text may be the item's own iconPath.
    LauncherItem& record = ItemAt(page, item);
    if (iconPath != record.iconPath)
        CopyText(record.iconPath, iconPath);
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
