// Files dropped on the panel (WM_DROPFILES): started with a dropped file, or kept
// as a new item, a shortcut's target when the user asks for it.
#include "panel/FileDrop.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "platform/Launch.h"
#include "platform/Shortcuts.h"
#include "platform/WidePaths.h"

void OnDropFiles(HDROP drop)
{
    WCHAR widePath[kTextSize] = {};
    UINT length = DragQueryFileW(drop, 0, widePath, kTextSize);
    DragFinish(drop);
    if (length == 0)
        return;  // nothing usable was dropped

    // The file as the panel's ANSI text; a name the code page cannot hold, on a
    // volume without short names, would name no file at all.
    char path[kTextSize] = {};
    if (!AnsiPathFor(widePath, path)) {
        ReportUnnamableFile(livePanel->panelWindow, widePath);
        return;
    }

    int page = GetCurrentPage();
    int hit = HitTestList();
    if (hit != -1) {
        PathQuoteSpacesA(path);
        LaunchItem(livePanel->panelWindow, page, hit, path);
        return;
    }

    ShortcutTarget target;
    const ShortcutTarget* taken = nullptr;
    const WCHAR* named = widePath;
    if (ResolveShortcut(path, &target)) {
        switch (MessageBoxA(livePanel->panelWindow, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL)) {
        case IDYES:
            // A target that is not on disk (or none with a file-system path) gives
            // nothing to start: keep the shortcut itself rather than such an item.
            if (target.path[0]) {
                CopyText(path, target.path);
                named = target.widePath;
                taken = &target;
            } else if (target.widePath[0]) {
                ReportUnnamableFile(livePanel->panelWindow, target.widePath);
                return;
            }
            break;
        case IDNO:
            break;
        default:
            return;
        }
    }

    char name[kTextSize];
    ItemNameFor(named, path, name);
    int n = GetItemCount(page);
    AddFileItem(page, path, name);
    if (taken) {
        // The item does what the shortcut did: its arguments, its own working folder
        // and icon where it has them (else the target's folder and shell icon).
        SetItemParameter(page, n, taken->parameter);
        if (taken->workDir[0])
            SetItemWorkDir(page, n, taken->workDir);
        if (taken->iconPath[0])
            ReplaceItemIcon(page, n, taken->iconPath, taken->iconIndex);
    }
    InsertListItem(-1, GetItemName(page, n), GetItemImageIndex(page, n));
}
