// The plug-in's outer shell: module entry, the two KDX exports, the panel's
// creation and destruction, its window procedure and its layout.
#include "panel/Panel.h"

#include <ole2.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <string>

#include "Texts.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"
#include "panel/AutoSave.h"
#include "panel/Commands.h"
#include "panel/DropTarget.h"
#include "panel/FileDrop.h"
#include "panel/ItemImages.h"
#include "panel/ItemDrag.h"
#include "panel/Keys.h"
#include "panel/LabelEdit.h"
#include "panel/Notifications.h"
#include "panel/PanelRecord.h"
#include "panel/PanelViews.h"
#include "panel/ShortPathRepair.h"
#include "platform/ActivationScope.h"
#include "platform/Launch.h"
#include "platform/ModuleRecord.h"
#include "platform/ModuleRuntime.h"
#include "platform/Workers.h"
#include "resource.h"

PanelRecord* livePanel = nullptr;

namespace {

constexpr DWORD kPanelStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kListViewExStyle = WS_EX_STATICEDGE;
constexpr DWORD kTabControlStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_MULTILINE | TCS_BUTTONS | TCS_FLATBUTTONS | TCS_HOTTRACK;
constexpr DWORD kListViewExtendedStyle = LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT | LVS_EX_INFOTIP;
constexpr int kPanelInitialSize = 200;
// How long destroy waits for the panel's workers to end (ms).
constexpr DWORD kWorkerEndWait = 250;

// The host's setting folder (service 19, selector 1). The host speaks its ANSI
// code page: the text is converted with that page here, at the boundary. Empty
// when the host has no folder, or when its text is too long for the settings
// path (SetSettingsFolder then refuses it: a cut folder names some other place).
std::wstring AskSettingFolder(KdxHostServices* services)
{
    if (!services || !services->service)
        return std::wstring();
    char* text = nullptr;
    int32_t result = services->service(KdxServiceFolder, KdxFolderSetting, reinterpret_cast<uintptr_t>(&text));
    if (result != KdxResultDone || !text)
        return std::wstring();  // nothing was handed over: no pointer to read, nothing to release
    std::wstring folder;
    size_t length = strnlen(text, kMaxTextUnits + 1);
    if (length <= kMaxTextUnits) {
        folder.resize(length);
        folder.resize(MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &folder[0],
                                          static_cast<int>(length)));
    }
    if (services->free)
        services->free(text);
    return folder;
}

void OnShowWindow(HWND window)
{
    // Once per panel: the first layout runs before the host has settled the panel's
    // size and the tab font has arrived, so it is done again a little later.
    if (livePanel->layoutTimerStarted)
        return;
    SetTimer(window, ID_LAYOUT_TIMER, LAYOUT_TIMER_PERIOD, nullptr);
    livePanel->layoutTimerStarted = true;
}

void OnTimer(HWND window, WPARAM id)
{
    if (id == ID_SAVE_TIMER)
        OnSaveTimer(window);
    if (id == ID_DRAG_HOVER_TIMER)
        OnDragHoverTimer(livePanel->dropTarget);
    if (id != ID_LAYOUT_TIMER)
        return;
    KillTimer(window, ID_LAYOUT_TIMER);
    RequestLayout();
}

// The panel's windows, its OLE and its record go; the module stays as it is.
void EndPanel()
{
    if (!livePanel)
        return;
    SetChangeHook(nullptr);
    RestoreRenameTitle();
    // One panel per module load: every worker task is this panel's. Nothing waits
    // for a worker; what they post from now on is dropped, and what they posted
    // already is taken back before the window goes.
    ShutdownWorkers();
    // Workers reading local files return within moments: waited for briefly, so that
    // the host's FreeLibrary right after destroy unloads the module as it always did.
    // One that hangs on a file is not waited for longer than this.
    WaitForWorkersToEnd(kWorkerEndWait);
    if (livePanel->panelWindow)
        DiscardPostedResults(livePanel->panelWindow, WM_ICONS_READY, ReleaseIconBatch);
    if (livePanel->panelWindow) {
        DiscardPostedResults(livePanel->panelWindow, WM_SAVE_DONE, ReleaseSaveDone);
        DiscardPostedResults(livePanel->panelWindow, WM_START_DONE, ReleaseStartRequest);
        DiscardPostedResults(livePanel->panelWindow, WM_DROP_READY, ReleaseDropRequest);
        DiscardPostedResults(livePanel->panelWindow, WM_PATHS_REPAIRED, ReleasePathRepair);
    }
    ForgetWaitingDrops();
    EndAutoSave();
    DestroyPanelWindows();
    if (livePanel->oleStarted)
        OleUninitialize();
    delete livePanel;
    livePanel = nullptr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        moduleRecord.instance = instance;
        RegisterIdListFormat();
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        ReleaseModuleRuntime();  // FreeLibrary, not the process's exit
    }
    if (reason == DLL_PROCESS_DETACH && !reserved)
        ReleaseActivationContext();  // a host that showed the menu without a panel made one
    return TRUE;
}

