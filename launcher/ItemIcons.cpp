#include "ItemIcons.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Panel.h"

namespace {

// Puts one icon pair at imageIndex in both lists (-1 appends). Both lists must hold
// the same images at the same indexes, so whatever one list refuses, the other is
// not given either; a missing icon of one size is taken from the other.
int PutIcons(int imageIndex, HICON largeIcon, HICON smallIcon)
{
    HICON large = largeIcon ? largeIcon : smallIcon;
    HICON small = smallIcon ? smallIcon : largeIcon;
    if (!large)
        return -1;
    int result = ImageList_ReplaceIcon(panelState.largeImageList, imageIndex, large);
    if (result != -1 && ImageList_ReplaceIcon(panelState.smallImageList, imageIndex, small) == -1
        && imageIndex == -1) {
        // The small list refused the append: drop the large image again so
        // neither list is ahead of the other.
        ImageList_Remove(panelState.largeImageList, result);
        result = -1;
    }
    return result;
}

// Icons side by side, as one image list stores them: for each, the 32-bit colour
// image and the monochrome mask of the icon fitted to the list's size, which is
// what ImageList_ReplaceIcon reads from an icon. One ImageList_Add of the strip
// then stores the same pixels as one ImageList_ReplaceIcon per icon, without
// growing the list (and copying all its images) once per icon.
class IconStrip {
public:
    IconStrip(int size, int count)
        : size_(size), count_(count), maskStride_(size * count / 8), mask_(maskStride_ * size)
    {
        // The panel's sizes, 32 and 16, put each icon on whole words of the mask;
        // a strip of another size is not made, and the icons go one by one.
        if (size <= 0 || size % 16 != 0)
            return;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size * count;
        info.bmiHeader.biHeight = -size;  // top-down, as the rows are filled
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        color_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
    }
    ~IconStrip()
    {
        if (dc_)
            DeleteDC(dc_);
        if (color_)
            DeleteObject(color_);
    }
    IconStrip(const IconStrip&) = delete;
    IconStrip& operator=(const IconStrip&) = delete;

    // Copies the icon into place n. False when the icon has no 32-bit colour image
    // of the list's size (a monochrome icon, say): the list draws such an icon
    // itself, so it is given it by ImageList_ReplaceIcon once the strip is in.
    bool Put(int n, HICON icon)
    {
        if (!pixels_ || !dc_)
            return false;
        if (CopyIconBits(n, icon))
            return true;
        // Another size: fitted first, as the list itself would fit it (the best size
        // the icon's resource has, else the icon stretched).
        HICON fitted = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size_, size_, LR_COPYFROMRESOURCE));
        if (!fitted)
            fitted = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size_, size_, 0));
        if (!fitted)
            return false;
        bool copied = CopyIconBits(n, fitted);
        DestroyIcon(fitted);
        return copied;
    }

    // Appends every place to the list; the index of the first, or -1.
    int AddTo(HIMAGELIST list)
    {
        if (!color_)
            return -1;
        GdiFlush();  // the DIB section's pixels were written directly
        HBITMAP mask = CreateBitmap(size_ * count_, size_, 1, 1, mask_.data());
        if (!mask)
            return -1;
        int first = ImageList_Add(list, color_, mask);
        DeleteObject(mask);
        return first;
    }

private:
    bool CopyIconBits(int n, HICON icon)
    {
        ICONINFO parts;
        if (!GetIconInfo(icon, &parts))
            return false;
        bool copied = CopyParts(n, parts);
        if (parts.hbmColor)
            DeleteObject(parts.hbmColor);
        DeleteObject(parts.hbmMask);
        return copied;
    }

    // False, copying nothing, unless the icon is a 32-bit image of the list's size.
    bool CopyParts(int n, const ICONINFO& parts)
    {
        BITMAP color;
        if (!parts.hbmColor || !GetObjectA(parts.hbmColor, sizeof color, &color) || color.bmBitsPixel != 32
            || color.bmWidth != size_ || color.bmHeight != size_)
            return false;

        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } info = {};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = size_;
        info.header.biHeight = -size_;
        info.header.biPlanes = 1;
        info.header.biBitCount = 32;
        info.header.biCompression = BI_RGB;
        std::vector<uint32_t> pixels(size_ * size_);
        const int maskRow = (size_ + 31) / 32 * 4;  // a DIB's rows are whole DWORDs
        std::vector<BYTE> maskBits(maskRow * size_);
        bool read = GetDIBits(dc_, parts.hbmColor, 0, size_, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                              DIB_RGB_COLORS) == size_;
        info.header.biBitCount = 1;
        read = read && GetDIBits(dc_, parts.hbmMask, 0, size_, maskBits.data(),
                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == size_;
        if (!read)
            return false;

        for (int y = 0; y < size_; ++y) {
            memcpy(pixels_ + static_cast<size_t>(y) * size_ * count_ + n * size_, &pixels[y * size_],
                   size_ * sizeof(uint32_t));
            memcpy(&mask_[y * maskStride_ + n * size_ / 8], &maskBits[y * maskRow], size_ / 8);
        }
        return true;
    }

    int size_;
    int count_;
    int maskStride_;  // bytes per mask row
    std::vector<BYTE> mask_;
    HBITMAP color_ = nullptr;
    HDC dc_ = nullptr;  // for reading the icons' bitmaps
    uint32_t* pixels_ = nullptr;
};

