// A program the launch tests start through the shell. It writes what it was
// started with, its command line, its current folder and its own file name, one
// per line, to the file named by LAUNCH_PROBE_OUTPUT. The text goes to a
// temporary name first and is then renamed, so a reader never sees half of it.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char output[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output, sizeof output);
    if (length == 0 || length >= sizeof output)
        return 1;

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string text = std::string(GetCommandLineA()) + "\n" + folder + "\n" + self + "\n";

    std::string partial = std::string(output) + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size())
        return 3;
    return MoveFileExA(partial.c_str(), output, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
