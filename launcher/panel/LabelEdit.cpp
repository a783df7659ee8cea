// Renaming an item in place through the list view's label editor. The list view
// is a W window, so its editor is one too: a typed character arrives whole as
// UTF-16, also from a host's ANSI message loop, which converts the two bytes of a
// double-byte character into one WM_CHAR for a W window.
#include "panel/LabelEdit.h"

#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"

void BeginLabelEdit()
{
    // The host's frame shows that a rename is under way, until the edit ends
    // (RestoreRenameTitle).
    HWND above = GetParent(GetParent(GetParent(livePanel->panelWindow)));
    if (above && !livePanel->renameTitleWindow) {
        int length = GetWindowTextLengthW(above);
        std::wstring title(static_cast<size_t>(length) + 1, L'\0');
        title.resize(static_cast<size_t>(GetWindowTextW(above, &title[0], length + 1)));
        livePanel->renameTitle = title;
        livePanel->renameTitleWindow = above;
    }
    if (above)
        SetWindowTextW(above, TEXT_RENAME_WINDOW);
    HWND edit = ShownLabelEditor();
    livePanel->labelEditControl = edit;
    if (edit)
        SendMessageW(edit, EM_SETLIMITTEXT, kMaxTextUnits, 0);
}

void RestoreRenameTitle()
{
    HWND above = livePanel->renameTitleWindow;
    livePanel->renameTitleWindow = nullptr;
    // Unless the host has given its frame a title of its own meanwhile.
    wchar_t shown[ARRAYSIZE(TEXT_RENAME_WINDOW) + 1] = L"";
    if (above && IsWindow(above) && GetWindowTextW(above, shown, ARRAYSIZE(shown)) >= 0
        && lstrcmpW(shown, TEXT_RENAME_WINDOW) == 0)
        SetWindowTextW(above, livePanel->renameTitle.c_str());
    std::wstring().swap(livePanel->renameTitle);
}

void EndLabelEdit(const NMLVDISPINFOW* info)
{
    HWND edit = livePanel->labelEditControl;
    livePanel->labelEditControl = nullptr;  // the list view destroys it next
    // However the edit ends (Enter, Esc, a click elsewhere), the frame's title is back.
    RestoreRenameTitle();

    // No text means the edit was cancelled (or left unchanged): the name stays.
    if (!info->item.pszText)
        return;
    int page = GetCurrentPage();
    int item = info->item.iItem;
    if (page < 0 || page >= GetPageCount() || item < 0 || item >= GetItemCount(page))
        return;

    // The editor's own text, whole: the notification's copy may be cut to the
    // list view's label buffer.
    std::wstring name;
    if (IsWindow(edit)) {
        name.resize(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1);
        name.resize(GetWindowTextW(edit, &name[0], static_cast<int>(name.size())));
    } else {
        name = info->item.pszText;
    }
    CopyText(&name, std::wstring_view(name));  // at most kMaxTextUnits
    DropSplitCharacter(&name);
    SetItemName(page, item, name.c_str());

    // The notification's answer is 0, so the list view keeps its own label; set it here.
    SetShownItemText(item, GetItemName(page, item));
}
