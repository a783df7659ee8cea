#include "ProfileSettings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void WriteNumber(const char* path, const char* section, const char* key, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, path);
}

// The records' texts in the file's code page, 932 by name; the texts these
// files are made of are ones CP932 holds.
void WriteQuoted(const char* path, const char* section, const char* key, const std::wstring& value)
{
    std::string text(value.size() * 2 + 2, '\0');
    text.resize(WideCharToMultiByte(932, 0, value.data(), static_cast<int>(value.size()), &text[0],
                                    static_cast<int>(text.size()), nullptr, nullptr));
    WritePrivateProfileStringA(section, key, ("\"" + text + "\"").c_str(), path);
}

// GetPrivateProfileStringA into a 520-byte field, without Wine's off-by-one on a
// quoted value that exactly fills it (see IniOracle's ProfileFile::GetString),
// then in UTF-16. A value longer than the field is cut at 519 bytes between two
// characters, as the panel cuts it: Wine's own cut of a double-byte character
// leaves its trail byte (0x5C for 表) at the end, which no reader should take.
std::wstring ReadText(const char* path, const char* section, const char* key, const char* defaultValue,
                      std::string* cp932 = nullptr)
{
    char wider[kTextSize + 1];
    GetPrivateProfileStringA(section, key, defaultValue, wider, kTextSize + 1, path);
    wider[kTextSize] = '\0';
    auto lead = [](char c) {
        unsigned char b = static_cast<unsigned char>(c);
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    };
    int length = 0;
    int all = static_cast<int>(std::strlen(wider));
    while (length < all) {
        int step = lead(wider[length]) && length + 1 < all ? 2 : 1;
        if (length + step > kTextSize - 1 || (step == 1 && lead(wider[length])))
            break;
        length += step;
    }
    std::wstring text(length, L'\0');
    text.resize(MultiByteToWideChar(932, 0, wider, length, &text[0], length));
    if (cp932)
        cp932->assign(wider, length);
    return text;
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
        std::wstring defaultName = DefaultPageName(n);
        std::string narrowName(defaultName.size() * 2, '\0');
        narrowName.resize(WideCharToMultiByte(932, 0, defaultName.data(), static_cast<int>(defaultName.size()),
                                              &narrowName[0], static_cast<int>(narrowName.size()), nullptr, nullptr));
        page.name = ReadText(path, section, "Name", narrowName.c_str());
        for (int m = 1; m <= itemCount; ++m) {
            snprintf(section, sizeof section, "Page%d:Item%d", n, m);
            LauncherItem item = {};
            std::string pathValue;
            item.name = ReadText(path, section, "Name", "");
            item.path = ReadText(path, section, "Path", "", &pathValue);
            item.parameter = ReadText(path, section, "Parameter", "");
            item.workDir = ReadText(path, section, "WorkDir", "");
            item.iconPath = ReadText(path, section, "IconPath", pathValue.c_str());
            item.iconIndex = GetPrivateProfileIntA(section, "IconIndex", -1, path);
            item.posX = GetPrivateProfileIntA(section, "PosX", -1, path);
            item.posY = GetPrivateProfileIntA(section, "PosY", -1, path);
            item.imageIndex = kImageNotMade;  // as a load leaves it: no icon made yet
            page.items.push_back(item);
        }
    }
}
