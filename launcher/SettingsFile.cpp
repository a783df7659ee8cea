// Interim reader and writer through the platform's profile functions; to be
// replaced by the whole-document reader and the atomic save.
#include "SettingsFile.h"

#include <windows.h>


#include <cstdio>

#include "ItemIcons.h"
#include "LauncherData.h"
#include "Panel.h"
#include "Texts.h"

void SetSettingsFolder(const char* folder)
{
    if (!folder || !*folder) {
        launcherData.iniPath[0] = '\0';
        return;
    }
    snprintf(launcherData.iniPath, kTextSize, TEXT_INI_FILE_FORMAT, folder);
}

void LoadSettings()
{
    const char* ini = launcherData.iniPath;
    PanelSettings& s = launcherData.settings;
    s.doubleClick = GetPrivateProfileIntA("Launcher", "DoubleClick", 1, ini);
    s.showTab = GetPrivateProfileIntA("Launcher", "ShowTab", 1, ini);
    s.viewStyle = GetPrivateProfileIntA("Launcher", "ViewStyle", 10009, ini);
    s.autoArrange = GetPrivateProfileIntA("Launcher", "AutoArrange", 1, ini);
    s.gridArrange = GetPrivateProfileIntA("Launcher", "GridArrange", 1, ini);
    int pageCount = GetPrivateProfileIntA("Launcher", "PageCount", 1, ini);
    if (pageCount <= 0)
        pageCount = 1;
    for (int n = 1; n <= pageCount; ++n) {
        launcherData.pages.emplace_back();
        LauncherPage& page = launcherData.pages.back();
        char section[64];
        snprintf(section, sizeof section, "Page%d", n);
        int itemCount = GetPrivateProfileIntA(section, "ItemCount", 0, ini);
        char defaultName[kTextSize];
        FormatDefaultPageName(defaultName, n);
        GetPrivateProfileStringA(section, "Name", defaultName, page.name, kTextSize, ini);
        for (int m = 1; m <= itemCount; ++m) {
            snprintf(section, sizeof section, "Page%d:Item%d", n, m);
            LauncherItem item = {};
            GetPrivateProfileStringA(section, "Name", "", item.name, kTextSize, ini);
            GetPrivateProfileStringA(section, "Path", "", item.path, kTextSize, ini);
            GetPrivateProfileStringA(section, "Parameter", "", item.parameter, kTextSize, ini);
            GetPrivateProfileStringA(section, "WorkDir", "", item.workDir, kTextSize, ini);
            GetPrivateProfileStringA(section, "IconPath", item.path, item.iconPath, kTextSize, ini);
            item.iconIndex = GetPrivateProfileIntA(section, "IconIndex", -1, ini);
            item.posX = GetPrivateProfileIntA(section, "PosX", -1, ini);
            item.posY = GetPrivateProfileIntA(section, "PosY", -1, ini);
            item.imageIndex = StoreItemIcon(-1, item.iconIndex, item.iconPath);
            page.items.push_back(item);
        }
    }
}

static void WriteInt(const char* section, const char* key, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, launcherData.iniPath);
}

static void WriteQuoted(const char* section, const char* key, const char* value)
{
    char text[kTextSize + 2];
    snprintf(text, sizeof text, "\"%s\"", value);
    WritePrivateProfileStringA(section, key, text, launcherData.iniPath);
}

void SaveSettings()
{
    if (!launcherData.iniPath[0])
        return;
    DeleteFileA(launcherData.iniPath);
    const PanelSettings& s = launcherData.settings;
    WriteInt("Launcher", "PageCount", GetPageCount());
    WriteInt("Launcher", "DoubleClick", s.doubleClick);
    WriteInt("Launcher", "ShowTab", s.showTab);
    WriteInt("Launcher", "ViewStyle", s.viewStyle);
    WriteInt("Launcher", "AutoArrange", s.autoArrange);
    WriteInt("Launcher", "GridArrange", s.gridArrange);
    for (int p = 0; p < GetPageCount(); ++p) {
        char section[64];
        snprintf(section, sizeof section, "Page%d", p + 1);
        WriteInt(section, "ItemCount", GetItemCount(p));
        WriteQuoted(section, "Name", GetPageName(p));
        for (int i = 0; i < GetItemCount(p); ++i) {
            const LauncherItem& item = GetItem(p, i);
            snprintf(section, sizeof section, "Page%d:Item%d", p + 1, i + 1);
            WriteQuoted(section, "Name", item.name);
            WriteQuoted(section, "Path", item.path);
            WriteQuoted(section, "Parameter", item.parameter);
            WriteQuoted(section, "WorkDir", item.workDir);
            WriteQuoted(section, "IconPath", item.iconPath);
            WriteInt(section, "IconIndex", item.iconIndex);
            WriteInt(section, "PosX", item.posX);
            WriteInt(section, "PosY", item.posY);
        }
    }
}
