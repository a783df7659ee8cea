#include "FileDrop.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "LauncherData.h"
#include "Launch.h"
#include "Panel.h"
#include "PanelViews.h"
#include "Texts.h"
#include "WidePaths.h"

static CLIPFORMAT idListFormat;
static bool hdropOffered;
static bool idListOffered;

void RegisterIdListFormat()
{
    idListFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(TEXT_IDLIST_FORMAT));
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
        idListOffered = Offers(data, idListFormat);
        SetEffect(effect);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        SetEffect(effect);
        ClearDropHighlight();
        int hit = HitTestList();
        if (hit != -1 && hdropOffered)
            SetDropHighlight(hit, LVIS_DROPHILITED);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        ClearDropHighlight();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        // The highlight of the last DragOver would otherwise stay on the item.
        ClearDropHighlight();
        // A window with a drop target gets no WM_DROPFILES from the platform (Wine's
        // X11 bridge sends one only when the drop reports no effect), so the files
        // are handed to the panel as a WM_DROPFILES of its own, handled once the
        // drag source has its answer: the shortcut question must not hold its loop.
        bool posted = hdropOffered && PostDroppedFiles(data);
        if (effect)
            *effect = posted ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }

    HWND targetWindow;
    LONG refCount = 1;
    IDataObject* dataObject = nullptr;  // the drag in progress; not reference-counted

private:
    ~PanelDropTarget() = default;

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

    static void SetEffect(DWORD* effect)
    {
        if (!effect)
            return;
        // Copy wins when both are offered; data offering neither is not accepted,
        // whatever the platform proposed.
        if (hdropOffered)
            *effect = DROPEFFECT_COPY;
        else if (idListOffered)
            *effect = DROPEFFECT_LINK;
        else
            *effect = DROPEFFECT_NONE;
    }

    static void SetDropHighlight(int item, UINT state)
    {
        LVITEMA change = {};
        change.stateMask = LVIS_DROPHILITED;
        change.state = state;
        SendMessageA(panelState.listView, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&change));
    }

    static void ClearDropHighlight() { SetDropHighlight(-1, 0); }
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

bool ResolveShortcut(const char* path, char* target, WCHAR* wideTarget)
{
    CoInitialize(nullptr);
    bool loaded = false;
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) {
        IPersistFile* file = nullptr;
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            WCHAR widePath[kTextSize] = {};
            MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kTextSize);
            loaded = SUCCEEDED(file->Load(widePath, STGM_READ));
            file->Release();
        }
        if (loaded) {
            // The target in UTF-16, so that a name the code page lacks is not lost
            // before it can be turned into its short form.
            WCHAR found[kTextSize] = {};
            WIN32_FIND_DATAW unused;
            link->GetPath(found, kTextSize, &unused, SLGP_UNCPRIORITY);
            found[kTextSize - 1] = L'\0';
            if (wideTarget)
                lstrcpyW(wideTarget, found);
            AnsiPathFor(found, target);
        }
        link->Release();
    }
    CoUninitialize();
    return loaded;
}

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
        ReportUnnamableFile(panelState.panelWindow, widePath);
        return;
    }

    int page = GetCurrentPage();
    int hit = HitTestList();
    if (hit != -1) {
        PathQuoteSpacesA(path);
        LaunchItem(page, hit, path);
        return;
    }

    char target[kTextSize] = {};
    WCHAR wideTarget[kTextSize] = {};
    const WCHAR* named = widePath;
    if (ResolveShortcut(path, target, wideTarget)) {
        switch (MessageBoxA(panelState.panelWindow, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL)) {
        case IDYES:
            // A target without a file-system path gives nothing to start: keep the
            // shortcut itself rather than an item with an empty path.
            if (target[0]) {
                CopyText(path, target);
                named = wideTarget;
            } else if (wideTarget[0]) {
                ReportUnnamableFile(panelState.panelWindow, wideTarget);
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
    AddItemFromFile(page, path, name);
    InsertListItem(-1, GetItemName(page, n), GetItemImageIndex(page, n));
}
