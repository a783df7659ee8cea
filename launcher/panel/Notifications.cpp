// Notifications of the list view and the tab strip.
#include "panel/Notifications.h"

#include "data/LauncherData.h"
#include "panel/EmptyPageHint.h"
#include "panel/ItemDrag.h"
#include "panel/ItemTips.h"
#include "panel/Keys.h"
#include "panel/LabelEdit.h"
#include "panel/PanelViews.h"
#include "resource.h"

LRESULT HandleNotify(HWND, int controlId, NMHDR* header)
{
    if (!header)
        return 0;
    if (controlId == IDC_LIST_VIEW) {
        switch (header->code) {
        case NM_CUSTOMDRAW:
            return DrawEmptyPageHint(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        case LVN_KEYDOWN:
            HandleKey(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
            break;
        case LVN_ITEMACTIVATE:
            // A single click activates (one-click activation); it starts only
            // when double clicks are not asked for.
            if (launcherData.settings.doubleClick == 0)
                LaunchSelected();
            break;
        case NM_DBLCLK:
            if (launcherData.settings.doubleClick != 0)
                LaunchSelected();
            break;
        case LVN_BEGINDRAG:
            BeginItemDrag();
            break;
        // The panel answers WM_NOTIFYFORMAT with NFR_UNICODE: the W forms come.
        case LVN_BEGINLABELEDITW:
            BeginLabelEdit();
            break;
        case LVN_ENDLABELEDITW:
            EndLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header));
            break;
        case LVN_GETINFOTIPW:
            FillItemTip(reinterpret_cast<NMLVGETINFOTIPW*>(header));
            break;
        default:
            break;
        }
    } else if (controlId == IDC_TAB_CONTROL && header->code == TCN_SELCHANGE) {
        int tab = SelectedTab();
        if (tab >= 0)
            ShowPage(tab);
    } else if (controlId == IDC_TAB_CONTROL && header->code == TCN_KEYDOWN) {
        HandlePanelKey(reinterpret_cast<NMTCKEYDOWN*>(header)->wVKey);
    }
    return 0;
}
