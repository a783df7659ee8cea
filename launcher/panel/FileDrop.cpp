// Files dropped on the panel (WM_DROPFILES): started with a dropped file, or kept
// as a new item, a shortcut's target when the user asks for it.
#include "panel/FileDrop.h"

#include <shellapi.h>

#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/Launch.h"
#include "platform/PathForms.h"
#include "platform/Shortcuts.h"

void OnDropFiles(HDROP drop)
{
    // The first file's exact name, of any length the item can hold.
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path;
    if (length > 0 && length <= kMaxTextUnits) {
        path.resize(length + 1);
        path.resize(DragQueryFileW(drop, 0, &path[0], length + 1));
    }
    DragFinish(drop);
    if (path.empty())
        return;  // nothing usable was dropped

    int page = GetCurrentPage();
    int hit = HitTestList();
    if (hit != -1) {
        // Handed to the item as one argument.
        std::wstring argument = path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
        LaunchItem(livePanel->panelWindow, page, hit, argument.c_str());
        return;
    }

    ShortcutTarget target;
    const ShortcutTarget* taken = nullptr;
    if (ResolveShortcut(path.c_str(), &target)) {
        switch (MessageBoxW(livePanel->panelWindow, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL)) {
        case IDYES:
            // A target that is not on disk (or none with a file-system path) gives
            // nothing to start: keep the shortcut itself rather than such an item.
            if (!target.path.empty()) {
                path = target.path;
                taken = &target;
            }
            break;
        case IDNO:
            break;
        default:
            return;
        }
    }

    int n = GetItemCount(page);
    AddFileItem(page, path.c_str(), nullptr, taken ? taken->shortPath : ShortPathOf(path));
    if (taken) {
        // The item does what the shortcut did: its arguments, its own working folder
        // and icon where it has them (else the target's folder and shell icon).
        SetItemParameter(page, n, taken->parameter.c_str());
        if (!taken->workDir.empty())
            SetItemWorkDir(page, n, taken->workDir.c_str(), taken->shortWorkDir);
        if (!taken->iconPath.empty())
            ReplaceItemIcon(page, n, taken->iconPath.c_str(), taken->iconIndex, taken->shortIconPath);
    }
    InsertListItem(-1, GetItemName(page, n), GetItemImageIndex(page, n));
}