int IconSize(HIMAGELIST list)
{
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    return cx;
}

}  // namespace

void ExtractItemIcons(const char* iconPath, int iconIndex, HICON* largeIcon, HICON* smallIcon)
{
    if (iconIndex == -1) {
        // The shell's icon of the file itself (no SHGFI_USEFILEATTRIBUTES: the
        // file is examined, so a missing file yields no icon). The file is looked
        // at once for both sizes: they are the images at the place found in the
        // shell's two image lists, which is where SHGFI_ICON takes either from.
        // A failed call's answer is not read: Wine's SHGetFileInfoA then copies
        // fields of its own uninitialised structure, often another live icon's handle.
        SHFILEINFOA info = {};
        HIMAGELIST shellLarge = nullptr;
        HIMAGELIST shellSmall = nullptr;
        bool found = SHGetFileInfoA(iconPath, FILE_ATTRIBUTE_ARCHIVE, &info, sizeof info, SHGFI_SYSICONINDEX) != 0
                     && Shell_GetImageLists(&shellLarge, &shellSmall);
        if (largeIcon)
            *largeIcon = found ? ImageList_GetIcon(shellLarge, info.iIcon, ILD_NORMAL) : nullptr;
        if (smallIcon)
            *smallIcon = found ? ImageList_GetIcon(shellSmall, info.iIcon, ILD_NORMAL) : nullptr;
        return;
    }
    // One call per size. Asked for both at once, Wine 8 gives a different 16x16
    // image (not the one the file has for that size) and, when the file has no such
    // icon, leaves both handles uninitialised.
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
    int result = PutIcons(imageIndex, largeIcon, smallIcon);
    if (largeIcon)
        DestroyIcon(largeIcon);
    if (smallIcon)
        DestroyIcon(smallIcon);
    return result;
}

void AppendItemIcons(const IconSource* sources, int count, int* imageIndexes)
{
    struct Obtained {
        int source;
        HICON large;  // as extracted; either may be 0, not both
        HICON small;
    };
    std::vector<Obtained> icons;
    for (int i = 0; i < count; ++i) {
        imageIndexes[i] = -1;
        HICON large = nullptr;
        HICON small = nullptr;
        ExtractItemIcons(sources[i].iconPath, sources[i].iconIndex, &large, &small);
        if (large || small)
            icons.push_back(Obtained{i, large, small});
    }
    if (icons.empty())
        return;

    HIMAGELIST largeList = panelState.largeImageList;
    HIMAGELIST smallList = panelState.smallImageList;
    int n = static_cast<int>(icons.size());
    IconStrip largeStrip(IconSize(largeList), n);
    IconStrip smallStrip(IconSize(smallList), n);
    std::vector<bool> largeDrawn(n);
    std::vector<bool> smallDrawn(n);
    for (int k = 0; k < n; ++k) {
        const Obtained& icon = icons[k];
        largeDrawn[k] = largeStrip.Put(k, icon.large ? icon.large : icon.small);
        smallDrawn[k] = smallStrip.Put(k, icon.small ? icon.small : icon.large);
    }

    int largeBefore = ImageList_GetImageCount(largeList);
    int smallBefore = ImageList_GetImageCount(smallList);
    int first = largeStrip.AddTo(largeList);
    int smallFirst = first == -1 ? -1 : smallStrip.AddTo(smallList);
    if (first != -1 && smallFirst == first) {
        for (int k = 0; k < n; ++k) {
            const Obtained& icon = icons[k];
            if (!largeDrawn[k])
                ImageList_ReplaceIcon(largeList, first + k, icon.large ? icon.large : icon.small);
            if (!smallDrawn[k])
                ImageList_ReplaceIcon(smallList, first + k, icon.small ? icon.small : icon.large);
            imageIndexes[icon.source] = first + k;
        }
    } else {
        // A list refused the strip (no memory for it): take back what the other
        // took, then give the icons one by one, the lists kept in step.
        if (ImageList_GetImageCount(largeList) != largeBefore)
            ImageList_SetImageCount(largeList, largeBefore);
        if (ImageList_GetImageCount(smallList) != smallBefore)
            ImageList_SetImageCount(smallList, smallBefore);
        for (const Obtained& icon : icons)
            imageIndexes[icon.source] = PutIcons(-1, icon.large, icon.small);
    }

    for (const Obtained& icon : icons) {
        if (icon.large)
            DestroyIcon(icon.large);
        if (icon.small)
            DestroyIcon(icon.small);
    }
}
