// Paths as a 32-bit panel under WOW64 reaches what a 64-bit program means by them.
#pragma once

#include <windows.h>

// True when the panel runs as a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();

// The path by which this process reaches `path` (ANSI, 520 bytes each): under WOW64
// a path under %windir%\System32 is redirected to SysWOW64, so it goes through
// %windir%\Sysnative instead, when something exists there. Otherwise, and always
// on 32-bit Windows, the path as given. `reached` may be `path` itself.
void ReachablePath(const char* path, char* reached);
void ReachablePathW(const WCHAR* path, WCHAR* reached);