extern "C" uint16_t KDX_CALL KDX_GetPluginInfo()
{
    return 0x6701;  // low byte 1: a panel plug-in
}

extern "C" int32_t KDX_CALL KDX_Initialize(KdxPluginTable* table)
{
    // Only the three entries the panel has; tick and forward stay as the host left them.
    table->create = CreatePanel;
    table->destroy = DestroyPanel;
    table->menu = ShowPanelMenu;
    return 0;
}

HWND KDX_CALL CreatePanel(KdxHostServices* services, HWND parent)
{
    // One panel per module load: its pages and settings path are module-wide, and a
    // second panel would take them over.
    if (livePanel)
        return nullptr;
    ActivationScope scope;
    // A panel starts from its file alone: nothing of an earlier panel of this module
    // load survives (its record is gone), so neither its pages nor its settings
    // path can reach this one's save.
    livePanel = new PanelRecord();
    livePanel->generation = NewWorkerGeneration();
    livePanel->oleStarted = SUCCEEDED(OleInitialize(nullptr));
    ResetLauncherData();

    if (!CreatePanelWindows(parent)) {
        EndPanel();
        return nullptr;
    }

    SetSettingsFolder(AskSettingFolder(services).c_str());
    LoadSettings();
    // The views need a page to show; a file that yields none still gives a usable panel.
    if (GetPageCount() == 0)
        AddPage();
    livePanel->settingsLoaded = true;

    ApplySettings();
    SetChangeHook(NoteChange);
    StartAutoSave();
    RepairShortPaths();
    return livePanel->panelWindow;
}

int32_t KDX_CALL DestroyPanel(KdxHostServices*, HWND window)
{
    // Only the live panel's own window tears it down, not the none of a refused
    // create that a host hands back.
    if (livePanel && livePanel->panelWindow && window != livePanel->panelWindow)
        return 0;
    ActivationScope scope;
    // Only a panel that read the file writes it at destroy, and once: nothing after
    // a failed creation, nothing on a second destroy.
    if (livePanel && livePanel->settingsLoaded)
        SaveAtDestroy();
    EndPanel();
    ReleaseActivationContext();
    return 0;
}

int32_t KDX_CALL ShowPanelMenu(uint32_t, HWND owner, uint32_t, uint32_t)
{
    ActivationScope scope;
    ShowContextMenu(owner);  // the chosen command goes to `owner`
    return 0;
}

bool CreatePanelWindows(HWND parent)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = PanelWndProc;
    windowClass.hInstance = moduleRecord.instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = TEXT_PANEL_CLASS;
    // Registered for each panel and unregistered once its window is gone: Windows
    // keeps a module's classes after it is unloaded, and a class left behind would
    // point into freed code.
    RegisterClassW(&windowClass);

    livePanel->panelWindow = CreateWindowExW(0, TEXT_PANEL_CLASS, TEXT_PANEL_WINDOW, kPanelStyle, 0, 0,
                                             kPanelInitialSize, kPanelInitialSize, parent, nullptr,
                                             moduleRecord.instance, nullptr);
    if (!livePanel->panelWindow) {
        UnregisterClassW(TEXT_PANEL_CLASS, moduleRecord.instance);
        return false;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    livePanel->largeImageList = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 0);
    livePanel->smallImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);

    livePanel->listView = CreateWindowExW(kListViewExStyle, WC_LISTVIEWW, L"", ListViewStyleFor(IDM_LARGE_ICONS),
                                          0, 0, 0, 0, livePanel->panelWindow,
                                          reinterpret_cast<HMENU>(IDC_LIST_VIEW), moduleRecord.instance, nullptr);
    SetUpListView(kListViewExtendedStyle);

    livePanel->tabControl = CreateWindowExW(0, WC_TABCONTROLW, L"", kTabControlStyle, 0, 0, 0, 0,
                                            livePanel->panelWindow, reinterpret_cast<HMENU>(IDC_TAB_CONTROL),
                                            moduleRecord.instance, nullptr);

    DragAcceptFiles(livePanel->panelWindow, TRUE);
    livePanel->dropTarget = CreatePanelDropTarget(livePanel->panelWindow);
    return true;
}

