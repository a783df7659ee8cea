#include "panel/Dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstddef>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/ActivationScope.h"
#include "platform/ModalHold.h"
#include "platform/ModuleRecord.h"
#include "platform/WidePaths.h"
#include "resource.h"

IconPickerProc iconPickerOverride = nullptr;

namespace {

// Both dialogs are modal and run on the panel's one thread, so one set of state
// per dialog is enough, kept in the panel record. The page and item stay after
// the dialog closes; the window handle and the request are dropped, so nothing
// points at a closed dialog.

const int kShellIconPickerOrdinal = 62;

bool ItemExists(int page, int item)
{
    return page >= 0 && page < GetPageCount() && item >= 0 && item < GetItemCount(page);
}

void ReadControlText(HWND dialog, int id, char* buffer, int size)
{
    if (size <= 0)
        return;
    buffer[0] = '\0';
    GetDlgItemTextA(dialog, id, buffer, size);
    DropSplitCharacter(buffer);
}

// ---- Item properties (dialog 101) ----

void FillPropertiesDialog(HWND dialog)
{
    const LauncherItem& item = GetItem(livePanel->propertiesPage, livePanel->propertiesItem);
    SetDlgItemTextA(dialog, IDC_ITEM_NAME, item.name);
    SetDlgItemTextA(dialog, IDC_ITEM_PATH, item.path);
    SetDlgItemTextA(dialog, IDC_ITEM_PARAMETER, item.parameter);
    SetDlgItemTextA(dialog, IDC_ITEM_WORK_DIR, item.workDir);
    SetDlgItemTextA(dialog, IDC_ITEM_ICON_PATH, item.iconPath);
    SetDlgItemInt(dialog, IDC_ITEM_ICON_INDEX, static_cast<UINT>(item.iconIndex), TRUE);
    // -1 stands for the file's own shell icon, not a number to edit.
    if (item.iconIndex == -1)
        EnableWindow(GetDlgItem(dialog, IDC_ITEM_ICON_INDEX), FALSE);

    // Room for the longest name (519 bytes) and the rest of the format.
    char title[kTextSize + sizeof TEXT_PROPERTIES_TITLE_FORMAT];
    wsprintfA(title, TEXT_PROPERTIES_TITLE_FORMAT, item.name);
    SetWindowTextA(dialog, title);
}

void PaintItemIcon(HWND dialog)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT place;
    GetWindowRect(GetDlgItem(dialog, IDC_ITEM_ICON_PLACE), &place);
    POINT corner = {place.left, place.top};
    ScreenToClient(dialog, &corner);
    int image = ShownItemImage(livePanel->propertiesPage, livePanel->propertiesItem);
    HICON icon = image >= 0 ? ImageList_GetIcon(livePanel->largeImageList, image, ILD_NORMAL) : nullptr;
    if (icon) {
        DrawIcon(dc, corner.x, corner.y, icon);
        DestroyIcon(icon);
    }
    EndPaint(dialog, &paint);
}

void StorePropertiesDialog(HWND dialog)
{
    // Nothing is validated: what the user typed is what the item holds.
    char text[kTextSize];
    ReadControlText(dialog, IDC_ITEM_NAME, text, kTextSize);
    SetItemName(livePanel->propertiesPage, livePanel->propertiesItem, text);
    ReadControlText(dialog, IDC_ITEM_PATH, text, kTextSize);
    SetItemPath(livePanel->propertiesPage, livePanel->propertiesItem, text);
    ReadControlText(dialog, IDC_ITEM_PARAMETER, text, kTextSize);
    SetItemParameter(livePanel->propertiesPage, livePanel->propertiesItem, text);
    ReadControlText(dialog, IDC_ITEM_WORK_DIR, text, kTextSize);
    SetItemWorkDir(livePanel->propertiesPage, livePanel->propertiesItem, text);

    // An empty or unreadable number is 0. The image is replaced in place even when
    // neither value changed, so a changed file behind the same path shows.
    ReadControlText(dialog, IDC_ITEM_ICON_PATH, text, kTextSize);
    int iconIndex = static_cast<int>(GetDlgItemInt(dialog, IDC_ITEM_ICON_INDEX, nullptr, TRUE));
    ReplaceItemIcon(livePanel->propertiesPage, livePanel->propertiesItem, text, iconIndex);

    RefreshShownItem(livePanel->propertiesPage, livePanel->propertiesItem);
}

