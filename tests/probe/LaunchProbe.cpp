// A program the launch tests start through the shell. It writes what it was
// started with, its command line, its current folder and its own file name, one
// per line in UTF-8 (so a name outside any code page arrives whole), to the file
// named by LAUNCH_PROBE_OUTPUT. The text goes to a temporary name first and is
// then renamed, so a reader never sees half of it.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& wide)
{
    std::string text(wide.size() * 3, '\0');
    text.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                    static_cast<int>(text.size()), nullptr, nullptr));
    return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR output[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"LAUNCH_PROBE_OUTPUT", output, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;

    WCHAR folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    WCHAR self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string text = Utf8(GetCommandLineW()) + "\n" + Utf8(folder) + "\n" + Utf8(self) + "\n";

    std::wstring partial = std::wstring(output) + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size())
        return 3;
    return MoveFileExW(partial.c_str(), output, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
