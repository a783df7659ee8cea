// Shortcuts read as an item can hold what they start: the target as a 32-bit
// process under WOW64 finds the one a 64-bit Explorer meant, its arguments,
// working folder and icon.
#include "platform/Shortcuts.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "data/LauncherRecords.h"
#include "platform/NativePaths.h"
#include "platform/PathForms.h"

namespace {

// A text of the link with its environment strings expanded as a 64-bit program
// reads them: under WOW64 %ProgramFiles% names "Program Files (x86)" for this
// process, while a 64-bit Explorer wrote the link for "Program Files". Empty
// when it does not expand within the longest path.
std::wstring ExpandForTarget(std::wstring native)
{
    if (RunsUnderWow64()) {
        static const wchar_t* const kNames[][2] = {{L"%ProgramFiles%", L"%ProgramW6432%"},
                                                   {L"%CommonProgramFiles%", L"%CommonProgramW6432%"}};
        for (const auto& name : kNames) {
            const wchar_t* at = StrStrIW(native.c_str(), name[0]);
            if (at)
                native.replace(at - native.c_str(), lstrlenW(name[0]), name[1]);
        }
    }
    std::wstring expanded(kMaxTextUnits + 1, L'\0');
    DWORD length = ExpandEnvironmentStringsW(native.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
    if (length == 0 || length > expanded.size())
        return std::wstring();
    expanded.resize(length - 1);
    return expanded;
}

bool Exists(const std::wstring& path)
{
    return !path.empty() && GetFileAttributesW(ReachablePathW(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The flags a shell link file's header holds (LinkFlags, after the header's size
// and class id); 0 when the file is no such link. Some link objects (Wine's) answer
// GetFlags only with the parts they hold and never report SLDF_RUNAS_USER.
DWORD HeaderLinkFlags(const wchar_t* path)
{
    static const CLSID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    struct Header {
        DWORD size;
        CLSID linkClass;
        DWORD flags;
    } header = {};
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    bool whole = ReadFile(file, &header, sizeof header, &read, nullptr) && read == sizeof header;
    CloseHandle(file);
    return whole && header.size == 0x4C && IsEqualCLSID(header.linkClass, kShellLinkClass) ? header.flags : 0;
}

DWORD LinkFlags(IShellLinkW* link, IShellLinkDataList** data)
{
    *data = nullptr;
    DWORD flags = 0;
    if (FAILED(link->QueryInterface(IID_IShellLinkDataList, reinterpret_cast<void**>(data))))
        *data = nullptr;
    else if (FAILED((*data)->GetFlags(&flags)))
        flags = 0;
    return flags;
}

// The link's environment-string target (EXP_SZ_LINK_SIG), as a 64-bit program
// reads it; empty when it has none.
std::wstring StoredEnvironmentTarget(IShellLinkDataList* data)
{
    if (!data)
        return std::wstring();
    void* block = nullptr;
    std::wstring target;
    if (SUCCEEDED(data->CopyDataBlock(EXP_SZ_LINK_SIG, &block)) && block) {
        EXP_SZ_LINK* link = static_cast<EXP_SZ_LINK*>(block);
        link->swzTarget[MAX_PATH - 1] = L'\0';
        target = ExpandForTarget(link->swzTarget);
        LocalFree(block);
    }
    return target;
}

// The file the link starts, in the order that finds the true one from a 32-bit
// process: its environment-string path, then its stored raw path, both read as a
// 64-bit program reads them, then its item-id list and the path the link object
// reports (both of which a 32-bit caller on 64-bit Windows gets adjusted to
// "Program Files (x86)"). Only a target on disk counts.
std::wstring FindTarget(IShellLinkW* link, IShellLinkDataList* data)
{
    std::wstring candidate = StoredEnvironmentTarget(data);
    if (Exists(candidate))
        return candidate;
    WCHAR text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        text[MAX_PATH - 1] = L'\0';
        candidate = ExpandForTarget(text);
        if (Exists(candidate))
            return candidate;
    }
    LPITEMIDLIST items = nullptr;
    if (link->GetIDList(&items) == S_OK && items) {
        WCHAR fromItems[MAX_PATH] = {};
        bool named = SHGetPathFromIDListW(items, fromItems);
        CoTaskMemFree(items);
        if (named && Exists(fromItems))
            return fromItems;
    }
    WIN32_FIND_DATAW unused;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, &unused, SLGP_UNCPRIORITY))) {
        text[MAX_PATH - 1] = L'\0';
        if (Exists(text))
            return text;
    }
    return std::wstring();
}

// Fills `target` from a loaded link; leaves it empty when the link itself is to be the item.
void ReadShortcut(const wchar_t* path, IShellLinkW* link, ShortcutTarget* target)
{
    IShellLinkDataList* data = nullptr;
    DWORD flags = LinkFlags(link, &data) | (HeaderLinkFlags(path) & SLDF_RUNAS_USER);
    if (!(flags & (SLDF_HAS_DARWINID | SLDF_RUNAS_USER)))
        target->path = FindTarget(link, data);
    if (data)
        data->Release();
    if (target->path.empty())
        return;
    // A working folder that does not expand whole would make an item that starts
    // somewhere else: the link itself does what it did.
    WCHAR text[INFOTIPSIZE] = {};
    if (FAILED(link->GetArguments(text, INFOTIPSIZE)))
        text[0] = L'\0';
    text[INFOTIPSIZE - 1] = L'\0';
    target->parameter = text;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)) && text[0]) {
        text[MAX_PATH - 1] = L'\0';
        target->workDir = ExpandForTarget(text);
        if (target->workDir.empty()) {
            *target = ShortcutTarget{};
            target->iconIndex = -1;
            return;
        }
    }
    // An icon of its own that is there; else the target's shell icon.
    int index = 0;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index)) && text[0]) {
        text[MAX_PATH - 1] = L'\0';
        target->iconPath = ExpandForTarget(text);
        if (Exists(target->iconPath))
            target->iconIndex = index;
        else
            target->iconPath.clear();
    }
    target->shortPath = ShortPathOf(target->path);
    target->shortWorkDir = ShortPathOf(target->workDir);
    target->shortIconPath = ShortPathOf(target->iconPath);
}

}  // namespace

bool ResolveShortcut(const wchar_t* path, ShortcutTarget* target)
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
            loaded = SUCCEEDED(file->Load(path, STGM_READ));
            file->Release();
        }
        if (loaded)
            ReadShortcut(path, link, target);
        link->Release();
    }
    if (initialised == S_OK || initialised == S_FALSE)
        CoUninitialize();
    return loaded;
}
