#include "platform/ItemIcons.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "data/LauncherRecords.h"
#include "platform/NativePaths.h"
#include "platform/PathForms.h"

namespace {

// Puts one icon pair at imageIndex in both lists (-1 appends). Both lists must hold
// the same images at the same indexes, so whatever one list refuses, the other is
// not given either; a missing icon of one size is taken from the other.
int PutIcons(const ItemImageLists& lists, int imageIndex, HICON largeIcon, HICON smallIcon)
{
    HICON large = largeIcon ? largeIcon : smallIcon;
    HICON small = smallIcon ? smallIcon : largeIcon;
    if (!large)
        return -1;
    int result = ImageList_ReplaceIcon(lists.large, imageIndex, large);
    if (result != -1 && ImageList_ReplaceIcon(lists.small, imageIndex, small) == -1
        && imageIndex == -1) {
        // The small list refused the append: drop the large image again so
        // neither list is ahead of the other.
        ImageList_Remove(lists.large, result);
        result = -1;
    }
    return result;
}

// A 32-bit image of `size` pixels square as an icon resource holds it: header,
// colour rows, then mask rows of whole DWORDs, both bottom-up. Anything else
// (fewer colours, another size, a PNG image) goes through an icon handle.
bool IsPlainImage(const BYTE* image, DWORD bytes, int size)
{
    BITMAPINFOHEADER header;
    if (!image || size <= 0 || bytes < sizeof header)
        return false;
    memcpy(&header, image, sizeof header);
    const size_t maskRow = (size + 31) / 32 * 4;
    return header.biSize >= sizeof header && header.biSize <= bytes && header.biWidth == size
           && header.biHeight == 2 * size && header.biPlanes == 1 && header.biBitCount == 32
           && header.biCompression == BI_RGB
           && bytes - header.biSize >= static_cast<size_t>(size) * size * 4 + maskRow * size;
}

// One size of one source's icon: an icon handle, or the image in a file's
// resources that ExtractIconEx would make that handle from.
struct Picture {
    HICON icon = nullptr;
    const BYTE* image = nullptr;  // a plain image (IsPlainImage) of `size`
    DWORD bytes = 0;
    int size = 0;

    bool present() const { return icon || image; }
    // The handle, made from the image as ExtractIconEx makes it.
    HICON Icon()
    {
        if (!icon && image)
            icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), bytes, TRUE, 0x00030000, size, size,
                                            LR_DEFAULTCOLOR);
        return icon;
    }
};

// The icon resources of the files a page names, each file opened once as data:
// ExtractIconEx opens the file again for every icon and every size, and a page
// often names one file many times. Images are chosen as ExtractIconEx chooses
// them (LookupIconIdFromDirectoryEx), but for the image lists' own sizes (32 and
// 16), not the system's icon sizes: in a DPI-aware host those are larger, and the
// file's sharp 32 and 16 pixel images would be passed over for shrunk big ones.
class IconResources {
public:
    IconResources() = default;
    ~IconResources()
    {
        for (auto& file : files_) {
            if (file.second.module)
                FreeLibrary(file.second.module);
        }
    }
    IconResources(const IconResources&) = delete;
    IconResources& operator=(const IconResources&) = delete;

