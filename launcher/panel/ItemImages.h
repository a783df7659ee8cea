// The images of the items: made into the panel's two image lists by the platform's
// icon code, their indexes kept in the items.
//
// An item's image slot is its own from the moment it is made: it shows a
// placeholder at once (PlaceholderImageOf, no file looked at) and the real icon
// replaces it in the same slot when a worker has made it (WM_ICONS_READY). The slot
// follows the item through moves, undo and page changes, so a result finds its
// item without any other id; a ticket per slot drops a result that a newer request
// of the same slot overtook.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The real icons of a batch of slots, posted by a worker to the panel window.
constexpr UINT WM_ICONS_READY = WM_APP + 1;

// Makes the icons of the page's items that have none made yet, in item order: each
// gets its slot and placeholder now, the real icons follow from a worker (the shown
// page's ahead of others). Items made before (or moved here from a page that was
// shown) keep their images.
void MakePageIcons(int page);
// AddItemFromFile, with a new slot for the file's shell icon.
bool AddFileItem(int page, const wchar_t* filePath, const wchar_t* name = nullptr,
                 const std::string& shortPath = {});
// SetItemIcon; the item's image is replaced in place when the new icon arrives (an
// item whose image was not made yet gets a slot now; one whose icon cannot be
// obtained ends with -1).
// findShortForms: paths of the item whose short forms the icon's worker finds; an
// item path still equal to one then takes its short form.
void ReplaceItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex,
                     const std::string& shortIconPath = {}, std::vector<std::wstring> findShortForms = {});

// A batch of WM_ICONS_READY put into the lists: each icon whose slot still wants it
// replaces the slot's image; a slot whose file gave no icon goes to `emptied`. The
// short forms found go to the slot's item. Frees the batch; true when an image
// changed.
bool PutReadyIcons(void* batch, std::vector<int>* emptied);
// Frees a batch that does not reach PutReadyIcons.
void ReleaseIconBatch(void* batch);
