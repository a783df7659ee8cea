// vantrelhost.exe: the stand-in newer host. A frame with a side pane that holds
// one .vx panel plug-in, the host's tabs on the right and a log of what the
// plug-in asked the host to do.
//
//   vantrelhost.exe [/plugins <folder>] [/profile <folder>] [/size <w>x<h>] [/exit <ms>] <plugin.vx>
//
// Folders: 1 the program's folder, 2 the plug-in folder (holding kdx\ and
// KdxPanel.ini; default: the .vx file's folder), 5 the profile folder (default:
// the plug-in folder; the KDX setting folder is its "setting\"), 17 the
// profile's "cache\". The frame stands at the screen's top left corner, 900 by
// 600 unless /size says otherwise; with /exit it closes itself after that many ms.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "HostCommandLine.h"
#include "HostObjects.h"
#include "PanelSession.h"

namespace {

constexpr wchar_t kFrameClass[] = L"VantrelHostFrame";
constexpr wchar_t kPaneClass[] = L"VantrelHostPane";
constexpr int kPaneWidth = 320;
constexpr int kLineHeight = 22;
constexpr int kGap = 4;
constexpr UINT_PTR kExitTimer = 1;
constexpr int kTabStripId = 100;

struct HostWindow {
    HostObjects host;
    PanelSession session;
    HWND frame = nullptr;
    HWND pane = nullptr;
    HWND tabStrip = nullptr;
    HWND addressLabel = nullptr;
    HWND logCaption = nullptr;
    HWND logList = nullptr;
    wchar_t pluginPath[MAX_PATH] = {};
    UINT exitAfter = 0;
    int width = 900;
    int height = 600;
};

HostWindow* hostWindow;

// Folders are MAX_PATH buffers.
void WithSeparator(wchar_t* folder)
{
    size_t length = wcslen(folder);
    if (length > 0 && length + 1 < MAX_PATH && folder[length - 1] != L'\\' && folder[length - 1] != L'/')
        lstrcatW(folder, L"\\");
}

void FullPath(wchar_t* path)
{
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH)
        lstrcpynW(path, full, MAX_PATH);
}

void FolderOf(const wchar_t* path, wchar_t* folder)
{
    lstrcpynW(folder, path, MAX_PATH);
    wchar_t* slash = wcsrchr(folder, L'\\');
    wchar_t* other = wcsrchr(folder, L'/');
    if (other > slash)
        slash = other;
    if (slash)
        slash[1] = 0;
    else
        folder[0] = 0;
}

void ProgramFolder(wchar_t* folder)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    FolderOf(path, folder);
}