void OnBrowse(HWND dialog)
{
    // The browser opens with an empty name whatever the path field holds.
    char path[kTextSize] = {};
    if (BrowseForFile(dialog, path))
        SetDlgItemTextA(dialog, IDC_ITEM_PATH, path);
}

void OnChangeIcon(HWND dialog)
{
    // The picker starts at the file's first icon, not at the number shown.
    char iconPath[kTextSize] = {};
    int iconIndex = 0;
    ReadControlText(dialog, IDC_ITEM_ICON_PATH, iconPath, kTextSize);
    if (!PickItemIcon(iconPath, &iconIndex))
        return;
    SetDlgItemTextA(dialog, IDC_ITEM_ICON_PATH, iconPath);
    SetDlgItemInt(dialog, IDC_ITEM_ICON_INDEX, static_cast<UINT>(iconIndex), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_ITEM_ICON_INDEX), TRUE);
}

INT_PTR CALLBACK ItemPropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ActivationScope scope;
    if (message == WM_INITDIALOG) {
        const int* target = reinterpret_cast<const int*>(lParam);
        livePanel->propertiesPage = target[0];
        livePanel->propertiesItem = target[1];
        livePanel->propertiesDialog = dialog;
        FillPropertiesDialog(dialog);
        return TRUE;
    }

    if (message == WM_PAINT) {
        PaintItemIcon(dialog);
        return TRUE;
    }

    if (message == WM_DESTROY) {
        livePanel->propertiesDialog = nullptr;
        return FALSE;
    }

    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            StorePropertiesDialog(dialog);
            EndDialog(dialog, IDOK);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        case IDC_BROWSE:
            OnBrowse(dialog);
            break;
        case IDC_CHANGE_ICON:
            OnChangeIcon(dialog);
            break;
        }
        return FALSE;
    }

    return FALSE;
}

// ---- Text prompt (dialog 103) ----

INT_PTR CALLBACK TextPromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ActivationScope scope;
    if (message == WM_INITDIALOG) {
        livePanel->textRequest = reinterpret_cast<TextPromptRequest*>(lParam);
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, livePanel->textRequest->buffer);
        SetDlgItemTextA(dialog, IDC_PROMPT_LABEL, livePanel->textRequest->label);
        SetWindowTextA(dialog, livePanel->textRequest->caption);
        return TRUE;
    }

    if (message == WM_COMMAND && livePanel->textRequest) {
        switch (LOWORD(wParam)) {
        case IDOK:
            // At most size - 1 characters; the buffer is written only here.
            ReadControlText(dialog, IDC_PROMPT_TEXT, livePanel->textRequest->buffer, livePanel->textRequest->size);
            livePanel->textRequest = nullptr;
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            livePanel->textRequest = nullptr;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
    }

    return FALSE;
}

}  // namespace

INT_PTR ShowItemProperties(int page, int item)
{
    // Callers pass the selected item; an index that names no item opens nothing.
    if (!ItemExists(page, item))
        return -1;
    MakePageIcons(page);  // the dialog shows the item's icon, also before its page was shown
    int target[2] = {page, item};
    // The host may destroy the panel inside the dialog (closed from the taskbar):
    // nothing of the panel is touched after it returns.
    ModalHold hold;
    return DialogBoxParamA(moduleRecord.instance, MAKEINTRESOURCEA(IDD_ITEM_PROPERTIES), livePanel->panelWindow,
                           ItemPropertiesProc, reinterpret_cast<LPARAM>(target));
}

