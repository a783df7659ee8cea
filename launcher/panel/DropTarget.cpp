// The OLE drop target of the panel window: feedback while something is dragged
// over the panel, and the dropped files handed on as WM_DROPFILES.
#include "panel/DropTarget.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

#include "Texts.h"
#include "data/LauncherData.h"
#include "panel/PanelViews.h"
#include "resource.h"
#include "platform/ModuleRecord.h"

void RegisterIdListFormat()
{
    moduleRecord.idListFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(TEXT_IDLIST_FORMAT));
}

// The drop target gives feedback while something is dragged over the panel; the
// dropped files are handled as WM_DROPFILES.
struct PanelDropTarget final : public IDropTarget {
    explicit PanelDropTarget(HWND window) : targetWindow(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&refCount));
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&refCount);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        dataObject = data;
        hdropOffered = Offers(data, CF_HDROP);
        idListOffered = Offers(data, moduleRecord.idListFormat);
        hoverTab = -1;
        FollowTab();
        SetEffect(effect);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        SetEffect(effect);
        FollowTab();
        ClearDropHighlights();
        int hit = HitTestList();
        if (hit != -1 && hdropOffered)
            SetDropHighlight(hit);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        StopFollowingTab();
        ClearDropHighlights();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        // The highlight of the last DragOver would otherwise stay on the item.
        StopFollowingTab();
        ClearDropHighlights();
        // A window with a drop target gets no WM_DROPFILES from the platform (Wine's
        // X11 bridge sends one only when the drop reports no effect), so the files
        // are handed to the panel as a WM_DROPFILES of its own, handled once the
        // drag source has its answer: the shortcut question must not hold its loop.
        DWORD chosen = effect ? FilesEffect(*effect) : DROPEFFECT_NONE;
        bool posted = hdropOffered && chosen != DROPEFFECT_NONE && PostDroppedFiles(data);
        if (effect)
            *effect = posted ? chosen : DROPEFFECT_NONE;
        return S_OK;
    }

    HWND targetWindow;
    LONG refCount = 1;
    IDataObject* dataObject = nullptr;  // the drag in progress; not reference-counted
    // What the drag in progress offers, as DragEnter found it.
    bool hdropOffered = false;
    bool idListOffered = false;
    // The tab the cursor rests on while files are dragged, -1 when none; its page is
    // shown once the cursor has stayed there DRAG_HOVER_DELAY.
    int hoverTab = -1;

    void StopFollowingTab()
    {
        hoverTab = -1;
        KillTimer(targetWindow, ID_DRAG_HOVER_TIMER);
    }

private:
    ~PanelDropTarget() = default;

    // A new tab under the cursor starts the wait again; the shown page's own tab and
    // no tab end it.
    void FollowTab()
    {
        int tab = hdropOffered ? TabUnderCursor() : -1;
        if (tab == hoverTab)
            return;
        hoverTab = tab;
        if (tab != -1 && tab != GetCurrentPage())
            SetTimer(targetWindow, ID_DRAG_HOVER_TIMER, DRAG_HOVER_DELAY, nullptr);
        else
            KillTimer(targetWindow, ID_DRAG_HOVER_TIMER);
    }

    // Posts a copy of the data's drop block to the panel window, which frees it
    // with DragFinish. The copy ends in zeros, so a list the source left
    // unterminated ends inside it; a block whose list starts outside it is refused.
    bool PostDroppedFiles(IDataObject* data)
    {
        FORMATETC request = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (!data || data->GetData(&request, &medium) != S_OK)
            return false;
        HGLOBAL copy = nullptr;
        SIZE_T size = medium.tymed == TYMED_HGLOBAL ? GlobalSize(medium.hGlobal) : 0;
        auto* block = static_cast<const DROPFILES*>(size >= sizeof(DROPFILES) ? GlobalLock(medium.hGlobal) : nullptr);
        if (block) {
            if (block->pFiles >= sizeof(DROPFILES) && block->pFiles < size)
                copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 4 * sizeof(WCHAR));
            void* target = copy ? GlobalLock(copy) : nullptr;
            if (target) {
                memcpy(target, block, size);
                GlobalUnlock(copy);
            } else if (copy) {
                copy = GlobalFree(copy);
            }
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
        if (copy && !PostMessageA(targetWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(copy), 0))
            copy = GlobalFree(copy);
        return copy != nullptr;
    }

    static bool Offers(IDataObject* data, CLIPFORMAT format)
    {
        if (!data)
            return false;
        FORMATETC request = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return data->QueryGetData(&request) == S_OK;
    }

    // Of the effects the source allows, the one files are taken with: the panel
    // copies nothing, so any of them will do, but OLE refuses an effect the source
    // did not offer (a source that allows only link or move).
    static DWORD FilesEffect(DWORD allowed)
    {
        for (DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_LINK, DROPEFFECT_MOVE}) {
            if (allowed & effect)
                return effect;
        }
        return DROPEFFECT_NONE;
    }

    void SetEffect(DWORD* effect) const
    {
        if (!effect)
            return;
        // Files win when both are offered; data offering neither is not accepted,
        // whatever the platform proposed.
        if (hdropOffered)
            *effect = FilesEffect(*effect);
        else if (idListOffered)
            *effect = DROPEFFECT_LINK;
        else
            *effect = DROPEFFECT_NONE;
    }
};

PanelDropTarget* CreatePanelDropTarget(HWND window)
{
    PanelDropTarget* target = new PanelDropTarget(window);
    if (window)
        RegisterDragDrop(window, target);  // the registration holds its own reference
    return target;
}

void DestroyPanelDropTarget(PanelDropTarget* target)
{
    if (!target)
        return;
    if (target->targetWindow) {
        RevokeDragDrop(target->targetWindow);
        // File lists posted by a drop and not handled yet go with the window's
        // queue; their blocks are the receiver's to free.
        MSG pending;
        while (PeekMessageA(&pending, target->targetWindow, WM_DROPFILES, WM_DROPFILES, PM_REMOVE))
            DragFinish(reinterpret_cast<HDROP>(pending.wParam));
    }
    target->Release();
}

void OnDragHoverTimer(PanelDropTarget* target)
{
    if (!target)
        return;
    KillTimer(target->targetWindow, ID_DRAG_HOVER_TIMER);
    int tab = target->hoverTab;
    if (tab != -1 && TabUnderCursor() == tab)
        ShowPage(tab);
}
