// Renaming an item in place through the list view's label editor.
#include "panel/LabelEdit.h"

#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"

namespace {

// A host's ANSI message loop hands a typed double-byte character to the editor as
// two WM_CHARs, lead byte then trail byte. Windows' edit control joins them; Wine's
// converts each byte alone, so the lead byte becomes U+30FB. The editor is given
// the joined character as text instead, the same on both.
LRESULT CALLBACK LabelEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC next = livePanel->labelEditProc;
    if (message == WM_CHAR && wParam <= 0xFF) {
        BYTE byte = static_cast<BYTE>(wParam);
        BYTE lead = livePanel->pendingLeadByte;
        livePanel->pendingLeadByte = 0;
        if (lead) {
            char character[3] = {static_cast<char>(lead), static_cast<char>(byte), '\0'};
            WCHAR wide;
            if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, character, 2, &wide, 1) == 1) {
                SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(character));
                return 0;
            }
            // No trail byte after all: the lone lead byte goes, this byte counts alone.
        }
        if (IsDBCSLeadByte(byte)) {
            livePanel->pendingLeadByte = byte;
            return 0;
        }
    } else if (message == WM_DESTROY) {
        // Handed back first: the list view's own procedure puts the edit control's
        // back at WM_DESTROY, which would cut this one out unseen.
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        livePanel->labelEditProc = nullptr;
        livePanel->pendingLeadByte = 0;
    }
    return CallWindowProcA(next, edit, message, wParam, lParam);
}

}  // namespace

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
        SetWindowTextA(above, TEXT_RENAME_WINDOW);
    HWND edit = ShownLabelEditor();
    livePanel->labelEditControl = edit;
    if (edit) {
        livePanel->pendingLeadByte = 0;
        livePanel->labelEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelEditProc)));
    }
}

void RestoreRenameTitle()
{
    HWND above = livePanel->renameTitleWindow;
    livePanel->renameTitleWindow = nullptr;
    // Unless the host has given its frame a title of its own meanwhile.
    char shown[sizeof TEXT_RENAME_WINDOW + 1] = "";
    if (above && IsWindow(above) && GetWindowTextA(above, shown, sizeof shown) >= 0
        && lstrcmpA(shown, TEXT_RENAME_WINDOW) == 0)
        SetWindowTextW(above, livePanel->renameTitle.c_str());
    std::wstring().swap(livePanel->renameTitle);
}

void EndLabelEdit(const NMLVDISPINFOA* info)
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

    char name[kTextSize];
    if (IsWindow(edit))
        GetWindowTextA(edit, name, kTextSize);
    else
        CopyText(name, info->item.pszText);
    DropSplitCharacter(name);
    SetItemName(page, item, name);

    // The notification's answer is 0, so the list view keeps its own label; set it here.
    SetShownItemText(item, name);
}
