// Where the model's ANSI texts meet the wide paths the workers use.
#pragma once

#include <windows.h>

#include <string>

// The model's ANSI text as a wide path and back (the process's code page, as the
// model's A calls read it).
inline std::wstring WideFromModel(const char* text)
{
    WCHAR wide[520];
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 520) > 0 ? std::wstring(wide) : std::wstring();
}
inline std::string ModelFromWide(const WCHAR* text)
{
    char narrow[520];
    return WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, 520, nullptr, nullptr) > 0 ? std::string(narrow)
                                                                                        : std::string();
}
