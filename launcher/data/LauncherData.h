// Pages and items: the launcher's one data state and every operation on it.
//
// Texts are UTF-16, at most kMaxTextUnits units each (CopyText bounds them).
// Indexes are zero-based; only RemoveItem and SetItemName accept -1
// (the list view's "no selection") and then do nothing. Every other index is the
// caller's duty to keep in range.
//
// Every operation that changes what the settings file holds calls the change hook
// (the panel schedules its save there); a page switch does too, since it stores
// the places of the page left. Image indexes are the panel's: set here, never made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/LauncherRecords.h"  // kTextSize, LauncherItem, LauncherPage, PanelSettings

struct LauncherData {
    std::wstring iniPath;
    int32_t currentPage;
    std::vector<LauncherPage> pages;
    PanelSettings settings;
};

// The module-wide data state; all zero until the settings are loaded.
extern LauncherData launcherData;

// Called after every change of what the settings file holds; none when null.
typedef void (*ChangeHook)();
void SetChangeHook(ChangeHook hook);

// Empties the data state again: no pages, no settings path, every setting 0.
void ResetLauncherData();

// The text cut to kMaxTextUnits units, never between the two halves of a
// surrogate pair; a null text is empty.
void CopyText(std::wstring* destination, std::wstring_view text);
void CopyText(std::wstring* destination, const wchar_t* text);
// A text cut by a control or a buffer may end in the first half of a surrogate
// pair; alone it names no character, so it goes.
void DropSplitCharacter(std::wstring* text);

int GetPageCount();
int GetCurrentPage();
void SetCurrentPage(int page);
const wchar_t* GetPageName(int page);
void SetPageName(int page, const wchar_t* text);
void AddPage();
void RemovePage(int page);
void InsertPage(int index, const LauncherPage& record);  // index 0..GetPageCount()

int GetItemCount(int page);
const LauncherItem& GetItem(int page, int item);
LauncherItem* CopyItem(LauncherItem* destination, int page, int item);
void AddItem(int page, const LauncherItem& record);
// Items in all pages at most: each can take some 6 KB of the settings text, and the
// file is refused beyond 64 MB at its load.
constexpr int kItemLimit = 10000;
int GetItemCountInAll();
// The file's name without its extension, as an item added from it is named.
std::wstring FileTitleOf(const std::wstring& path);
// The new item has no image (-1): the panel stores the file's icon and sets its
// index. False, with nothing added, when the pages already hold kItemLimit items.
// shortPath: the file's short form where CP932 cannot hold the path (the file's
// keys hold it for older readers); empty when it has none.
bool AddItemFromFile(int page, const wchar_t* filePath, const wchar_t* name = nullptr,
                     const std::string& shortPath = {});
void RemoveItem(int page, int item);
void InsertItem(int page, int index, const LauncherItem& record);  // index 0..GetItemCount(page)
void SwapItems(int page, int itemA, int itemB);
const wchar_t* GetItemName(int page, int item);
void SetItemName(int page, int item, const wchar_t* text);
// A path's short form (see LauncherItem) is dropped with the path it belonged to,
// unless the caller gives the new one.
void SetItemPath(int page, int item, const wchar_t* text, const std::string& shortPath = {});
void SetItemParameter(int page, int item, const wchar_t* text);
void SetItemWorkDir(int page, int item, const wchar_t* text, const std::string& shortWorkDir = {});
const wchar_t* GetItemIconPath(int page, int item);
int GetItemIconIndex(int page, int item);
void SetItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex,
                 const std::string& shortIconPath = {});  // the image stays as it is
int GetItemImageIndex(int page, int item);  // kImageNotMade until the panel makes its image
void SetItemImageIndex(int page, int item, int imageIndex);
POINT GetItemPosition(int page, int item);
void SetItemPosition(int page, int item, POINT position);
