// Small Win32 helpers shared by the test programs. Everything runs on the test's
// one thread: the code under test and the message pump alike.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace wintest {

// Dispatches the thread's messages for about `ms` milliseconds.
void Pump(DWORD ms);

// Pumps messages until `done` answers true or `timeoutMs` has passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// After the host's FreeLibrary of a module whose workers may still hold it: pumps
// until the module is really unloaded, at most timeoutMs. The milliseconds that
// took go to *waitedMs; false when it stayed.
bool WaitForModuleGone(const char* path, DWORD timeoutMs = 10000, DWORD* waitedMs = nullptr);

// Folder of the running test program (where the built modules lie), with a final backslash.
std::string ProgramFolder();

// A fresh empty folder under %TEMP%, removed with its files when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // no final backslash
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// The panel's UTF-16 texts against the tests' narrow literals, which the compiler
// writes in CP932: converted with code page 932 by name, whatever GetACP says.
// Narrow gives '?' for what CP932 lacks.
std::wstring Wide(const std::string& cp932);
std::string Narrow(const std::wstring& wide);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);

// A hidden top-level window with two nested children, so that the panel's parent
// has a window three levels above the panel. `panelParent()` is the innermost.
class WindowNest {
public:
    WindowNest();
    ~WindowNest();
    HWND top() const { return top_; }
    HWND middle() const { return middle_; }
    HWND panelParent() const { return inner_; }

private:
    HWND top_ = nullptr;
    HWND middle_ = nullptr;
    HWND inner_ = nullptr;
};

}  // namespace wintest
