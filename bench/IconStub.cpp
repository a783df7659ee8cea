// Stands in for launcher/ItemIcons.cpp in the benchmark: no icon is ever obtained,
// so LoadSettings is timed without the shell's icon extraction.
#include "platform/ItemIcons.h"

void ExtractItemIcons(const char*, int, HICON* largeIcon, HICON* smallIcon)
{
    if (largeIcon)
        *largeIcon = nullptr;
    if (smallIcon)
        *smallIcon = nullptr;
}

int StoreItemIcon(int, int, const char*)
{
    return -1;
}

void AppendItemIcons(const IconSource*, int count, int* imageIndexes)
{
    for (int i = 0; i < count; ++i)
        imageIndexes[i] = -1;
}
