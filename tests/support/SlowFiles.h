// A stand-in for files that answer slowly or never (an offline share, a sleeping
// disk, a cloud placeholder): the file and shell calls a module makes for a file
// are replaced in its import table (ModuleImports), and a call naming a held path
// (a path prefix, case-insensitive) waits until that path is released. Every such
// call is counted; everything else passes straight through, as do shell-icon
// requests that look at no file (SHGFI_USEFILEATTRIBUTES, SHGFI_PIDL).
//
// The calls: CreateFile, GetFileAttributes(Ex), FindFirstFile(Ex),
// GetShortPathName, GetLongPathName, LoadLibraryEx, MoveFileEx, DeleteFile,
// SHGetFileInfo, ExtractIcon(Ex), PrivateExtractIcons, ShellExecute(Ex),
// SHGetPathFromIDList (its answer), each in its A and W forms. A shortcut read
// through IShellLink opens its file inside the shell, which this does not reach.
//
// One object at a time; its state is the process's, so a caller still blocked when
// it goes is woken and carries on.
#pragma once

#include <windows.h>

#include <string>

namespace wintest {

class SlowFiles {
public:
    explicit SlowFiles(HMODULE module);  // also Patch(more modules)
    ~SlowFiles();  // releases every held path, then puts the imports back
    SlowFiles(const SlowFiles&) = delete;
    SlowFiles& operator=(const SlowFiles&) = delete;

    void Patch(HMODULE module);

    // Calls naming a path that starts with `prefix` wait from now on, until Release.
    void Hold(const std::wstring& prefix);
    // Wakes the callers waiting on `prefix`; later calls pass.
    void Release(const std::wstring& prefix);

    // Calls that named the held path, counted as they arrive.
    int Requests(const std::wstring& prefix) const;
    // Waits (without pumping) until `count` callers wait on `prefix` at once; false
    // after timeoutMs, a safety net against a fault that would hang the test.
    bool WaitForBlocked(const std::wstring& prefix, int count, DWORD timeoutMs = 20000) const;
};

}  // namespace wintest
