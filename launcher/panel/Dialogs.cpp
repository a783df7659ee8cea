#include "panel/Dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

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

// At most `limit` units of the control's text, never half a surrogate pair.
std::wstring ReadControlText(HWND dialog, int id, size_t limit = kMaxTextUnits)
{
    HWND control = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(GetWindowTextW(control, &text[0], static_cast<int>(text.size())));
    if (text.size() > limit)
        text.resize(limit);
    DropSplitCharacter(&text);
    return text;
}

// The edit fields take texts as long as an item holds (an edit control's own
// limit is shorter).
void LimitFields(HWND dialog, const int* ids, size_t count, size_t limit)
{
    for (size_t i = 0; i < count; ++i)
        SendDlgItemMessageW(dialog, ids[i], EM_SETLIMITTEXT, limit, 0);
}

const int kItemTextFields[] = {IDC_ITEM_NAME, IDC_ITEM_PATH, IDC_ITEM_PARAMETER, IDC_ITEM_WORK_DIR,
                               IDC_ITEM_ICON_PATH};

// ---- Item properties (dialog 101) ----

void FillPropertiesDialog(HWND dialog)
{
    const LauncherItem& item = GetItem(livePanel->propertiesPage, livePanel->propertiesItem);
    LimitFields(dialog, kItemTextFields, sizeof kItemTextFields / sizeof kItemTextFields[0], kMaxTextUnits);
    SetDlgItemTextW(dialog, IDC_ITEM_NAME, item.name.c_str());
    SetDlgItemTextW(dialog, IDC_ITEM_PATH, item.path.c_str());
    SetDlgItemTextW(dialog, IDC_ITEM_PARAMETER, item.parameter.c_str());
    SetDlgItemTextW(dialog, IDC_ITEM_WORK_DIR, item.workDir.c_str());
    SetDlgItemTextW(dialog, IDC_ITEM_ICON_PATH, item.iconPath.c_str());
    SetDlgItemInt(dialog, IDC_ITEM_ICON_INDEX, static_cast<UINT>(item.iconIndex), TRUE);
    // -1 stands for the file's own shell icon, not a number to edit.
    if (item.iconIndex == -1)
        EnableWindow(GetDlgItem(dialog, IDC_ITEM_ICON_INDEX), FALSE);

    SetWindowTextW(dialog, FillTextFormat(TEXT_PROPERTIES_TITLE_FORMAT, item.name).c_str());
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
    // Nothing is validated: what the user typed is what the item holds. A path
    // that changed takes its short form for the settings file's older readers
    // (PathForms.h), found by the icon's worker, since it looks at the file; an
    // unchanged one keeps the one it has.
    int page = livePanel->propertiesPage;
    int item = livePanel->propertiesItem;
    const LauncherItem& record = GetItem(page, item);
    std::vector<std::wstring> changed;
    auto shortFormOf = [&changed](const std::wstring& typed, const std::wstring& before, const std::string& kept) {
        if (typed == before)
            return kept;
        changed.push_back(typed);
        return std::string();
    };
    std::wstring text = ReadControlText(dialog, IDC_ITEM_NAME);
    SetItemName(page, item, text.c_str());
    text = ReadControlText(dialog, IDC_ITEM_PATH);
    SetItemPath(page, item, text.c_str(), shortFormOf(text, record.path, record.shortPath));
    text = ReadControlText(dialog, IDC_ITEM_PARAMETER);
    SetItemParameter(page, item, text.c_str());
    text = ReadControlText(dialog, IDC_ITEM_WORK_DIR);
    SetItemWorkDir(page, item, text.c_str(), shortFormOf(text, record.workDir, record.shortWorkDir));

    // An empty or unreadable number is 0. The image is replaced in place even when
    // neither value changed, so a changed file behind the same path shows.
    text = ReadControlText(dialog, IDC_ITEM_ICON_PATH);
    int iconIndex = static_cast<int>(GetDlgItemInt(dialog, IDC_ITEM_ICON_INDEX, nullptr, TRUE));
    std::string shortIconPath = shortFormOf(text, record.iconPath, record.shortIconPath);
    ReplaceItemIcon(page, item, text.c_str(), iconIndex, shortIconPath, std::move(changed));

    RefreshShownItem(livePanel->propertiesPage, livePanel->propertiesItem);
}

void OnBrowse(HWND dialog)
{
    // The browser opens where the path field points.
    std::wstring path = ReadControlText(dialog, IDC_ITEM_PATH);
    if (BrowseForFile(dialog, &path))
        SetDlgItemTextW(dialog, IDC_ITEM_PATH, path.c_str());
}

// Where the browser opens for `path`: its folder, with its file name in the name
// field. Read from the text alone, the UI thread looking at no file: the browser
// itself goes elsewhere when the folder is not there. A quoted text, one without
// a folder or with a relative one, and a folder longer than the browser keeps
// (Wine copies it into a MAX_PATH buffer with "\*" added) open the default.
void BrowseStart(const std::wstring& path, std::wstring* folder, std::wstring* name)
{
    if (path.empty() || path.find(L'"') != std::wstring::npos)
        return;
    size_t title = path.back() == L'\\' || path.back() == L'/' ? path.size()
                                                                 : PathFindFileNameW(path.c_str()) - path.c_str();
    std::wstring start = path.substr(0, title);
    if (start.empty() || PathIsRelativeW(start.c_str()) || start.size() + 2 >= MAX_PATH)
        return;
    *folder = start;
    *name = path.substr(title);
}

