// Writes a shell link as a 64-bit Explorer would: built for x86-64 and run as its
// own process, so the link object that saves it is the 64-bit one.
//
//   ShortcutMaker.exe <link> <target> <working folder> <icon file> <arguments> [runas]
//
// runas: SLDF_RUNAS_USER set in the saved header's LinkFlags (offset 0x14), which
// Wine's link object drops from SetFlags when it saves.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

int main()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 6 || count > 7)
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
            if (result == 0 && count == 7) {
                HANDLE saved = CreateFileW(args[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                DWORD flags = 0, done = 0;
                bool read = SetFilePointer(saved, 0x14, nullptr, FILE_BEGIN) == 0x14 && ReadFile(saved, &flags, 4, &done, nullptr)
                            && SetFilePointer(saved, 0x14, nullptr, FILE_BEGIN) == 0x14;
                flags |= SLDF_RUNAS_USER;
                if (!read || !WriteFile(saved, &flags, 4, &done, nullptr))
                    result = 5;
                CloseHandle(saved);
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    LocalFree(args);
    return result;
}
