// Shortcuts read as an item can hold what they start: the target as a 32-bit
// process under WOW64 finds the one a 64-bit Explorer meant, its arguments,
// working folder and icon.
#include "platform/Shortcuts.h"

#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/NativePaths.h"
#include "platform/WidePaths.h"

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
