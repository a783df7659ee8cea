// Writes a shell link as a 64-bit Explorer would: built for x86-64 and run as its
// own process, so the link object that saves it is the 64-bit one.
//
//   ShortcutMaker.exe <link> <target> <working folder> <icon file> <arguments>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

int main()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count != 6)
        return 1;
    if (FAILED(CoInitialize(nullptr)))
        return 2;
    int result = 3;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->SetPath(args[2])) && SUCCEEDED(link->SetWorkingDirectory(args[3]))
            && SUCCEEDED(link->SetIconLocation(args[4], 0)) && SUCCEEDED(link->SetArguments(args[5]))
            && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            result = SUCCEEDED(file->Save(args[1], TRUE)) ? 0 : 4;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    LocalFree(args);
    return result;
}
