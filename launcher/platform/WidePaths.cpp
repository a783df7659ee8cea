#include "platform/WidePaths.h"

#include <shlwapi.h>

#include "data/LauncherData.h"
#include "platform/ModalHold.h"
#include "Texts.h"

bool ExactAnsiText(const WCHAR* wide, char* text, int size)
{
    // A character the code page lacks becomes a best-fit look-alike or '?', and
    // neither names the same file: only a text that converts back unchanged is kept.
    WCHAR check[kTextSize];
    if (size > 0 && WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr) > 0
        && MultiByteToWideChar(CP_ACP, 0, text, -1, check, kTextSize) > 0 && lstrcmpW(check, wide) == 0)
        return true;
    if (size > 0)
        text[0] = '\0';
    return false;
}

bool AnsiPathFor(const WCHAR* widePath, char* path)
{
    if (ExactAnsiText(widePath, path, kTextSize))
        return true;
    // The short 8.3 form names the same file in plain ASCII; a volume without short
    // names answers with the long path again, which the check refuses once more.
    WCHAR shortPath[kTextSize];
    DWORD length = GetShortPathNameW(widePath, shortPath, kTextSize);
    return length > 0 && length < kTextSize && ExactAnsiText(shortPath, path, kTextSize);
}

void ItemNameFor(const WCHAR* widePath, const char* ansiPath, char* name)
{
    WCHAR title[kTextSize];
    lstrcpynW(title, PathFindFileNameW(widePath), kTextSize);
    PathRemoveExtensionW(title);
    if (ExactAnsiText(title, name, kTextSize))
        return;
    CopyText(name, PathFindFileNameA(ansiPath));
    PathRemoveExtensionA(name);
}

void ReportUnnamableFile(HWND owner, const WCHAR* widePath)
{
    char shown[kTextSize];
    WideCharToMultiByte(CP_ACP, 0, widePath, -1, shown, kTextSize, nullptr, nullptr);
    shown[kTextSize - 1] = '\0';
    char text[kTextSize + sizeof TEXT_UNNAMABLE_FILE_FORMAT];
    wsprintfA(text, TEXT_UNNAMABLE_FILE_FORMAT, shown);
    ModalHold hold;
    MessageBoxA(owner, text, TEXT_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}
