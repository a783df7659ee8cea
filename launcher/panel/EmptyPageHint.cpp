// The hint is drawn over the list view's own painting, centred in its client area in
// the list's font and the system's grey text colour. A page that gains its first item
// or loses its last is repainted whole, so no piece of the hint stays behind the icons
// and no half of it is drawn into a partial repaint.
#include "panel/EmptyPageHint.h"

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/PanelRecord.h"

namespace {

// Room kept between the hint and the list's edges (pixels at 96 dpi).
constexpr int kHintMargin = 12;

void DrawHint(HWND list, HDC dc)
{
    RECT area;
    GetClientRect(list, &area);
    int margin = MulDiv(kHintMargin, GetDeviceCaps(dc, LOGPIXELSX), 96);
    InflateRect(&area, -margin, -margin);
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    // Centred as a block: measured first, then placed in the middle of the area.
    RECT text = area;
    DrawTextW(dc, TEXT_EMPTY_PAGE_HINT, -1, &text, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    int height = text.bottom - text.top;
    text.left = area.left;
    text.right = area.right;
    text.top = area.top + ((area.bottom - area.top) - height) / 2;
    text.bottom = text.top + height;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, TEXT_EMPTY_PAGE_HINT, -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont)
        SelectObject(dc, oldFont);
}

}  // namespace

LRESULT DrawEmptyPageHint(NMLVCUSTOMDRAW* draw)
{
    if (!livePanel || draw->nmcd.hdr.hwndFrom != livePanel->listView)
        return CDRF_DODEFAULT;
    bool empty = GetItemCount(GetCurrentPage()) == 0;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        if (empty != livePanel->emptyHintShown) {
            livePanel->emptyHintShown = empty;
            InvalidateRect(livePanel->listView, nullptr, TRUE);
        }
        return empty ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    case CDDS_POSTPAINT:
        if (empty)
            DrawHint(livePanel->listView, draw->nmcd.hdc);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}
