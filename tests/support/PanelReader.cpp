#include "PanelReader.h"

#include <commctrl.h>

#include <cstdio>

namespace wintest {

std::vector<std::string> TabTexts(HWND tabControl)
{
    std::vector<std::string> texts;
    int count = static_cast<int>(SendMessageA(tabControl, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[600] = "";
        TCITEMA tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = text;
        tab.cchTextMax = sizeof text;
        SendMessageA(tabControl, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&tab));
        texts.push_back(text);
    }
    return texts;
}

int SelectedTab(HWND tabControl)
{
    return static_cast<int>(SendMessageA(tabControl, TCM_GETCURSEL, 0, 0));
}

int ListCount(HWND listView)
{
    return static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListText(HWND listView, int index)
{
    char text[600] = "";
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(listView, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring ListTextW(HWND listView, int index)
{
    wchar_t text[600] = L"";
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 600;
    SendMessageW(listView, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring TabTextW(HWND tabControl, int index)
{
    wchar_t text[600] = L"";
    TCITEMW tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = 600;
    SendMessageW(tabControl, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&tab));
    return text;
}

std::vector<std::string> ListTexts(HWND listView)
{
    std::vector<std::string> texts;
    for (int i = 0; i < ListCount(listView); ++i)
        texts.push_back(ListText(listView, i));
    return texts;
}

int ListImage(HWND listView, int index)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = 12345;  // sentinel: a failed read is not mistaken for an image
    SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

POINT ListPosition(HWND listView, int index)
{
    POINT point = {-99999, -99999};
    SendMessageA(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(&point));
    return point;
}

std::vector<uint32_t> ScreenPixels(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int width = client.right, height = client.bottom;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const uint32_t* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = source[i] & 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

DWORD StyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL);
}

DWORD ExStyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT ChildRect(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string SettingsFileText(const Settings& settings)
{
    std::string text;
    char line[1200];
    auto add = [&](const char* format, auto... values) {
        snprintf(line, sizeof line, format, values...);
        text += line;
        text += "\r\n";
    };
    add("[Launcher]");
    add("PageCount=%d", static_cast<int>(settings.pages.size()));
    add("DoubleClick=%d", settings.doubleClick);
    add("ShowTab=%d", settings.showTab);
    add("ViewStyle=%d", settings.viewStyle);
    add("AutoArrange=%d", settings.autoArrange);
    add("GridArrange=%d", settings.gridArrange);
    for (size_t p = 0; p < settings.pages.size(); ++p) {
        const SettingsPage& page = settings.pages[p];
        add("[Page%d]", static_cast<int>(p + 1));
        add("ItemCount=%d", static_cast<int>(page.items.size()));
        add("Name=\"%s\"", page.name.c_str());
        for (size_t i = 0; i < page.items.size(); ++i) {
            const SettingsItem& item = page.items[i];
            add("[Page%d:Item%d]", static_cast<int>(p + 1), static_cast<int>(i + 1));
            add("Name=\"%s\"", item.name.c_str());
            add("Path=\"%s\"", item.path.c_str());
            add("Parameter=\"\"");
            add("WorkDir=\"%s\"", item.workDir.c_str());
            add("IconPath=\"%s\"", item.path.c_str());
            add("IconIndex=%d", item.iconIndex);
            add("PosX=%d", item.posX);
            add("PosY=%d", item.posY);
        }
    }
    return text;
}

// Each look-up first drops Wine's cached copy of the file (IniOracle.h,
// ForgetProfile): the panel rewrites the file between look-ups of one test.
int ProfileInt(const std::string& file, const std::string& section, const char* key, int fallback)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key, fallback, file.c_str()));
}

std::string ProfileText(const std::string& file, const std::string& section, const char* key)
{
    char text[600] = "";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    GetPrivateProfileStringA(section.c_str(), key, "", text, sizeof text, file.c_str());
    return text;
}

}  // namespace wintest