bool AskText(HWND owner, char* buffer, const char* label, const char* caption, int size)
{
    TextPromptRequest request = {buffer, label, caption, size};
    ModalHold hold;
    return DialogBoxParamA(moduleRecord.instance, MAKEINTRESOURCEA(IDD_TEXT_PROMPT), owner, TextPromptProc,
                           reinterpret_cast<LPARAM>(&request)) == IDOK;
}

BOOL BrowseForFile(HWND owner, char* buffer)
{
    // The structure as it was before the fields added for newer systems; the
    // dialog accepts this size everywhere.
    constexpr DWORD kShortSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
    static_assert(kShortSize == 76, "the short form of OPENFILENAMEW is 76 bytes");
    // The wide dialog: a chosen name the code page lacks arrives whole, and can
    // then be kept in its short form instead of with '?' in it.
    WCHAR filter[sizeof TEXT_BROWSE_FILTER];
    MultiByteToWideChar(CP_ACP, 0, TEXT_BROWSE_FILTER, sizeof TEXT_BROWSE_FILTER, filter, sizeof TEXT_BROWSE_FILTER);
    WCHAR chosen[kTextSize] = {};
    MultiByteToWideChar(CP_ACP, 0, buffer, -1, chosen, kTextSize);
    OPENFILENAMEW request = {};
    request.lStructSize = kShortSize;
    request.hwndOwner = owner;
    request.hInstance = moduleRecord.instance;
    request.lpstrFilter = filter;
    request.nFilterIndex = 0;
    request.lpstrFile = chosen;
    request.nMaxFile = kTextSize;
    // NODEREFERENCELINKS: a chosen shortcut is itself the item, not its target.
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON
                    | OFN_NODEREFERENCELINKS | OFN_ENABLESIZING | OFN_DONTADDTORECENT;
    {
        ModalHold hold;
        if (!GetOpenFileNameW(&request))
            return FALSE;
    }
    char path[kTextSize];
    if (!AnsiPathFor(chosen, path)) {
        ReportUnnamableFile(owner, chosen);
        return FALSE;
    }
    lstrcpyA(buffer, path);
    return TRUE;
}

int PickItemIcon(char* iconPath, int* iconIndex)
{
    HMODULE shell = LoadLibraryA("SHELL32.DLL");
    if (!shell)
        return 0;
    IconPickerProc picker = reinterpret_cast<IconPickerProc>(
        reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(kShellIconPickerOrdinal))));
    if (!picker) {
        FreeLibrary(shell);
        return 0;
    }
    if (iconPickerOverride)
        picker = iconPickerOverride;

    // The picker speaks UTF-16; a 519-byte ANSI path always fits 520 characters.
    WCHAR widePath[kTextSize] = {};
    MultiByteToWideChar(CP_ACP, 0, iconPath, -1, widePath, kTextSize);

    // Opened from the properties dialog, the picker belongs to that dialog, so the
    // dialog cannot be closed or used beneath it.
    HWND owner = livePanel->propertiesDialog ? livePanel->propertiesDialog : livePanel->panelWindow;
    int index = *iconIndex;
    int result;
    {
        ModalHold hold;
        result = picker(owner, widePath, kTextSize, &index);
    }
    widePath[kTextSize - 1] = L'\0';

    // Only a positive answer is a choice: a picker that cannot run may answer -1
    // without touching anything. The caller's path and index change only for a
    // choice whose path the code page holds whole in 520 bytes; a path that would
    // come back cut or with substituted characters names no file.
    int chosen = 0;
    if (result > 0) {
        char path[kTextSize];
        if (ExactAnsiText(widePath, path, kTextSize)) {
            lstrcpyA(iconPath, path);
            *iconIndex = index;
            chosen = result;
        }
    }
    FreeLibrary(shell);
    return chosen;
}
