#include "WinTest.h"

#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace wintest {

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        Pump(5);
    }
    return true;
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%sdockmere-test-%lu-%u", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            break;
        }
    }
}

TempFolder::~TempFolder()
{
    // SHFileOperation wants a double-NUL-terminated list.
    std::vector<char> from(path_.begin(), path_.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    // Shares delete access too: a file just renamed into place (MoveFileEx) is still
    // held with delete access by the renaming process for a moment.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bytes->assign(size, '\0');
    DWORD read = 0;
    BOOL ok = size == 0 || ReadFile(file, &(*bytes)[0], size, &read, nullptr);
    CloseHandle(file);
    return ok && read == size;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

WindowNest::WindowNest()
{
    top_ = CreateWindowExA(0, "STATIC", "top", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 500,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    middle_ = CreateWindowExA(0, "STATIC", "middle", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 300, 400,
                              top_, nullptr, GetModuleHandleA(nullptr), nullptr);
    inner_ = CreateWindowExA(0, "STATIC", "inner", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 300, 400,
                             middle_, nullptr, GetModuleHandleA(nullptr), nullptr);
}

WindowNest::~WindowNest()
{
    if (top_)
        DestroyWindow(top_);
}

bool WaitForModuleGone(const char* path, DWORD timeoutMs, DWORD* waitedMs)
{
    DWORD start = GetTickCount();
    bool gone = GetModuleHandleA(path) == nullptr || PumpUntil([path] { return GetModuleHandleA(path) == nullptr; }, timeoutMs);
    if (waitedMs)
        *waitedMs = GetTickCount() - start;
    return gone;
}

std::wstring Wide(const std::string& cp932)
{
    std::wstring wide(cp932.size(), L'\0');
    wide.resize(MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    std::string cp932(wide.size() * 2, '\0');
    cp932.resize(WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &cp932[0],
                                     static_cast<int>(cp932.size()), nullptr, nullptr));
    return cp932;
}

}  // namespace wintest