    // False when `path` is no module (an .ico file, a missing file) or not a full
    // path with an extension, which the module loader would look for elsewhere or
    // give ".dll": ExtractIconEx is to be asked. Otherwise both sizes of icon
    // `iconIndex` (the n-th icon group, or resource id -n below 0). A module
    // without such a group or image is also left to ExtractIconEx, which knows
    // where else a system file keeps its icons (the .mun files of Windows 10).
    bool Find(const wchar_t* path, int iconIndex, int largeSize, int smallSize, Picture* large, Picture* small)
    {
        if (PathIsRelativeW(path) || !*PathFindExtensionW(path))
            return false;
        File& file = Open(path);
        if (!file.module)
            return false;
        Group wanted;
        if (iconIndex >= 0 && static_cast<size_t>(iconIndex) < file.groups.size())
            wanted = file.groups[iconIndex];
        else if (iconIndex < 0 && iconIndex > -0x10000)
            wanted.id = static_cast<WORD>(-iconIndex);
        HRSRC group = wanted.id || !wanted.name.empty()
                          ? FindResourceW(file.module, wanted.id ? MAKEINTRESOURCEW(wanted.id) : wanted.name.c_str(),
                                          MAKEINTRESOURCEW(14))
                          : nullptr;
        auto* directory = static_cast<BYTE*>(group ? LockResource(LoadResource(file.module, group)) : nullptr);
        if (!directory)
            return false;
        large->size = largeSize;
        small->size = smallSize;
        for (Picture* picture : {large, small}) {
            int id = LookupIconIdFromDirectoryEx(directory, TRUE, picture->size, picture->size, LR_DEFAULTCOLOR);
            HRSRC found = id ? FindResourceW(file.module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)) : nullptr;
            if (!found)
                continue;
            picture->image = static_cast<const BYTE*>(LockResource(LoadResource(file.module, found)));
            picture->bytes = SizeofResource(file.module, found);
            if (!IsPlainImage(picture->image, picture->bytes, picture->size)) {
                picture->Icon();
                picture->image = nullptr;
            }
        }
        return large->present() || small->present();
    }

private:
    struct Group {
        WORD id = 0;       // a numbered group
        std::wstring name;  // else a named one
    };
    struct File {
        HMODULE module = nullptr;
        std::vector<Group> groups;  // the icon groups in the file's order
    };

    static BOOL CALLBACK AddGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR groups)
    {
        Group group;
        if (IS_INTRESOURCE(name))
            group.id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
        else
            group.name = name;
        reinterpret_cast<std::vector<Group>*>(groups)->push_back(group);
        return TRUE;
    }

    File& Open(const wchar_t* path)
    {
        auto found = files_.find(path);
        if (found != files_.end())
            return found->second;
        File& file = files_[path];
        file.module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (file.module)
            EnumResourceNamesW(file.module, MAKEINTRESOURCEW(14), AddGroup, reinterpret_cast<LONG_PTR>(&file.groups));
        return file;
    }

    std::map<std::wstring, File> files_;
};

