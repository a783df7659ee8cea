// The images of the items: made into the panel's two image lists by the platform's
// icon code, their indexes kept in the items.
#pragma once

// Makes the icons of the page's items that have none made yet, in item order, each
// image list given them in one step; an item whose icon cannot be obtained gets -1.
// Items made before (or moved here from a page that was shown) keep their images.
void MakePageIcons(int page);
// AddItemFromFile, with the file's shell icon appended to the image lists.
bool AddFileItem(int page, const char* filePath, const char* name = nullptr);
// SetItemIcon, with the item's image replaced in place (an item whose image was not
// made yet gets a new one; one whose icon cannot be obtained keeps -1).
void ReplaceItemIcon(int page, int item, const char* iconPath, int iconIndex);
