#include "data/LauncherRecords.h"

#include <cstdio>

#include "Texts.h"

void FormatDefaultPageName(char* buffer, int pageNumber)
{
    snprintf(buffer, kTextSize, TEXT_DEFAULT_PAGE_NAME_FORMAT, pageNumber);
}
