#include "platform/WidePaths.h"


std::wstring FillTextFormat(const wchar_t* format, std::wstring_view text, int number)
{
    std::wstring filled(format);
    size_t at = filled.find(L"%s");
    if (at != std::wstring::npos)
        filled.replace(at, 2, text.data(), text.size());
    at = filled.find(L"%d", at == std::wstring::npos ? 0 : at + text.size());
    if (at != std::wstring::npos)
        filled.replace(at, 2, std::to_wstring(number));
    return filled;
}
