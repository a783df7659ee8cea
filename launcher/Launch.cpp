#include "Launch.h"

#include <windows.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlwapi.h>

#include "LauncherData.h"

namespace {

// The shell automation object and its dispatch interface, spelled out here so the
// module does not depend on which GUIDs the import libraries happen to carry.
const CLSID kShellClass = {0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kShellDispatchInterface = {0xD8F015C0, 0xC278, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

bool ItemExists(int page, int item)
{
    return page >= 0 && page < GetPageCount() && item >= 0 && item < GetItemCount(page);
}

bool IsQuoted(const char* text)
{
    int length = lstrlenA(text);
    return length >= 2 && text[0] == '"' && text[length - 1] == '"';
}

}  // namespace

void LaunchItem(int page, int item, const char* parameterOverride)
{
    // -1 is the list view's "nothing selected"; any other index that names no
    // item is refused the same way rather than read out of bounds.
    if (item == -1 || !ItemExists(page, item))
        return;
    const LauncherItem& record = GetItem(page, item);

    // The shell takes the file as one name; a blank inside it must not split it.
    // A path the user already typed in quotes is whole as it is: quoting it again
    // would hand the shell an empty name followed by the rest.
    char file[kTextSize];
    lstrcpyA(file, record.path);
    if (!IsQuoted(file))
        PathQuoteSpacesA(file);

    // An empty string is not "no folder": only a null pointer lets the shell
    // choose its own default.
    const char* folder = lstrlenA(record.workDir) > 0 ? record.workDir : nullptr;
    const char* parameters = parameterOverride ? parameterOverride : record.parameter;

    // The shell reports its own failures; the panel adds nothing and changes nothing.
    ShellExecuteA(nullptr, nullptr, file, parameters, folder, SW_SHOWNORMAL);
}

void ShowRunDialog()
{
    // The panel's thread is already initialised for OLE; this pair nests inside it
    // and leaves the thread as it was found.
    CoInitialize(nullptr);
    IShellDispatch* shell = nullptr;
    HRESULT hr = CoCreateInstance(kShellClass, nullptr, CLSCTX_INPROC_SERVER, kShellDispatchInterface,
                                  reinterpret_cast<void**>(&shell));
    if (hr == S_OK && shell) {
        shell->FileRun();
        shell->Release();
    }
    CoUninitialize();
}