void ShowTabs(void* context)
{
    auto* w = static_cast<HostWindow*>(context);
    if (!w->tabStrip)
        return;
    SendMessageW(w->tabStrip, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < w->host.TabCount(); ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(w->host.TabTitle(i));
        SendMessageW(w->tabStrip, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    int current = w->host.CurrentTab();
    SendMessageW(w->tabStrip, TCM_SETCURSEL, current, 0);
    SetWindowTextW(w->addressLabel, current >= 0 ? w->host.TabAddress(current) : L"");
}

void ShowLogLine(void* context, const wchar_t* line)
{
    auto* w = static_cast<HostWindow*>(context);
    if (w->logList)
        SendMessageW(w->logList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

void Layout(HostWindow* w)
{
    RECT client;
    GetClientRect(w->frame, &client);
    int height = client.bottom;
    MoveWindow(w->pane, 0, 0, kPaneWidth, height, TRUE);
    int right = kPaneWidth + kGap;
    MoveWindow(w->tabStrip, right, 0, client.right - right, height, TRUE);
    RECT page = {right, 0, client.right, height};
    SendMessageW(w->tabStrip, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    int width = page.right - page.left - 2 * kGap;
    int top = page.top + kGap;
    MoveWindow(w->addressLabel, page.left + kGap, top, width, kLineHeight, TRUE);
    top += kLineHeight + 2 * kGap;
    MoveWindow(w->logCaption, page.left + kGap, top, width, kLineHeight, TRUE);
    top += kLineHeight;
    MoveWindow(w->logList, page.left + kGap, top, width, page.bottom - top - kGap, TRUE);
    // The host sizes the panel to its pane; the panel never sizes itself.
    if (w->session.window()) {
        RECT pane;
        GetClientRect(w->pane, &pane);
        MoveWindow(w->session.window(), 0, 0, pane.right, pane.bottom, TRUE);
    }
}

bool OnCreate(HostWindow* w, HWND frame)
{
    w->frame = frame;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    w->pane = CreateWindowExW(WS_EX_CLIENTEDGE, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                              0, frame, nullptr, instance, nullptr);
    w->tabStrip = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                  frame, reinterpret_cast<HMENU>(kTabStripId), instance, nullptr);
    w->addressLabel = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0,
                                      0, 0, frame, nullptr, instance, nullptr);
    w->logCaption = CreateWindowExW(0, L"STATIC", L"プラグインからの要求:", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                                    nullptr, instance, nullptr);
    w->logList = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                                 0, 0, 0, 0, frame, nullptr, instance, nullptr);
    const HWND controls[] = {w->tabStrip, w->addressLabel, w->logCaption, w->logList};
    for (HWND control : controls)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(w->host.font()), FALSE);
    ShowTabs(w);

    if (!w->session.Load(w->pluginPath))
        return false;
    wchar_t title[300] = L"Vantrel - ";
    w->session.Name(title + 10, 290);
    SetWindowTextW(frame, title);
    w->session.Create(w->pane);
    Layout(w);
    w->session.Show(true);
    if (w->exitAfter)
        SetTimer(frame, kExitTimer, w->exitAfter, nullptr);
    return true;
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    HostWindow* w = hostWindow;
    switch (message) {
    case WM_CREATE:
        return OnCreate(w, frame) ? 0 : -1;
    case WM_SIZE:
        Layout(w);
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == kTabStripId && header->code == TCN_SELCHANGE)
            w->host.SetCurrentTab(static_cast<int>(SendMessageW(w->tabStrip, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    case WM_TIMER:
        if (wParam == kExitTimer)
            DestroyWindow(frame);
        return 0;
    case WM_DESTROY:
        // The panel goes while its pane still exists: its destroy entry saves
        // from its own windows.
        w->session.Close();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

// `plugins` and `profile` are MAX_PATH buffers.
bool ParseCommandLine(HostWindow* w, wchar_t* plugins, wchar_t* profile)
{
    HostCommandLine commandLine;
    enum { Plugins, Profile, Exit, Size };
    HostOption named[] = {
        {L"/plugins", true, nullptr},
        {L"/profile", true, nullptr},
        {L"/exit", true, nullptr},
        {L"/size", true, nullptr},
    };
    const wchar_t* plugin = nullptr;
    int positionalCount = 0;
    if (!commandLine.Parse(named, 4, &plugin, 1, &positionalCount, nullptr) || !plugin)
        return false;
    if (named[Plugins].found)
        lstrcpynW(plugins, named[Plugins].found, MAX_PATH);
    if (named[Profile].found)
        lstrcpynW(profile, named[Profile].found, MAX_PATH);
    w->exitAfter = static_cast<UINT>(ParseHostNumber(named[Exit].found));
    ParseHostSize(named[Size].found, &w->width, &w->height);
    lstrcpynW(w->pluginPath, plugin, MAX_PATH);
    return true;
}

void AddDemoTabs(HostObjects& host)
{
    host.AddTab(L"スタートページ", L"about:start", 1);
    host.AddTab(L"ニュース", L"https://news.example.jp/", 2);
    host.AddTab(L"天気予報", L"https://weather.example.jp/tokyo", 3);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HostWindow w;
    hostWindow = &w;
    w.host.context = &w;
    w.host.onTabsChanged = ShowTabs;
    w.host.onLog = ShowLogLine;
    wchar_t plugins[MAX_PATH] = {};
    wchar_t profile[MAX_PATH] = {};
    if (!ParseCommandLine(&w, plugins, profile)) {
        MessageBoxW(nullptr, L"vantrelhost.exe [/plugins <folder>] [/profile <folder>] [/size <w>x<h>] [/exit <ms>] <plugin.vx>",
                    L"Vantrel", MB_OK);
        return 2;
    }
    FullPath(w.pluginPath);
    if (plugins[0])
        FullPath(plugins);
    else
        FolderOf(w.pluginPath, plugins);
    WithSeparator(plugins);
    if (profile[0])
        FullPath(profile);
    else
        lstrcpynW(profile, plugins, MAX_PATH);
    WithSeparator(profile);
    wchar_t folder[MAX_PATH] = {};
    ProgramFolder(folder);
    w.host.SetFolder(VexFolderProgram, folder);
    w.host.SetFolder(VexFolderPlugins, plugins);
    w.host.SetFolder(VexFolderProfile, profile);
    lstrcpynW(folder, profile, MAX_PATH - 6);
    lstrcatW(folder, L"cache\\");
    w.host.SetFolder(VexFolderCache, folder);
    AddDemoTabs(w.host);
    w.host.Register();

    WNDCLASSEXW frameClass = {};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassExW(&frameClass);
    WNDCLASSEXW paneClass = frameClass;
    paneClass.lpfnWndProc = DefWindowProcW;
    paneClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    paneClass.lpszClassName = kPaneClass;
    RegisterClassExW(&paneClass);

    HWND frame = CreateWindowExW(0, kFrameClass, L"Vantrel", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, w.width,
                                 w.height, nullptr, nullptr, instance, nullptr);
    if (!frame) {
        if (!w.exitAfter) {
            wchar_t text[MAX_PATH + 16] = L"Cannot load ";
            lstrcatW(text, w.pluginPath);
            MessageBoxW(nullptr, text, L"Vantrel", MB_OK | MB_ICONERROR);
        }
        return 1;
    }
    ShowWindow(frame, show);
    UpdateWindow(frame);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
