#include "ProfileSettings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void WriteNumber(const char* path, const char* section, const char* key, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, path);
}

void WriteQuoted(const char* path, const char* section, const char* key, const char* value)
{
    char text[kTextSize + 2];
    snprintf(text, sizeof text, "\"%s\"", value);
    WritePrivateProfileStringA(section, key, text, path);
}

// GetPrivateProfileStringA into a 520-byte field, without Wine's off-by-one on a
// quoted value that exactly fills it (see IniOracle's ProfileFile::GetString).
void ReadText(const char* path, const char* section, const char* key, const char* defaultValue, char* field)
{
    char wider[kTextSize + 1];
    GetPrivateProfileStringA(section, key, defaultValue, wider, kTextSize + 1, path);
    if (std::strlen(wider) <= kTextSize - 1)
        std::memcpy(field, wider, std::strlen(wider) + 1);
    else
        GetPrivateProfileStringA(section, key, defaultValue, field, kTextSize, path);
}

}  // namespace

void ProfileSave(const char* path)
{
    DeleteFileA(path);
    const PanelSettings& s = launcherData.settings;
    WriteNumber(path, "Launcher", "PageCount", GetPageCount());
    WriteNumber(path, "Launcher", "DoubleClick", s.doubleClick);
    WriteNumber(path, "Launcher", "ShowTab", s.showTab);
    WriteNumber(path, "Launcher", "ViewStyle", s.viewStyle);
    WriteNumber(path, "Launcher", "AutoArrange", s.autoArrange);
    WriteNumber(path, "Launcher", "GridArrange", s.gridArrange);
    char section[48];
    for (int p = 0; p < GetPageCount(); ++p) {
        snprintf(section, sizeof section, "Page%d", p + 1);
        WriteNumber(path, section, "ItemCount", GetItemCount(p));
        WriteQuoted(path, section, "Name", GetPageName(p));
        for (int i = 0; i < GetItemCount(p); ++i) {
            const LauncherItem& item = GetItem(p, i);
            snprintf(section, sizeof section, "Page%d:Item%d", p + 1, i + 1);
            WriteQuoted(path, section, "Name", item.name);
            WriteQuoted(path, section, "Path", item.path);
            WriteQuoted(path, section, "Parameter", item.parameter);
            WriteQuoted(path, section, "WorkDir", item.workDir);
            WriteQuoted(path, section, "IconPath", item.iconPath);
            WriteNumber(path, section, "IconIndex", item.iconIndex);
            WriteNumber(path, section, "PosX", item.posX);
            WriteNumber(path, section, "PosY", item.posY);
        }
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

void ProfileLoad(const char* path, PanelSettings* settings, std::vector<LauncherPage>* pages)
{
    pages->clear();
    settings->doubleClick = GetPrivateProfileIntA("Launcher", "DoubleClick", 1, path);
    settings->showTab = GetPrivateProfileIntA("Launcher", "ShowTab", 1, path);
    settings->viewStyle = GetPrivateProfileIntA("Launcher", "ViewStyle", 10009, path);
    settings->autoArrange = GetPrivateProfileIntA("Launcher", "AutoArrange", 1, path);
    settings->gridArrange = GetPrivateProfileIntA("Launcher", "GridArrange", 1, path);
    int pageCount = GetPrivateProfileIntA("Launcher", "PageCount", 1, path);
    if (pageCount <= 0)
        pageCount = 1;
    char section[48];
    for (int n = 1; n <= pageCount; ++n) {
        pages->emplace_back();
        LauncherPage& page = pages->back();
        snprintf(section, sizeof section, "Page%d", n);
        int itemCount = GetPrivateProfileIntA(section, "ItemCount", 0, path);
        char defaultName[kTextSize];
        FormatDefaultPageName(defaultName, n);
        ReadText(path, section, "Name", defaultName, page.name);
        for (int m = 1; m <= itemCount; ++m) {
            snprintf(section, sizeof section, "Page%d:Item%d", n, m);
            LauncherItem item = {};
            ReadText(path, section, "Name", "", item.name);
            ReadText(path, section, "Path", "", item.path);
            ReadText(path, section, "Parameter", "", item.parameter);
            ReadText(path, section, "WorkDir", "", item.workDir);
            ReadText(path, section, "IconPath", item.path, item.iconPath);
            item.iconIndex = GetPrivateProfileIntA(section, "IconIndex", -1, path);
            item.posX = GetPrivateProfileIntA(section, "PosX", -1, path);
            item.posY = GetPrivateProfileIntA(section, "PosY", -1, path);
            item.imageIndex = kImageNotMade;  // as a load leaves it: no icon made yet
            page.items.push_back(item);
        }
    }
}
