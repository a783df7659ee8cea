#include "panel/ItemTips.h"

#include <cstring>
#include <string>

#include "data/LauncherData.h"

void FillItemTip(NMLVGETINFOTIPW* tip)
{
    if (!tip->pszText || tip->cchTextMax <= 0)
        return;
    int page = GetCurrentPage();
    if (page < 0 || page >= GetPageCount() || tip->iItem < 0 || tip->iItem >= GetItemCount(page))
        return;  // the list's text, as it came, is the tip
    // Only what the panel holds: the tip comes while the mouse rests, and no file
    // is looked at for it.
    const LauncherItem& item = GetItem(page, tip->iItem);
    std::wstring text = item.name;
    if (!text.empty())
        text += L'\n';
    text += item.path;
    if (!item.parameter.empty())
        text += L'\n' + item.parameter;
    size_t room = static_cast<size_t>(tip->cchTextMax) - 1;
    if (text.size() > room) {
        text.resize(room);
        DropSplitCharacter(&text);
    }
    memcpy(tip->pszText, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}