// A 32-bit colour bitmap whose rows are written directly, top row first.
HBITMAP CreateColorRows(int width, int height, uint32_t** pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the rows are filled
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    *pixels = bitmap ? static_cast<uint32_t*>(bits) : nullptr;
    return bitmap;
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
        color_ = CreateColorRows(size * count, size, &pixels_);
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

    // A picture into place n: a plain image of the list's size straight from the
    // file's resources, anything else through its icon handle.
    bool Put(int n, Picture& picture)
    {
        if (pixels_ && picture.image && picture.size == size_) {
            CopyRows(n, picture.image + reinterpret_cast<const BITMAPINFOHEADER*>(picture.image)->biSize, true);
            return true;
        }
        return picture.Icon() && Put(n, picture.icon);
    }

    // Place `to` gets what place `from` holds.
    bool CopyPlace(int from, int to)
    {
        if (!pixels_)
            return false;
        for (int y = 0; y < size_; ++y) {
            uint32_t* row = pixels_ + static_cast<size_t>(y) * size_ * count_;
            memcpy(row + to * size_, row + from * size_, size_ * sizeof(uint32_t));
            BYTE* maskRow = &mask_[y * maskStride_];
            memcpy(maskRow + to * size_ / 8, maskRow + from * size_ / 8, size_ / 8);
        }
        return true;
    }

    // An icon of what place n holds, for storing it alone; null when there is none.
    HICON IconAt(int n) const
    {
        if (!pixels_)
            return nullptr;
        uint32_t* bits = nullptr;
        HBITMAP color = CreateColorRows(size_, size_, &bits);
        if (!color)
            return nullptr;
        std::vector<BYTE> mask(size_ / 8 * size_);  // whole words a row at the sizes strips have
        for (int y = 0; y < size_; ++y) {
            memcpy(bits + y * size_, pixels_ + static_cast<size_t>(y) * size_ * count_ + n * size_,
                   size_ * sizeof(uint32_t));
            memcpy(&mask[y * size_ / 8], &mask_[y * maskStride_ + n * size_ / 8], size_ / 8);
        }
        GdiFlush();
        ICONINFO parts = {TRUE, 0, 0, CreateBitmap(size_, size_, 1, 1, mask.data()), color};
        HICON icon = parts.hbmMask ? CreateIconIndirect(&parts) : nullptr;
        if (parts.hbmMask)
            DeleteObject(parts.hbmMask);
        DeleteObject(color);
        return icon;
    }

    // Filled: the DC that read the icons goes with the thread that made it.
    void Filled()
    {
        if (dc_)
            DeleteDC(dc_);
        dc_ = nullptr;
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
        const int maskRow = (size_ + 31) / 32 * 4;  // a DIB's rows are whole DWORDs
        std::vector<uint32_t> pixels(size_ * size_ + maskRow * size_ / 4);  // colours, then the mask
        bool read = GetDIBits(dc_, parts.hbmColor, 0, size_, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                              DIB_RGB_COLORS) == size_;
        info.header.biBitCount = 1;
        read = read && GetDIBits(dc_, parts.hbmMask, 0, size_, pixels.data() + size_ * size_,
                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == size_;
        if (!read)
            return false;

        CopyRows(n, reinterpret_cast<const BYTE*>(pixels.data()), false);
        return true;
    }

    // Colour rows (32-bit) followed by mask rows (whole DWORDs) into place n.
    void CopyRows(int n, const BYTE* rows, bool bottomUp)
    {
        const int maskRow = (size_ + 31) / 32 * 4;
        const BYTE* maskRows = rows + size_ * size_ * 4;
        for (int y = 0; y < size_; ++y) {
            int from = bottomUp ? size_ - 1 - y : y;
            memcpy(pixels_ + static_cast<size_t>(y) * size_ * count_ + n * size_, rows + from * size_ * 4,
                   size_ * sizeof(uint32_t));
            memcpy(&mask_[y * maskStride_ + n * size_ / 8], maskRows + from * maskRow, size_ / 8);
        }
    }

    int size_;
    int count_;
    int maskStride_;  // bytes per mask row
    std::vector<BYTE> mask_;
    HBITMAP color_ = nullptr;
    HDC dc_ = nullptr;  // for reading the icons' bitmaps
    uint32_t* pixels_ = nullptr;
};

// The place of the shell's own icon of a file in the shell's two image lists, which
// hold it in both sizes; -1 when there is none. No SHGFI_USEFILEATTRIBUTES: the file
// is examined, so a missing file has none. A failed call's answer is not read:
// Wine's SHGetFileInfoA then copies fields of its own uninitialised structure,
// often another live icon's handle.
int ShellImageOf(const wchar_t* path, HIMAGELIST* shellLarge, HIMAGELIST* shellSmall)
{
    SHFILEINFOW info = {};
    bool found = SHGetFileInfoW(path, FILE_ATTRIBUTE_ARCHIVE, &info, sizeof info, SHGFI_SYSICONINDEX) != 0
                 && Shell_GetImageLists(shellLarge, shellSmall);
    return found ? info.iIcon : -1;
}

// The file an icon is read from: under WOW64 a System32 path the 32-bit view
// lacks goes through Sysnative; one it has is read as it is (a 64-bit program's
// own System32 file has the same icons as its 32-bit twin, when there is one).
std::wstring IconFileOf(const wchar_t* path)
{
    if (!RunsUnderWow64() || GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return path;
    return ReachablePathW(path);
}

// The panel's image lists' sizes, which a worker makes its strips for.
constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;

int IconSize(HIMAGELIST list)
{
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    return cx;
}

}  // namespace

void ExtractItemIcons(const wchar_t* givenPath, int iconIndex, HICON* largeIcon, HICON* smallIcon)
{
    std::wstring reached = IconFileOf(givenPath);
    const wchar_t* iconPath = reached.c_str();
    if (iconIndex == -1) {
        // The shell's icon of the file itself, the file looked at once for both
        // sizes: the images at its place in the shell's two image lists, which is
        // where SHGFI_ICON takes either from.
        HIMAGELIST shellLarge = nullptr;
        HIMAGELIST shellSmall = nullptr;
        int place = ShellImageOf(iconPath, &shellLarge, &shellSmall);
        if (largeIcon)
            *largeIcon = place >= 0 ? ImageList_GetIcon(shellLarge, place, ILD_NORMAL) : nullptr;
        if (smallIcon)
            *smallIcon = place >= 0 ? ImageList_GetIcon(shellSmall, place, ILD_NORMAL) : nullptr;
        return;
    }
    // One call per size. Asked for both at once, Wine 8 gives a different 16x16
    // image (not the one the file has for that size) and, when the file has no such
    // icon, leaves both handles uninitialised.
    if (largeIcon) {
        *largeIcon = nullptr;
        ExtractIconExW(iconPath, iconIndex, largeIcon, nullptr, 1);
    }
    if (smallIcon) {
        *smallIcon = nullptr;
        ExtractIconExW(iconPath, iconIndex, nullptr, smallIcon, 1);
    }
}

int StoreItemIcon(const ItemImageLists& lists, int imageIndex, int iconIndex, const wchar_t* iconPath)
{
    // An index outside the lists stores nothing. Wine's ImageList_ReplaceIcon checks
    // the index against the lists' capacity, not their count, and would "replace"
    // an image that does not exist.
    if (imageIndex != -1 && (imageIndex < 0 || imageIndex >= ImageList_GetImageCount(lists.large)))
        return -1;

    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
    ExtractItemIcons(iconPath, iconIndex, &largeIcon, &smallIcon);
    int result = PutIcons(lists, imageIndex, largeIcon, smallIcon);
    if (largeIcon)
        DestroyIcon(largeIcon);
    if (smallIcon)
        DestroyIcon(smallIcon);
    return result;
}

void AppendItemIcons(const ItemImageLists& lists, const IconSource* sources, int count, int* imageIndexes)
{
    struct Obtained {
        int source;
        int copyOf;     // an earlier entry with the same shell image, whose pictures it shows; or -1
        Picture large;  // either may be missing, not both
        Picture small;
        Picture& LargeOrSmall() { return large.present() ? large : small; }
        Picture& SmallOrLarge() { return small.present() ? small : large; }
    };
    IconResources files;
    const int largeSize = IconSize(lists.large);
    const int smallSize = IconSize(lists.small);
    std::map<int, int> shellImages;  // a place in the shell's lists -> the entry holding its pictures
    std::vector<Obtained> icons;
    for (int i = 0; i < count; ++i) {
        imageIndexes[i] = -1;
        Obtained icon{i, -1, {}, {}};
        const IconSource& source = sources[i];
        std::wstring reached = IconFileOf(source.iconPath);
        const wchar_t* iconPath = reached.c_str();
        if (source.iconIndex == -1) {
            // Files of one kind (documents of a type, folders) share one shell
            // image; its pictures are taken once.
            HIMAGELIST shellLarge = nullptr;
            HIMAGELIST shellSmall = nullptr;
            int place = ShellImageOf(iconPath, &shellLarge, &shellSmall);
            auto seen = shellImages.find(place);
            if (seen != shellImages.end()) {
                icon.copyOf = seen->second;
                icons.push_back(icon);
                continue;
            }
            if (place >= 0) {
                icon.large.icon = ImageList_GetIcon(shellLarge, place, ILD_NORMAL);
                icon.small.icon = ImageList_GetIcon(shellSmall, place, ILD_NORMAL);
                if (icon.large.present() || icon.small.present())
                    shellImages[place] = static_cast<int>(icons.size());
            }
        } else if (!files.Find(iconPath, source.iconIndex, largeSize, smallSize, &icon.large, &icon.small)) {
            ExtractItemIcons(iconPath, source.iconIndex, &icon.large.icon, &icon.small.icon);
        }
        if (icon.large.present() || icon.small.present())
            icons.push_back(icon);
    }
    // The entry whose pictures entry k shows.
    auto picturesOf = [&icons](int k) -> Obtained& {
        return icons[k].copyOf >= 0 ? icons[icons[k].copyOf] : icons[k];
    };
    if (icons.empty())
        return;

    HIMAGELIST largeList = lists.large;
    HIMAGELIST smallList = lists.small;
    int n = static_cast<int>(icons.size());
    IconStrip largeStrip(IconSize(largeList), n);
    IconStrip smallStrip(IconSize(smallList), n);
    std::vector<bool> largeDrawn(n);
    std::vector<bool> smallDrawn(n);
    for (int k = 0; k < n; ++k) {
        int copyOf = icons[k].copyOf;
        if (copyOf >= 0) {
            largeDrawn[k] = largeDrawn[copyOf] && largeStrip.CopyPlace(copyOf, k);
            smallDrawn[k] = smallDrawn[copyOf] && smallStrip.CopyPlace(copyOf, k);
        } else {
            largeDrawn[k] = largeStrip.Put(k, icons[k].LargeOrSmall());
            smallDrawn[k] = smallStrip.Put(k, icons[k].SmallOrLarge());
        }
    }

    int largeBefore = ImageList_GetImageCount(largeList);
    int smallBefore = ImageList_GetImageCount(smallList);
    int first = largeStrip.AddTo(largeList);
    int smallFirst = first == -1 ? -1 : smallStrip.AddTo(smallList);
    if (first != -1 && smallFirst == first) {
        for (int k = 0; k < n; ++k) {
            Obtained& pictures = picturesOf(k);
            if (!largeDrawn[k])
                ImageList_ReplaceIcon(largeList, first + k, pictures.LargeOrSmall().Icon());
            if (!smallDrawn[k])
                ImageList_ReplaceIcon(smallList, first + k, pictures.SmallOrLarge().Icon());
            imageIndexes[icons[k].source] = first + k;
        }
    } else {
        // A list refused the strip (no memory for it): take back what the other
        // took, then give the icons one by one, the lists kept in step.
        if (ImageList_GetImageCount(largeList) != largeBefore)
            ImageList_SetImageCount(largeList, largeBefore);
        if (ImageList_GetImageCount(smallList) != smallBefore)
            ImageList_SetImageCount(smallList, smallBefore);
        for (int k = 0; k < n; ++k) {
            Obtained& pictures = picturesOf(k);
            imageIndexes[icons[k].source] = PutIcons(lists, -1, pictures.large.Icon(), pictures.small.Icon());
        }
    }

    for (Obtained& icon : icons) {
        if (icon.large.icon)
            DestroyIcon(icon.large.icon);
        if (icon.small.icon)
            DestroyIcon(icon.small.icon);
    }
}

int PutItemIcons(const ItemImageLists& lists, int imageIndex, HICON largeIcon, HICON smallIcon)
{
    return PutIcons(lists, imageIndex, largeIcon, smallIcon);
}

int PlaceholderImageOf(const WCHAR* iconPath)
{
    // Only the name is looked at: an extension gives its file type's icon, a name
    // without one is taken for a folder.
    const WCHAR* extension = PathFindExtensionW(iconPath);
    bool folder = !*extension;
    SHFILEINFOW info = {};
    DWORD_PTR found = SHGetFileInfoW(folder ? L"folder" : extension,
                                     folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                     SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX);
    return found ? info.iIcon : -1;
}

bool PutShellImage(const ItemImageLists& lists, int imageIndex, int place)
{
    HIMAGELIST shellLarge = nullptr;
    HIMAGELIST shellSmall = nullptr;
    if (place < 0 || !Shell_GetImageLists(&shellLarge, &shellSmall))
        return false;
    HICON large = ImageList_GetIcon(shellLarge, place, ILD_NORMAL);
    HICON small = ImageList_GetIcon(shellSmall, place, ILD_NORMAL);
    bool stored = PutIcons(lists, imageIndex, large, small) != -1;
    if (large)
        DestroyIcon(large);
    if (small)
        DestroyIcon(small);
    return stored;
}

// A batch's icons side by side in the lists' layout (IconStrip), made on the worker
// with the handles, so that the UI thread stores a run of slots in one step per list.
struct IconJobStrips {
    IconJobStrips(int count) : large(kLargeIconSize, count), small(kSmallIconSize, count), drawn(count) {}
    IconStrip large;
    IconStrip small;
    std::vector<bool> drawn;  // both strips hold job k's images
};

int AppendShellImages(const ItemImageLists& lists, const int* places, int count)
{
    if (count <= 0)
        return -1;
    IconStrip large(IconSize(lists.large), count);
    IconStrip small(IconSize(lists.small), count);
    HIMAGELIST shellLarge = nullptr;
    HIMAGELIST shellSmall = nullptr;
    bool shell = Shell_GetImageLists(&shellLarge, &shellSmall);
    std::map<int, int> drawnAt;  // a shell image -> the place that holds it
    bool whole = true;
    for (int k = 0; k < count && whole; ++k) {
        int place = places[k];
        if (place < 0 || !shell)
            continue;  // blank, as a slot the shell has no image for
        auto seen = drawnAt.find(place);
        if (seen != drawnAt.end()) {
            whole = large.CopyPlace(seen->second, k) && small.CopyPlace(seen->second, k);
            continue;
        }
        HICON largeIcon = ImageList_GetIcon(shellLarge, place, ILD_NORMAL);
        HICON smallIcon = ImageList_GetIcon(shellSmall, place, ILD_NORMAL);
        whole = largeIcon && smallIcon && large.Put(k, largeIcon) && small.Put(k, smallIcon);
        if (largeIcon)
            DestroyIcon(largeIcon);
        if (smallIcon)
            DestroyIcon(smallIcon);
        drawnAt[place] = k;
    }
    int first = ImageList_GetImageCount(lists.large);
    if (!whole || ImageList_GetImageCount(lists.small) != first)
        return -1;
    if (large.AddTo(lists.large) != first)
        return -1;
    if (small.AddTo(lists.small) != first) {
        ImageList_SetImageCount(lists.large, first);
        return -1;
    }
    return first;
}

void ExtractIconJobs(std::vector<IconJob>& jobs, const volatile LONG* cancelled, IconJobStrips** madeStrips)
{
    // Jobs of one source share its icons, copied; a file's icons are read once, each
    // file opened once as data.
    std::map<std::pair<std::wstring, int>, size_t> seen;
    IconResources files;
    IconJobStrips* strips = madeStrips && !jobs.empty() ? new IconJobStrips(static_cast<int>(jobs.size())) : nullptr;
    if (madeStrips)
        *madeStrips = strips;
    auto draw = [&](size_t k, Picture* large, Picture* small) {
        if (!strips || (!large->present() && !small->present()))
            return;
        Picture& largeOrSmall = large->present() ? *large : *small;
        Picture& smallOrLarge = small->present() ? *small : *large;
        strips->drawn[k] = strips->large.Put(static_cast<int>(k), largeOrSmall)
                           && strips->small.Put(static_cast<int>(k), smallOrLarge);
    };
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (cancelled && *cancelled)
            break;
        IconJob& job = jobs[i];
        job.shortForms.clear();
        for (const std::wstring& path : job.longForms)
            job.shortForms.push_back(ShortPathOf(path));
        auto key = std::make_pair(job.iconPath, job.iconIndex);
        auto earlier = seen.find(key);
        if (earlier != seen.end()) {
            const IconJob& first = jobs[earlier->second];
            job.large = first.large ? CopyIcon(first.large) : nullptr;
            job.small = first.small ? CopyIcon(first.small) : nullptr;
            if (strips && strips->drawn[earlier->second])
                strips->drawn[i] = strips->large.CopyPlace(static_cast<int>(earlier->second), static_cast<int>(i))
                                   && strips->small.CopyPlace(static_cast<int>(earlier->second), static_cast<int>(i));
            continue;
        }
        seen[key] = i;
        std::wstring reached = IconFileOf(job.iconPath.c_str());
        const wchar_t* iconPath = reached.c_str();
        if (job.iconIndex == -1) {
            HIMAGELIST shellLarge = nullptr;
            HIMAGELIST shellSmall = nullptr;
            int place = ShellImageOf(iconPath, &shellLarge, &shellSmall);
            if (place >= 0) {
                job.large = ImageList_GetIcon(shellLarge, place, ILD_NORMAL);
                job.small = ImageList_GetIcon(shellSmall, place, ILD_NORMAL);
            }
        } else {
            Picture large, small;
            if (files.Find(iconPath, job.iconIndex, kLargeIconSize, kSmallIconSize, &large, &small)) {
                // Handles only for what the strips do not hold: making them is most
                // of a numbered icon's cost.
                draw(i, &large, &small);
                if (!strips || !strips->drawn[i]) {
                    job.large = large.Icon();
                    job.small = small.Icon();
                }
                continue;
            }
            // One call per size, as ExtractItemIcons asks.
            ExtractIconExW(iconPath, job.iconIndex, &job.large, nullptr, 1);
            ExtractIconExW(iconPath, job.iconIndex, nullptr, &job.small, 1);
        }
        Picture large, small;
        large.icon = job.large;
        small.icon = job.small;
        draw(i, &large, &small);
    }
    if (strips) {
        strips->large.Filled();
        strips->small.Filled();
    }
}

