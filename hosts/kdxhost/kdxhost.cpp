// kdxhost: the least browser that can host a KDX panel plug-in. A resizable frame
// with a side bar on the left, whose innermost pane is the panel's parent, and a
// list of the host's tabs on the right.
//
//   kdxhost.exe <plugin.kdx> <settingFolder> [--size WxH] [--exit-after MS] [--quiet]
//               [--show menu|properties]
//
// --size places the frame at the screen's top left with that outer size;
// --exit-after closes it (destroying the panel as a user's close does) after MS ms;
// --quiet reports a refused plug-in on stderr only, without a message box;
// --show opens the panel's context menu, or the first item's properties, a moment
// after start (for pictures of them); --exit-after then closes them first.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "HostCommandLine.h"
#include "KdxHostCore.h"

namespace {

enum ExitCode {
    ExitNormal = 0,
    ExitUsage = 1,
    // 2 to 6: a refused plug-in, in the order of KdxLoadResult
    ExitNoPanel = 7,
};

constexpr const char* kFrameClass = "KdxHostFrame";
constexpr const char* kPaneClass = "KdxHostPane";
constexpr int kSideBarWidth = 280;
constexpr UINT_PTR kExitTimer = 1;
constexpr UINT_PTR kShowTimer = 2;
constexpr UINT kShowDelayMs = 1500;
constexpr int kPropertiesCommand = 10008;  // the panel's "プロパティ(&P)..." command
constexpr int kPanelListViewId = 20001;

struct Options {
    const char* pluginPath = nullptr;
    const char* settingFolder = nullptr;
    int width = 0;
    int height = 0;
    int exitAfterMs = 0;
    bool quiet = false;
    const char* show = nullptr;  // "menu" or "properties"
};

KdxPlugin plugin;
HWND frame = nullptr;
HWND sideBar = nullptr;
HWND pane = nullptr;
HWND tabList = nullptr;
HWND panel = nullptr;
const char* showWhat = nullptr;

int ExitCodeFor(KdxLoadResult result)
{
    return 1 + static_cast<int>(result);  // NotLoadable is 2, InitializeRefused 6
}

void Report(const Options& options, const char* text)
{
    fprintf(stderr, "kdxhost: %s\n", text);
    fflush(stderr);
    if (!options.quiet)
        MessageBoxA(nullptr, text, "kdxhost", MB_OK | MB_ICONERROR);
}

// The paths in the code page, as the KDX side of the host speaks it.
const char* AnsiText(const wchar_t* text, char* buffer, int size)
{
    if (!WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, size, nullptr, nullptr))
        buffer[0] = '\0';
    return buffer;
}

bool ParseOptions(Options* options)
{
    HostCommandLine commandLine;
    static char pluginPath[MAX_PATH * 2];
    static char settingFolder[MAX_PATH * 2];
    enum { Quiet, Size, Show, ExitAfter };
    HostOption named[] = {
        {L"--quiet", false, nullptr},
        {L"--size", true, nullptr},
        {L"--show", true, nullptr},
        {L"--exit-after", true, nullptr},
    };
    const wchar_t* positional[2] = {};
    int positionalCount = 0;
    if (!commandLine.Parse(named, 4, positional, 2, &positionalCount, L"--") || positionalCount != 2)
        return false;
    options->quiet = named[Quiet].found != nullptr;
    if (named[Size].found && !ParseHostSize(named[Size].found, &options->width, &options->height))
        return false;
    if (named[Show].found) {
        if (lstrcmpW(named[Show].found, L"menu") == 0)
            options->show = "menu";
        else if (lstrcmpW(named[Show].found, L"properties") == 0)
            options->show = "properties";
        else
            return false;
    }
    options->exitAfterMs = ParseHostNumber(named[ExitAfter].found);
    options->pluginPath = AnsiText(positional[0], pluginPath, sizeof pluginPath);
    options->settingFolder = AnsiText(positional[1], settingFolder, sizeof settingFolder);
    return true;
}

