// An item's icon source (icon path and icon index) turned into icons, or into
// images of two image lists the caller hands over (32x32 and 16x16), always at the
// same index in both.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

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

// Puts one icon pair at imageIndex in both lists (-1 appends); a missing size is
// taken from the other. The index the large list holds it at, or -1.
int PutItemIcons(const ItemImageLists& lists, int imageIndex, HICON largeIcon, HICON smallIcon);

// The placeholder of an icon source, which needs no file: the shell's icon for the
// path's extension (a folder's for a path without one), asked with
// SHGFI_USEFILEATTRIBUTES. Its place in the shell's image lists, or -1.
int PlaceholderImageOf(const WCHAR* iconPath);
// Copies the shell's image at `place` (PlaceholderImageOf) into both lists at
// imageIndex; false when nothing was stored.
bool PutShellImage(const ItemImageLists& lists, int imageIndex, int place);

// Appends the shell's images at `places` (PlaceholderImageOf; -1 leaves a blank
// image) to both lists in one step each; the index of the first, or -1 with the
// lists as they were, when they are to be given one by one.
int AppendShellImages(const ItemImageLists& lists, const int* places, int count);

// One image of an item made off the UI thread: the source in, the icons out. The
// slot and ticket are the caller's (which image the result goes to, and whether it
// is still wanted).
struct IconJob {
    std::wstring iconPath;
    int iconIndex = -1;
    int slot = -1;
    uint32_t ticket = 0;
    HICON large = nullptr;
    HICON small = nullptr;
    // Paths of the item whose short forms (PathForms.h) the worker finds as well,
    // into shortForms at the same places: they look at the files too.
    std::vector<std::wstring> longForms;
    std::vector<std::string> shortForms;
};

// The jobs' images side by side in the lists' layout, made with them on the worker.
struct IconJobStrips;

// On a worker: the real icons of each job, as ExtractItemIcons makes them, at the
// lists' sizes, and the short forms each asks for. A file named by several jobs is
// read once. Stops early (the rest left without icons) once `cancelled` turns
// nonzero. With `strips`, also their images in strips (null for no jobs).
void ExtractIconJobs(std::vector<IconJob>& jobs, const volatile LONG* cancelled, IconJobStrips** strips = nullptr);
// On the UI thread: each wanted job's icons at its slot in both lists, stored[k]
// telling whether job k's were. Jobs whose slots run to the end of both lists go
// in as one strip per list; the others one by one.
void PutIconJobs(const ItemImageLists& lists, const std::vector<IconJob>& jobs, IconJobStrips* strips,
                 const std::vector<bool>& wanted, std::vector<bool>* stored);
void DestroyIconJobStrips(IconJobStrips* strips);
// Destroys the icons the jobs still hold.
void DestroyIconJobs(std::vector<IconJob>& jobs);
