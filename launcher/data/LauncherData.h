// Pages and items: the launcher's one data state and every operation on it.
//
// Texts are fixed 520-byte buffers of NUL-terminated ANSI text (at most 519
// characters). Indexes are zero-based; only RemoveItem and SetItemName accept -1
// (the list view's "no selection") and then do nothing. Every other index is the
// caller's duty to keep in range.
//
// Every operation that changes what the settings file holds calls the change hook
// (the panel schedules its save there); a page switch does too, since it stores
// the places of the page left. Image indexes are the panel's: set here, never made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "data/LauncherRecords.h"  // kTextSize, LauncherItem, LauncherPage, PanelSettings

struct LauncherData {
    char iniPath[kTextSize];
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

// Copies at most 519 bytes of text into a 520-byte buffer, always terminated and
// never cut inside a double-byte character.
void CopyText(char* destination, const char* text);
// A text cut by a control or a buffer may end in the lead byte of a double-byte
// character; alone, it would pair with whatever follows the text (in the settings
// file, the closing quote), so it goes.
void DropSplitCharacter(char* text);

int GetPageCount();
int GetCurrentPage();
void SetCurrentPage(int page);
const char* GetPageName(int page, char* buffer = nullptr);
void SetPageName(int page, const char* text);
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
// The new item has no image (-1): the panel stores the file's icon and sets its
// index. False, with nothing added, when the pages already hold kItemLimit items.
bool AddItemFromFile(int page, const char* filePath, const char* name = nullptr);
void RemoveItem(int page, int item);
void InsertItem(int page, int index, const LauncherItem& record);  // index 0..GetItemCount(page)
void SwapItems(int page, int itemA, int itemB);
const char* GetItemName(int page, int item, char* buffer = nullptr);
void SetItemName(int page, int item, const char* text);
void SetItemPath(int page, int item, const char* text);
void SetItemParameter(int page, int item, const char* text);
void SetItemWorkDir(int page, int item, const char* text);
const char* GetItemIconPath(int page, int item, char* buffer = nullptr);
int GetItemIconIndex(int page, int item);
void SetItemIcon(int page, int item, const char* iconPath, int iconIndex);  // the image stays as it is
int GetItemImageIndex(int page, int item);  // kImageNotMade until the panel makes its image
void SetItemImageIndex(int page, int item, int imageIndex);
POINT GetItemPosition(int page, int item);
void SetItemPosition(int page, int item, POINT position);
