#include "data/LauncherRecords.h"

#include <cwchar>

#include "Texts.h"

std::wstring DefaultPageName(int pageNumber)
{
    wchar_t buffer[64];
    swprintf(buffer, sizeof buffer / sizeof buffer[0], TEXT_DEFAULT_PAGE_NAME_FORMAT, pageNumber);
    return buffer;
}
