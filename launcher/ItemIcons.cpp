#include "ItemIcons.h"

#include <commctrl.h>
#include <shellapi.h>

#include "Panel.h"

void ExtractItemIcons(const char* iconPath, int iconIndex, HICON* largeIcon, HICON* smallIcon)
{
    if (iconIndex == -1) {
        // The shell's icon of the file itself (no SHGFI_USEFILEATTRIBUTES: the
        // file is examined, so a missing file yields no icon).
        if (largeIcon) {
            SHFILEINFOA info = {};
            SHGetFileInfoA(iconPath, FILE_ATTRIBUTE_ARCHIVE, &info, sizeof info, SHGFI_ICON);
            *largeIcon = info.hIcon;
        }
        if (smallIcon) {
            SHFILEINFOA info = {};
            SHGetFileInfoA(iconPath, FILE_ATTRIBUTE_ARCHIVE, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
            *smallIcon = info.hIcon;
        }
        return;
    }
    if (largeIcon) {
        *largeIcon = nullptr;
        ExtractIconExA(iconPath, iconIndex, largeIcon, nullptr, 1);
    }
    if (smallIcon) {
        *smallIcon = nullptr;
        ExtractIconExA(iconPath, iconIndex, nullptr, smallIcon, 1);
    }
}

int StoreItemIcon(int imageIndex, int iconIndex, const char* iconPath)
{
    // An index outside the lists stores nothing. Wine's ImageList_ReplaceIcon checks
    // the index against the lists' capacity, not their count, and would "replace"
    // an image that does not exist.
    if (imageIndex != -1 && (imageIndex < 0 || imageIndex >= ImageList_GetImageCount(panelState.largeImageList)))
        return -1;

    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
    ExtractItemIcons(iconPath, iconIndex, &largeIcon, &smallIcon);

    // Both lists must hold the same images at the same indexes, so whatever one
    // list refuses, the other is not given either; a missing icon of one size is
    // taken from the other.
    HICON large = largeIcon ? largeIcon : smallIcon;
    HICON small = smallIcon ? smallIcon : largeIcon;
    int result = -1;
    if (large) {
        result = ImageList_ReplaceIcon(panelState.largeImageList, imageIndex, large);
        if (result != -1 && ImageList_ReplaceIcon(panelState.smallImageList, imageIndex, small) == -1
            && imageIndex == -1) {
            // The small list refused the append: drop the large image again so
            // neither list is ahead of the other.
            ImageList_Remove(panelState.largeImageList, result);
            result = -1;
        }
    }

    if (largeIcon)
        DestroyIcon(largeIcon);
    if (smallIcon)
        DestroyIcon(smallIcon);
    return result;
}
