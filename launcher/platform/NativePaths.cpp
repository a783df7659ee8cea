#include "platform/NativePaths.h"

#include <windows.h>
#include <shlwapi.h>

namespace {

// System32's folders that WOW64 leaves unredirected: a 32-bit process sees the
// 64-bit ones there under their own names.
const wchar_t* const kUnredirected[] = {L"drivers\\etc", L"spool", L"catroot", L"catroot2", L"logfiles",
                                        L"driverstore"};

// `rest` (what follows System32's backslash) lies in one of those folders.
bool IsUnredirected(const wchar_t* rest)
{
    for (const wchar_t* folder : kUnredirected) {
        int length = lstrlenW(folder);
        if (StrCmpNIW(rest, folder, length) == 0 && (rest[length] == L'\\' || rest[length] == L'\0'))
            return true;
    }
    return false;
}

// A program the shell starts itself, not a document another program opens.
bool IsProgram(const std::wstring& path)
{
    const wchar_t* extension = PathFindExtensionW(path.c_str());
    return lstrcmpiW(extension, L".exe") == 0 || lstrcmpiW(extension, L".com") == 0;
}

// The command's arguments with its placeholders filled as the shell fills them:
// %1, %L (and %D, the same for a file) the document, %* the parameters, %% a
// percent sign; the others (item lists, the show command) name nothing here. A
// command without a placeholder for the document gets it at the end.
std::wstring FillOpenArguments(const wchar_t* command, const std::wstring& document, const std::wstring& parameters)
{
    std::wstring filled;
    bool placed = false;
    for (const wchar_t* c = command; *c; ++c) {
        if (*c != L'%' || !c[1]) {
            filled += *c;
            continue;
        }
        wchar_t code = *++c;
        if (code == L'1' || code == L'L' || code == L'l' || code == L'D' || code == L'd') {
            // A blank inside a path left unquoted by the command would split it.
            bool wrap = document.find(L' ') != std::wstring::npos && (filled.empty() || filled.back() != L'"');
            filled += wrap ? L"\"" + document + L"\"" : document;
            placed = true;
        } else if (code == L'*') {
            filled += parameters;
        } else if (code == L'%') {
            filled += L'%';
        }
    }
    if (!placed)
        filled += (filled.empty() ? L"\"" : L" \"") + document + L"\"";
    return filled;
}

}  // namespace

bool RunsUnderWow64()
{
    static int wow64 = -1;  // not asked yet
    if (wow64 == -1) {
        BOOL answer = FALSE;
        wow64 = IsWow64Process(GetCurrentProcess(), &answer) && answer ? 1 : 0;
    }
    return wow64 == 1;
}

std::wstring ReachablePathW(const std::wstring& path)
{
    if (!RunsUnderWow64())
        return path;
    // GetSystemDirectory names System32 in a 32-bit process too.
    WCHAR system[MAX_PATH], windows[MAX_PATH];
    UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    UINT windowsLength = GetWindowsDirectoryW(windows, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 || windowsLength >= MAX_PATH
        || path.size() < systemLength || StrCmpNIW(path.c_str(), system, systemLength) != 0
        || (path.size() > systemLength && path[systemLength] != L'\\')
        || (path.size() > systemLength && IsUnredirected(path.c_str() + systemLength + 1)))
        return path;
    std::wstring native(windows);
    if (native.back() != L'\\')
        native += L'\\';
    native += L"Sysnative";
    native.append(path, systemLength, std::wstring::npos);
    // A file only the 32-bit view holds (one picked in the file browser, which
    // shows that view) is still reached through the redirection.
    return GetFileAttributesW(native.c_str()) == INVALID_FILE_ATTRIBUTES ? path : native;
}

std::wstring StartablePathW(const std::wstring& path)
{
    return IsProgram(path) ? ReachablePathW(path) : path;
}

bool NativeOpenCommand(const std::wstring& document, const std::wstring& parameters, std::wstring* program,
                       std::wstring* arguments)
{
    if (!RunsUnderWow64() || IsProgram(document) || GetFileAttributesW(document.c_str()) != INVALID_FILE_ATTRIBUTES
        || ReachablePathW(document) == document)
        return false;
    const wchar_t* extension = PathFindExtensionW(document.c_str());
    if (!*extension)
        return false;
    WCHAR command[2048];
    DWORD size = ARRAYSIZE(command);
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, extension, L"open", command, &size)))
        return false;
    // The program is the command's first word, quoted or up to the first blank.
    const wchar_t* rest = PathGetArgsW(command);
    std::wstring first(command, rest - command);
    while (!first.empty() && first.back() == L' ')
        first.pop_back();
    if (first.size() >= 2 && first.front() == L'"' && first.back() == L'"')
        first = first.substr(1, first.size() - 2);
    WCHAR expanded[MAX_PATH];
    DWORD length = ExpandEnvironmentStringsW(first.c_str(), expanded, MAX_PATH);
    if (first.empty() || length == 0 || length > MAX_PATH)
        return false;
    *program = StartablePathW(expanded);
    *arguments = FillOpenArguments(rest, document, parameters);
    return true;
}