void DestroyPanelWindows()
{
    if (livePanel->dropTarget) {
        DestroyPanelDropTarget(livePanel->dropTarget);  // revoke, then release the panel's reference
        livePanel->dropTarget = nullptr;
    }
    if (livePanel->tabControl) {
        DestroyWindow(livePanel->tabControl);
        livePanel->tabControl = nullptr;
    }

    // The list view has no LVS_SHAREIMAGELISTS, so it would destroy its image lists
    // itself. They are taken back from it first and destroyed below, once each; if a
    // host already destroyed the list view with its own windows, the list view has
    // released them and they must not be destroyed again.
    bool imageListsReleased = false;
    if (livePanel->listView) {
        if (IsWindow(livePanel->listView)) {
            TakeBackImageLists();
            DestroyWindow(livePanel->listView);
        } else {
            imageListsReleased = true;
        }
        livePanel->listView = nullptr;
    }
    if (livePanel->largeImageList) {
        if (!imageListsReleased)
            ImageList_Destroy(livePanel->largeImageList);
        livePanel->largeImageList = nullptr;
    }
    if (livePanel->smallImageList) {
        if (!imageListsReleased)
            ImageList_Destroy(livePanel->smallImageList);
        livePanel->smallImageList = nullptr;
    }
    if (livePanel->panelWindow) {
        DestroyWindow(livePanel->panelWindow);
        livePanel->panelWindow = nullptr;
        UnregisterClassW(TEXT_PANEL_CLASS, moduleRecord.instance);
    }
}

void LayoutPanel(int width, int height)
{
    // WM_SIZE also arrives while the panel window itself is being created, before
    // its controls exist.
    if (!livePanel->tabControl || !livePanel->listView)
        return;

    // The tab control takes its new size first: its WM_SIZE wraps the tabs into the
    // rows of the new width, and the display rectangle is measured below those.
    SetWindowPos(livePanel->tabControl, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);

    RECT display = {};
    GetClientRect(livePanel->panelWindow, &display);
    TabDisplayArea(&display);

    // SWP_FRAMECHANGED: the list view's static edge may just have come or gone.
    constexpr UINT flags = SWP_NOZORDER | SWP_FRAMECHANGED;
    if (launcherData.settings.showTab != 0) {
        int top = display.top;
        int listHeight = height > top ? height - top : 0;
        SetWindowPos(livePanel->listView, nullptr, 0, top, width, listHeight, flags);
    } else {
        SetWindowPos(livePanel->listView, nullptr, 0, 0, width, height, flags);
    }
    InvalidateRect(livePanel->panelWindow, nullptr, FALSE);
}

bool HandleWorkerResult(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ICONS_READY:
        OnIconsReady(static_cast<DWORD>(wParam), reinterpret_cast<void*>(lParam));
        return true;
    case WM_DROP_READY:
        OnDropReady(static_cast<DWORD>(wParam), reinterpret_cast<void*>(lParam));
        return true;
    case WM_START_DONE:
        OnStartDone(window, reinterpret_cast<void*>(lParam));
        return true;
    case WM_SAVE_DONE:
        OnSaveDone(static_cast<DWORD>(wParam), reinterpret_cast<void*>(lParam));
        return true;
    case WM_PATHS_REPAIRED:
        OnPathsRepaired(static_cast<DWORD>(wParam), reinterpret_cast<void*>(lParam));
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The window is made and destroyed while its panel's record lives.
    if (!livePanel)
        return DefWindowProcW(window, message, wParam, lParam);
    ActivationScope scope;  // what a message opens (menus, dialogs, boxes) uses common controls 6
    switch (message) {
    case WM_SIZE:
        LayoutPanel(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SHOWWINDOW:
        OnShowWindow(window);
        return 0;
    case WM_NOTIFYFORMAT:
        // The list view and the tab strip send their W notifications
        // (LVN_ENDLABELEDITW, ...) only to a parent that asks for them.
        return NFR_UNICODE;
    case WM_NOTIFY:
        return HandleNotify(window, static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        ShowContextMenu(window);
        return 0;
    case WM_COMMAND:
        HandleCommand(window, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    case WM_MOUSEMOVE:
        if (livePanel->dragging)
            TrackItemDrag();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a popup, a prompt, the system's own switch):
        // the button's release will not come here, so the drag ends, nothing moved.
        if (reinterpret_cast<HWND>(lParam) != window)
            AbandonItemDrag();
        return 0;
    case WM_CANCELMODE:
        AbandonItemDrag();
        break;  // DefWindowProc releases a capture it still holds
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_KEYDOWN:
        // A click on the panel's own background gives it the focus.
        if (HandlePanelKey(static_cast<WORD>(wParam)))
            return 0;
        break;
    case WM_LBUTTONUP:
        // Signed: the captured mouse may be left of or above the panel.
        EndItemDrag(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_ICONS_READY:
    case WM_DROP_READY:
    case WM_START_DONE:
    case WM_SAVE_DONE:
    case WM_PATHS_REPAIRED:
        HandleWorkerResult(window, message, wParam, lParam);
        return 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
