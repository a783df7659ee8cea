// An item's icon source (icon path and icon index) turned into icons, or into
// images of two image lists the caller hands over (32x32 and 16x16), always at the
// same index in both.
#pragma once

#include <windows.h>
#include <commctrl.h>

struct ItemImageLists {
    HIMAGELIST large;
    HIMAGELIST small;
};

struct IconSource {
    const wchar_t* iconPath;
    int iconIndex;
};

// Writes each requested handle; 0 when no icon was obtained. Icon index -1 asks the
// shell for the file's own icon, any other index takes that icon from the file.
// Under WOW64 an icon path under System32 that the 32-bit view lacks is read
// through Sysnative (NativePaths.h).
void ExtractItemIcons(const wchar_t* iconPath, int iconIndex, HICON* largeIcon, HICON* smallIcon);

// Puts the icon at imageIndex in both image lists (-1 appends it). Returns the index
// the large list now holds it at, or -1 when no image could be stored.
int StoreItemIcon(const ItemImageLists& lists, int imageIndex, int iconIndex, const wchar_t* iconPath);

// Appends the icons of `count` sources to both image lists in source order, each
// list given all of them in one step, with the same pixels StoreItemIcon would
// store. A file named by several sources is opened once, and a 32-bit image of a
// list's size is copied from its resources without an icon handle.
// imageIndexes[i] receives source i's index, or -1 when it gave no icon.
void AppendItemIcons(const ItemImageLists& lists, const IconSource* sources, int count, int* imageIndexes);