void OnChangeIcon(HWND dialog)
{
    // The picker starts at the file's first icon, not at the number shown.
    int iconIndex = 0;
    std::wstring iconPath = ReadControlText(dialog, IDC_ITEM_ICON_PATH);
    if (!PickItemIcon(&iconPath, &iconIndex))
        return;
    SetDlgItemTextW(dialog, IDC_ITEM_ICON_PATH, iconPath.c_str());
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
        const TextPromptRequest& request = *livePanel->textRequest;
        const int field = IDC_PROMPT_TEXT;
        LimitFields(dialog, &field, 1, request.limit);
        SetDlgItemTextW(dialog, IDC_PROMPT_TEXT, request.text->c_str());
        SetDlgItemTextW(dialog, IDC_PROMPT_LABEL, request.label);
        SetWindowTextW(dialog, request.caption);
        return TRUE;
    }

    if (message == WM_COMMAND && livePanel->textRequest) {
        switch (LOWORD(wParam)) {
        case IDOK:
            // At most `limit` units; the text is written only here.
            *livePanel->textRequest->text = ReadControlText(dialog, IDC_PROMPT_TEXT, livePanel->textRequest->limit);
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
    return DialogBoxParamW(moduleRecord.instance, MAKEINTRESOURCEW(IDD_ITEM_PROPERTIES), livePanel->panelWindow,
                           ItemPropertiesProc, reinterpret_cast<LPARAM>(target));
}

bool AskText(HWND owner, std::wstring* text, const wchar_t* label, const wchar_t* caption, size_t limit)
{
    TextPromptRequest request = {text, label, caption, limit < kMaxTextUnits ? limit : kMaxTextUnits};
    ModalHold hold;
    return DialogBoxParamW(moduleRecord.instance, MAKEINTRESOURCEW(IDD_TEXT_PROMPT), owner, TextPromptProc,
                           reinterpret_cast<LPARAM>(&request)) == IDOK;
}

BOOL BrowseForFile(HWND owner, std::wstring* path)
{
    // The structure as it was before the fields added for newer systems; the
    // dialog accepts this size everywhere.
    constexpr DWORD kShortSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
    static_assert(kShortSize == 76, "the short form of OPENFILENAMEW is 76 bytes");
    // The wide dialog: a chosen name arrives whole, of any length an item holds.
    static const WCHAR kFilter[] = TEXT_BROWSE_FILTER;
    std::wstring folder, name;
    BrowseStart(*path, &folder, &name);
    // The name is at most as long as an item's path, so the buffer holds it.
    std::wstring chosen(kMaxTextUnits + 1, L'\0');
    chosen.replace(0, name.size(), name);
    OPENFILENAMEW request = {};
    request.lStructSize = kShortSize;
    request.hwndOwner = owner;
    request.hInstance = moduleRecord.instance;
    request.lpstrFilter = kFilter;
    request.nFilterIndex = 0;
    request.lpstrFile = &chosen[0];
    request.nMaxFile = static_cast<DWORD>(chosen.size());
    request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    // NODEREFERENCELINKS: a chosen shortcut is itself the item, not its target.
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON
                    | OFN_NODEREFERENCELINKS | OFN_ENABLESIZING | OFN_DONTADDTORECENT;
    {
        ModalHold hold;
        if (!GetOpenFileNameW(&request))
            return FALSE;
    }
    chosen.resize(lstrlenW(chosen.c_str()));
    path->swap(chosen);
    return TRUE;
}

int PickItemIcon(std::wstring* iconPath, int* iconIndex)
{
    HMODULE shell = LoadLibraryW(L"SHELL32.DLL");
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

    // The picker's buffer holds the longest path an item holds.
    std::wstring widePath(kMaxTextUnits + 1, L'\0');
    widePath.replace(0, iconPath->size(), *iconPath);

    // Opened from the properties dialog, the picker belongs to that dialog, so the
    // dialog cannot be closed or used beneath it.
    HWND owner = livePanel->propertiesDialog ? livePanel->propertiesDialog : livePanel->panelWindow;
    int index = *iconIndex;
    int result;
    {
        ModalHold hold;
        result = picker(owner, &widePath[0], static_cast<UINT>(widePath.size()), &index);
    }
    widePath.back() = L'\0';
    widePath.resize(lstrlenW(widePath.c_str()));

    // Only a positive answer is a choice: a picker that cannot run may answer -1
    // without touching anything. The caller's path and index change only for a
    // choice.
    int chosen = 0;
    if (result > 0) {
        iconPath->swap(widePath);
        *iconIndex = index;
        chosen = result;
    }
    FreeLibrary(shell);
    return chosen;
}
