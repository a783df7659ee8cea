// Paths as a 32-bit panel under WOW64 reaches what a 64-bit program means by them.
#pragma once

#include <string>

// True when the panel runs as a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();

// The path by which this process reaches `path`: under WOW64 a path under
// %windir%\System32 is redirected to SysWOW64, so it goes through
// %windir%\Sysnative instead, when something exists there. The System32
// folders Windows does not redirect (drivers\etc, spool, catroot, catroot2,
// logfiles, driverstore) stay as they are, and so does every path on 32-bit
// Windows.
std::wstring ReachablePathW(const std::wstring& path);

// The path the shell is given to start `path`: the Sysnative form only for a
// program the shell starts itself (.exe, .com). A folder, a document, a .msc or a
// .cpl is opened by another program, most often a 64-bit one (Explorer, mmc,
// an editor), which has no Sysnative and reads System32 as its own.
std::wstring StartablePathW(const std::wstring& path);

// A document of System32 that only the 64-bit view holds cannot be opened through
// the shell by its name (the shell of this process looks for it in the 32-bit view)
// nor by its Sysnative form (the program that opens it is most often a 64-bit one).
// Its association's open command is taken instead: the program, reached as
// StartablePathW reaches it, and the command's arguments with the document's exact
// path (and `parameters` for %*). False for any other path, or when the document
// type has no open command.
bool NativeOpenCommand(const std::wstring& document, const std::wstring& parameters, std::wstring* program,
                       std::wstring* arguments);
