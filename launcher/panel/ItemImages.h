// The images of the items: made into the panel's two image lists by the platform's
// icon code, their indexes kept in the items.
#pragma once

#include <string>

// Makes the icons of the page's items that have none made yet, in item order, each
// image list given them in one step; an item whose icon cannot be obtained gets -1.
// Items made before (or moved here from a page that was shown) keep their images.
void MakePageIcons(int page);
// AddItemFromFile, with the file's shell icon appended to the image lists.
bool AddFileItem(int page, const wchar_t* filePath, const wchar_t* name = nullptr, const std::string& shortPath = {});
// SetItemIcon, with the item's image replaced in place (an item whose image was not
// made yet gets a new one; one whose icon cannot be obtained keeps -1).
void ReplaceItemIcon(int page, int item, const wchar_t* iconPath, int iconIndex, const std::string& shortIconPath = {});