void PutIconJobs(const ItemImageLists& lists, const std::vector<IconJob>& jobs, IconJobStrips* strips,
                 const std::vector<bool>& wanted, std::vector<bool>* stored)
{
    stored->assign(jobs.size(), false);
    // A run of slots at the end of both lists, all still wanted and drawn (a page's
    // first fill): the lists are cut back to its first slot and given the strips.
    size_t n = jobs.size();
    int first = n ? jobs[0].slot : -1;
    bool run = strips && first >= 0 && ImageList_GetImageCount(lists.large) == first + static_cast<int>(n)
               && ImageList_GetImageCount(lists.small) == first + static_cast<int>(n);
    for (size_t k = 0; run && k < n; ++k)
        run = wanted[k] && strips->drawn[k] && jobs[k].slot == first + static_cast<int>(k);
    if (run && ImageList_SetImageCount(lists.large, first) && ImageList_SetImageCount(lists.small, first)) {
        if (strips->large.AddTo(lists.large) == first && strips->small.AddTo(lists.small) == first) {
            stored->assign(n, true);
            return;
        }
        // Refused (no memory): the slots come back, blank, and are filled one by one.
        ImageList_SetImageCount(lists.large, first + static_cast<int>(n));
        ImageList_SetImageCount(lists.small, first + static_cast<int>(n));
    }
    for (size_t k = 0; k < n; ++k) {
        if (!wanted[k])
            continue;
        bool fromStrips = !jobs[k].large && !jobs[k].small && strips && strips->drawn[k];
        HICON large = fromStrips ? strips->large.IconAt(static_cast<int>(k)) : jobs[k].large;
        HICON small = fromStrips ? strips->small.IconAt(static_cast<int>(k)) : jobs[k].small;
        (*stored)[k] = PutIcons(lists, jobs[k].slot, large, small) != -1;
        if (fromStrips) {
            if (large)
                DestroyIcon(large);
            if (small)
                DestroyIcon(small);
        }
    }
}

void DestroyIconJobStrips(IconJobStrips* strips)
{
    delete strips;
}

void DestroyIconJobs(std::vector<IconJob>& jobs)
{
    for (IconJob& job : jobs) {
        if (job.large)
            DestroyIcon(job.large);
        if (job.small)
            DestroyIcon(job.small);
        job.large = job.small = nullptr;
    }
}
