#include "platform/Launch.h"

#include <windows.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlwapi.h>

#include <string>

#include "data/LauncherData.h"
#include "platform/ModalHold.h"
#include "platform/NativePaths.h"
#include "platform/WidePaths.h"
#include "platform/Workers.h"
#include "Texts.h"

namespace {

// The shell automation object and its dispatch interface, spelled out here so the
// module does not depend on which GUIDs the import libraries happen to carry.
const CLSID kShellClass = {0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kShellDispatchInterface = {0xD8F015C0, 0xC278, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

bool ItemExists(int page, int item)
{
    return page >= 0 && page < GetPageCount() && item >= 0 && item < GetItemCount(page);
}

// Why a start failed, a sentence per answer of the shell; the number stays at the
// end of every one, for support.
struct StartFailure {
    int result;
    const wchar_t* format;
};
const StartFailure kStartFailures[] = {
    {ERROR_FILE_NOT_FOUND, TEXT_START_NOT_FOUND_FORMAT},
    {ERROR_PATH_NOT_FOUND, TEXT_START_PATH_NOT_FOUND_FORMAT},
    {SE_ERR_ACCESSDENIED, TEXT_START_ACCESS_DENIED_FORMAT},
    {SE_ERR_NOASSOC, TEXT_START_NO_ASSOCIATION_FORMAT},
    {SE_ERR_ASSOCINCOMPLETE, TEXT_START_ASSOCIATION_INCOMPLETE_FORMAT},
    {0, TEXT_START_OUT_OF_MEMORY_FORMAT},
    {SE_ERR_OOM, TEXT_START_OUT_OF_MEMORY_FORMAT},
    {SE_ERR_DDEFAIL, TEXT_START_DDE_FAILED_FORMAT},
    {SE_ERR_DDEBUSY, TEXT_START_DDE_FAILED_FORMAT},
    {SE_ERR_DDETIMEOUT, TEXT_START_DDE_FAILED_FORMAT},
    {SE_ERR_SHARE, TEXT_START_SHARING_VIOLATION_FORMAT},
};

// Tells the user that the shell could not start `path` (the item's path as stored),
// and why. The shell shows no message of its own for these (the start asks for no
// error UI); a start the user called off in a prompt the shell did show
// (elevation) is not reported.
void ReportFailedStart(HWND owner, const std::wstring& path, int result, DWORD error)
{
    if (result == SE_ERR_ACCESSDENIED && error == ERROR_CANCELLED)
        return;
    const wchar_t* format = TEXT_START_FAILED_FORMAT;
    for (const StartFailure& failure : kStartFailures) {
        if (failure.result == result)
            format = failure.format;
    }
    MessageBoxW(owner, FillTextFormat(format, path, result).c_str(), TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

namespace {

// What a worker needs to start an item, copied from it on the panel's thread.
struct StartRequest {
    std::wstring path;  // the item's path as the user gave it, also for the message
    std::wstring parameters;
    std::wstring workDir;
    HWND shellOwner = nullptr;
    int result = 33;
    DWORD error = ERROR_SUCCESS;
};

bool IsQuoted(const std::wstring& text)
{
    return text.size() >= 2 && text.front() == L'"' && text.back() == L'"';
}

void RunStart(void* context, const volatile LONG*)
{
    auto* request = static_cast<StartRequest*>(context);
    // The shell takes the file as one name; a blank inside it must not split it.
    // A path the user already typed in quotes is whole as it is: quoting it again
    // would hand the shell an empty name followed by the rest.
    // Under WOW64 a program under System32 is reached through Sysnative; the item
    // keeps the text the user gave.
    std::wstring file = request->path;
    bool quoted = IsQuoted(file);
    if (quoted)
        file = file.substr(1, file.size() - 2);
    std::wstring parameters = request->parameters;
    std::wstring program;
    if (NativeOpenCommand(file, request->parameters, &program, &parameters))
        file = program;  // a document only the 64-bit view holds, by its open command
    else
        file = StartablePathW(file);
    if (quoted || file.find(L' ') != std::wstring::npos)
        file = L"\"" + file + L"\"";

    // An empty string is not "no folder": only a null pointer lets the shell
    // choose its own default.
    // A working folder this process sees is handed over as it is: the program that
    // starts reads it in its own view, where System32 is its own and Sysnative does
    // not exist. Only a folder that the 32-bit view lacks goes through Sysnative.
    std::wstring workDir = request->workDir;
    if (!workDir.empty() && GetFileAttributesW(workDir.c_str()) == INVALID_FILE_ATTRIBUTES)
        workDir = ReachablePathW(workDir);

    // No error UI of the shell's own (the panel tells of a failure), and the call
    // returns only once the start is handed over, since this thread may end right
    // after.
    SHELLEXECUTEINFOW start = {};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    start.hwnd = request->shellOwner;
    start.lpFile = file.c_str();
    start.lpParameters = parameters.c_str();
    start.lpDirectory = workDir.empty() ? nullptr : workDir.c_str();
    start.nShow = SW_SHOWNORMAL;
    SetLastError(ERROR_SUCCESS);
    bool started = ShellExecuteExW(&start);
    request->error = GetLastError();
    request->result = started ? 33 : static_cast<int>(reinterpret_cast<INT_PTR>(start.hInstApp));
}

}  // namespace

void ReleaseStartRequest(void* context)
{
    delete static_cast<StartRequest*>(context);
}

void LaunchItem(HWND owner, int page, int item, const wchar_t* parameterOverride)
{
    // -1 is the list view's "nothing selected"; any other index that names no
    // item is refused the same way rather than read out of bounds.
    if (item == -1 || !ItemExists(page, item))
        return;
    const LauncherItem& record = GetItem(page, item);
    auto* request = new StartRequest();
    request->path = record.path;
    request->parameters = parameterOverride ? parameterOverride : record.parameter;
    request->workDir = record.workDir;
    request->shellOwner = owner ? GetAncestor(owner, GA_ROOT) : nullptr;

    // Each start has a generation of its own: nothing cancels one start but the
    // panel's end (ShutdownWorkers), and its result goes to the window that asked.
    std::wstring lanePath = request->path;
    if (IsQuoted(lanePath))
        lanePath = lanePath.substr(1, lanePath.size() - 2);
    WorkerTask task = {RunStart, ReleaseStartRequest, request, owner, WM_START_DONE, NewWorkerGeneration()};
    if (!SubmitWorkerTask(lanePath.c_str(), task, true)) {
        // The workers' bound: told like a start the system had no memory for.
        HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
        ModalHold hold;
        ReportFailedStart(top, request->path, 0, ERROR_NOT_ENOUGH_MEMORY);
        delete request;
    }
}

void OnStartDone(HWND owner, void* context)
{
    auto* request = static_cast<StartRequest*>(context);
    if (request->result <= 32) {
        ModalHold hold;
        ReportFailedStart(owner ? GetAncestor(owner, GA_ROOT) : nullptr, request->path, request->result,
                          request->error);
    }
    delete request;
}

void ShowRunDialog(HWND owner)
{
    // The panel's thread is already initialised for OLE; this pair nests inside it
    // and leaves the thread as it was found. A thread of the multithreaded apartment
    // refuses (RPC_E_CHANGED_MODE) and takes no uninitialisation: that would end
    // the host's own.
    ModalHold hold;  // the Run dialog and the message are modal loops
    HRESULT initialised = CoInitialize(nullptr);
    IShellDispatch* shell = nullptr;
    HRESULT hr = CoCreateInstance(kShellClass, nullptr, CLSCTX_INPROC_SERVER, kShellDispatchInterface,
                                  reinterpret_cast<void**>(&shell));
    bool shown = false;
    if (hr == S_OK && shell) {
        // What the user then types and the shell cannot start, the dialog reports itself.
        shown = SUCCEEDED(shell->FileRun());
        shell->Release();
    }
    if (initialised == S_OK || initialised == S_FALSE)
        CoUninitialize();
    if (!shown)
        MessageBoxW(owner, TEXT_RUN_DIALOG_FAILED, TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}