void ShowTabs()
{
    if (!tabList)
        return;
    SendMessageA(tabList, LB_RESETCONTENT, 0, 0);
    const KdxHostState& state = HostState();
    for (size_t i = 0; i < state.tabs.size(); ++i) {
        std::string line = (static_cast<int>(i) == state.currentTab ? "> " : "  ") + state.tabs[i].title + "  -  "
                           + state.tabs[i].address;
        SendMessageA(tabList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

// --show: what a user opens by a right click, or by the properties command on the
// first item. Both run modal loops of the panel's own; the timers keep firing there.
void ShowPanelUi()
{
    if (!panel || !showWhat)
        return;
    HWND list = GetDlgItem(panel, kPanelListViewId);
    if (strcmp(showWhat, "menu") == 0) {
        RECT rect;
        GetWindowRect(list ? list : panel, &rect);
        SetCursorPos(rect.left + 40, rect.top + 150);
        PostMessageA(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), -1);
        return;
    }
    if (list) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
    PostMessageA(panel, WM_COMMAND, kPropertiesCommand, 0);
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Before closing: an open menu or dialog of the panel ends as a user's Escape would.
void CloseModalUi()
{
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

// Side bar and pane: each keeps its one child filling it, down to the panel.
LRESULT CALLBACK PaneWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        HWND child = GetWindow(window, GW_CHILD);
        if (child)
            MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: {
        int width = LOWORD(lParam);
        int height = HIWORD(lParam);
        int side = width < kSideBarWidth ? width : kSideBarWidth;
        MoveWindow(sideBar, 0, 0, side, height, TRUE);
        MoveWindow(tabList, side + 4, 0, width - side - 4 > 0 ? width - side - 4 : 0, height, TRUE);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kShowTimer) {
            KillTimer(window, kShowTimer);
            ShowPanelUi();
        } else if (wParam == kExitTimer) {
            KillTimer(window, kExitTimer);
            CloseModalUi();
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_CLOSE:
        // The plug-in tears its panel down while its parent still exists.
        plugin.Destroy();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateFrame(const Options& options, const char* pluginPath)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameWndProc;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    frameClass.lpszClassName = kFrameClass;
    RegisterClassA(&frameClass);

    WNDCLASSA paneClass = {};
    paneClass.lpfnWndProc = PaneWndProc;
    paneClass.hInstance = instance;
    paneClass.hCursor = frameClass.hCursor;
    paneClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    paneClass.lpszClassName = kPaneClass;
    RegisterClassA(&paneClass);

    std::string title = std::string("kdxhost - ") + PathFindFileNameA(pluginPath);
    bool placed = options.width > 0 && options.height > 0;
    frame = CreateWindowExA(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            placed ? 0 : CW_USEDEFAULT, placed ? 0 : CW_USEDEFAULT,
                            placed ? options.width : 760, placed ? options.height : 520, nullptr, nullptr,
                            instance, nullptr);
    if (!frame)
        return false;
    // Side bar and pane: the panel's parent has a window three levels above the panel.
    sideBar = CreateWindowExA(0, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kSideBarWidth,
                              100, frame, nullptr, instance, nullptr);
    pane = CreateWindowExA(0, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kSideBarWidth, 100,
                           sideBar, nullptr, instance, nullptr);
    tabList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOSEL | LBS_NOINTEGRALHEIGHT, 0,
                              0, 100, 100, frame, nullptr, instance, nullptr);
    SendMessageA(tabList, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return true;
}

void AddStartTabs()
{
    KdxHostState& state = HostState();
    state.tabs.push_back({"Start page", "about:start", 1, ""});
    state.tabs.push_back({"Example", "http://example.com/", 2, ""});
    state.currentTab = 0;
    state.tabsChanged = ShowTabs;
}

}  // namespace

int main()
{
    Options options;
    if (!ParseOptions(&options)) {
        fprintf(stderr,
                "usage: kdxhost.exe <plugin.kdx> <settingFolder> [--size WxH] [--exit-after MS] [--quiet]\n"
                "                   [--show menu|properties]\n");
        return ExitUsage;
    }

    KdxHostState& state = HostState();
    char programPath[MAX_PATH];
    GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    std::string programFolder = programPath;
    programFolder.erase(programFolder.find_last_of('\\') + 1);
    state.folders[KdxFolder0] = programFolder;
    state.folders[KdxFolderSetting] = HostFolderText(options.settingFolder);
    std::string pluginFolder = HostFolderText(options.pluginPath);
    pluginFolder.erase(pluginFolder.find_last_of('\\', pluginFolder.size() - 2) + 1);
    state.folders[KdxFolder2] = pluginFolder;

    KdxLoadResult result = plugin.Load(options.pluginPath);
    if (result != KdxLoadResult::Loaded) {
        std::string text = std::string(options.pluginPath) + " refused: " + DescribeKdxLoadResult(result);
        Report(options, text.c_str());
        return ExitCodeFor(result);
    }

    if (!CreateFrame(options, options.pluginPath)) {
        Report(options, "the frame window could not be created");
        return ExitNoPanel;
    }
    state.messageBoxOwner = frame;
    AddStartTabs();
    ShowTabs();

    panel = plugin.Create(pane);
    if (!panel) {
        plugin.Destroy();
        DestroyWindow(frame);
        std::string text = std::string(options.pluginPath) + ": create returned no panel window";
        Report(options, text.c_str());
        return ExitNoPanel;
    }

    ShowWindow(frame, SW_SHOWNORMAL);
    RECT client;
    GetClientRect(frame, &client);
    SendMessageA(frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    UpdateWindow(frame);
    if (options.exitAfterMs > 0)
        SetTimer(frame, kExitTimer, static_cast<UINT>(options.exitAfterMs), nullptr);
    if (options.show) {
        showWhat = options.show;
        SetTimer(frame, kShowTimer, kShowDelayMs, nullptr);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    plugin.Destroy();  // when the loop ended without a close

    if (state.outstandingBlocks != 0)
        fprintf(stderr, "kdxhost: %ld blocks handed to the plug-in were never freed\n", state.outstandingBlocks);
    return ExitNormal;
}
