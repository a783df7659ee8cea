// The 10,000 items that SaveCrashTest and its child program save: the same
// records in both processes, in an old and a new version whose files differ from
// the first page on.
#pragma once

#include <cwchar>

#include "data/LauncherData.h"

namespace savecrash {

constexpr int kPages = 10;
constexpr int kItemsPerPage = 1000;

// version 0 is the old file, 1 the new one (another page count and other texts).
inline void FillData(int version)
{
    ResetLauncherData();
    launcherData.settings = PanelSettings{1, 1, version ? 10011 : 10009, 1, 0};
    int pages = kPages + version;
    int items = kPages * kItemsPerPage / pages;
    for (int p = 0; p < pages; ++p) {
        AddPage();
        wchar_t text[64];
        swprintf(text, 64, L"ツール %d (v%d)", p + 1, version + 1);
        SetPageName(p, text);
        for (int i = 0; i < items; ++i) {
            LauncherItem item = {};
            item.imageIndex = -1;
            swprintf(text, 64, L"項目 %d-%04d 版%d", p + 1, i, version + 1);
            item.name = text;
            swprintf(text, 64, L"C:\\Program Files\\Vendor %02d\\bin\\program-%04d.exe", p, i);
            item.path = text;
            swprintf(text, 64, L"/profile \"%d\" --v%d", i, version + 1);
            item.parameter = text;
            swprintf(text, 64, L"C:\\Program Files\\Vendor %02d\\", p);
            item.workDir = text;
            swprintf(text, 64, L"C:\\Program Files\\Vendor %02d\\icons.dll", p);
            item.iconPath = text;
            item.iconIndex = i % 7;
            item.posX = version ? -1 : 16 + (i % 12) * 75;
            item.posY = version ? -1 : 8 + (i / 12) * 70;
            AddItem(p, item);
        }
    }
    if (version) {
        // Pages of another size: the remaining items go to the last page.
        int left = kPages * kItemsPerPage - items * pages;
        for (int i = 0; i < left; ++i) {
            LauncherItem item = GetItem(0, i);
            AddItem(pages - 1, item);
        }
    }
}

inline int CountItems()
{
    int count = 0;
    for (int p = 0; p < GetPageCount(); ++p)
        count += GetItemCount(p);
    return count;
}

}  // namespace savecrash
