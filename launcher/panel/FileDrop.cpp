#include "panel/FileDrop.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "data/LauncherData.h"
#include "platform/Launch.h"
#include "platform/NativePaths.h"
#include "panel/Panel.h"
#include "panel/PanelViews.h"
#include "Texts.h"
#include "platform/WidePaths.h"

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
        DWORD chosen = effect ? FilesEffect(*effect) : DROPEFFECT_NONE;
        bool posted = hdropOffered && chosen != DROPEFFECT_NONE && PostDroppedFiles(data);
        if (effect)
            *effect = posted ? chosen : DROPEFFECT_NONE;
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

    static void SetEffect(DWORD* effect)
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

namespace {

// A text of the link with its environment strings expanded as a 64-bit program
// reads them: under WOW64 %ProgramFiles% names "Program Files (x86)" for this
// process, while a 64-bit Explorer wrote the link for "Program Files".
bool ExpandForTarget(const WCHAR* text, WCHAR* expanded)
{
    WCHAR native[kTextSize];
    lstrcpynW(native, text, kTextSize);
    if (RunsUnderWow64()) {
        static const WCHAR* const kNames[][2] = {{L"%ProgramFiles%", L"%ProgramW6432%"},
                                                 {L"%CommonProgramFiles%", L"%CommonProgramW6432%"}};
        for (const auto& name : kNames) {
            WCHAR* at = StrStrIW(native, name[0]);
            if (!at || lstrlenW(native) + lstrlenW(name[1]) - lstrlenW(name[0]) >= kTextSize)
                continue;
            WCHAR rest[kTextSize];
            lstrcpyW(rest, at + lstrlenW(name[0]));
            lstrcpyW(at, name[1]);
            lstrcatW(at, rest);
        }
    }
    DWORD length = ExpandEnvironmentStringsW(native, expanded, kTextSize);
    if (length == 0 || length > kTextSize)
        expanded[0] = L'\0';
    return expanded[0] != L'\0';
}

bool Exists(const WCHAR* path)
{
    WCHAR reached[kTextSize];
    ReachablePathW(path, reached);
    return path[0] && GetFileAttributesW(reached) != INVALID_FILE_ATTRIBUTES;
}

// The file the link starts, in the order that finds the true one from a 32-bit
// process: its item-id list, then its stored path read as a 64-bit program reads
// it, then the path the link object reports (which on 64-bit Windows a 32-bit
// caller gets expanded to "Program Files (x86)"). Only a target on disk counts.
bool FindTarget(IShellLinkW* link, WCHAR* found)
{
    WCHAR candidate[kTextSize] = {};
    LPITEMIDLIST items = nullptr;
    if (link->GetIDList(&items) == S_OK && items) {
        WCHAR fromItems[MAX_PATH] = {};
        bool named = SHGetPathFromIDListW(items, fromItems);
        CoTaskMemFree(items);
        if (named && Exists(fromItems)) {
            lstrcpyW(found, fromItems);
            return true;
        }
    }
    WCHAR raw[kTextSize] = {};
    if (SUCCEEDED(link->GetPath(raw, kTextSize, nullptr, SLGP_RAWPATH)) && ExpandForTarget(raw, candidate)
        && Exists(candidate)) {
        lstrcpyW(found, candidate);
        return true;
    }
    WIN32_FIND_DATAW unused;
    candidate[0] = L'\0';
    if (SUCCEEDED(link->GetPath(candidate, kTextSize, &unused, SLGP_UNCPRIORITY))) {
        candidate[kTextSize - 1] = L'\0';
        if (Exists(candidate)) {
            lstrcpyW(found, candidate);
            return true;
        }
    }
    return false;
}

bool IsAdvertised(IShellLinkW* link)
{
    IShellLinkDataList* data = nullptr;
    if (FAILED(link->QueryInterface(IID_IShellLinkDataList, reinterpret_cast<void**>(&data))))
        return false;
    DWORD flags = 0;
    bool advertised = SUCCEEDED(data->GetFlags(&flags)) && (flags & SLDF_HAS_DARWINID);
    data->Release();
    return advertised;
}

// Fills `target` from a loaded link; leaves it empty when the link itself is to be the item.
void ReadShortcut(IShellLinkW* link, ShortcutTarget* target)
{
    if (IsAdvertised(link) || !FindTarget(link, target->widePath))
        return;
    // Arguments and a working folder that the panel's texts cannot hold whole would
    // make an item that starts something else: the link itself does what it did.
    WCHAR text[INFOTIPSIZE] = {};
    WCHAR expanded[kTextSize] = {};
    if (FAILED(link->GetArguments(text, INFOTIPSIZE)))
        text[0] = L'\0';
    text[INFOTIPSIZE - 1] = L'\0';
    bool whole = ExactAnsiText(text, target->parameter, kTextSize);
    text[0] = L'\0';
    if (whole && SUCCEEDED(link->GetWorkingDirectory(text, kTextSize)) && text[0])
        whole = ExpandForTarget(text, expanded) && AnsiPathFor(expanded, target->workDir);
    if (!whole) {
        *target = ShortcutTarget{};
        target->iconIndex = -1;
        return;
    }
    // An icon of its own that is there and can be named; else the target's shell icon.
    int index = 0;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetIconLocation(text, kTextSize, &index)) && text[0] && ExpandForTarget(text, expanded)
        && Exists(expanded) && AnsiPathFor(expanded, target->iconPath))
        target->iconIndex = index;
    else
        target->iconPath[0] = '\0';
    AnsiPathFor(target->widePath, target->path);
}

}  // namespace

bool ResolveShortcut(const char* path, ShortcutTarget* target)
{
    *target = ShortcutTarget{};
    target->iconIndex = -1;
    // A thread of the multithreaded apartment refuses (RPC_E_CHANGED_MODE), and its
    // own initialisation is not the panel's to end.
    HRESULT initialised = CoInitialize(nullptr);
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
        if (loaded)
            ReadShortcut(link, target);
        link->Release();
    }
    if (initialised == S_OK || initialised == S_FALSE)
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

    ShortcutTarget target;
    const ShortcutTarget* taken = nullptr;
    const WCHAR* named = widePath;
    if (ResolveShortcut(path, &target)) {
        switch (MessageBoxA(panelState.panelWindow, TEXT_ASK_SHORTCUT_TARGET, TEXT_CAPTION, MB_YESNOCANCEL)) {
        case IDYES:
            // A target that is not on disk (or none with a file-system path) gives
            // nothing to start: keep the shortcut itself rather than such an item.
            if (target.path[0]) {
                CopyText(path, target.path);
                named = target.widePath;
                taken = &target;
            } else if (target.widePath[0]) {
                ReportUnnamableFile(panelState.panelWindow, target.widePath);
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
    if (taken) {
        // The item does what the shortcut did: its arguments, its own working folder
        // and icon where it has them (else the target's folder and shell icon).
        SetItemParameter(page, n, taken->parameter);
        if (taken->workDir[0])
            SetItemWorkDir(page, n, taken->workDir);
        if (taken->iconPath[0])
            SetItemIcon(page, n, taken->iconPath, taken->iconIndex);
    }
    InsertListItem(-1, GetItemName(page, n), GetItemImageIndex(page, n));
}
