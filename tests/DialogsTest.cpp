// The item properties dialog, the text prompt, the file browser and the icon
// picker, driven through their real windows; the templates and the drag cursor
// read back from the built plug-in module.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "panel/Dialogs.h"
#include "ImportHook.h"
#include "PanelResults.h"
#include "platform/ItemIcons.h"
#include "data/LauncherData.h"
#include "ImagePixels.h"
#include "ModalDriver.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "platform/ModuleRecord.h"
#include "WinTest.h"
#include "resource.h"

using wintest::ItemText;
using wintest::ModalDriver;
using wintest::PostCommand;
using wintest::WindowText;

namespace {

HMODULE PluginModule()
{
    static HMODULE module = LoadLibraryA((wintest::ProgramFolder() + "Dockmere.kdx").c_str());
    return module;
}

// ---- Dialog templates ----

struct ExpectedControl {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

struct ExpectedDialog {
    DWORD style;
    DWORD exStyle;
    short cx, cy;
    const wchar_t* caption;
    std::vector<ExpectedControl> controls;
};

// Reads a sz_Or_Ord field: none, an ordinal (as "#n") or a string.
std::wstring ReadNameOrOrdinal(const WORD*& p)
{
    if (*p == 0) {
        ++p;
        return L"";
    }
    if (*p == 0xFFFF) {
        WORD ordinal = p[1];
        p += 2;
        switch (ordinal) {
        case 0x80: return L"BUTTON";
        case 0x81: return L"EDIT";
        case 0x82: return L"STATIC";
        }
        return L"#" + std::to_wstring(ordinal);
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(p));
    p += text.size() + 1;
    return text;
}

const WORD* AlignToDword(const WORD* p, const BYTE* base)
{
    size_t offset = reinterpret_cast<const BYTE*>(p) - base;
    return reinterpret_cast<const WORD*>(base + ((offset + 3) & ~size_t{3}));
}

struct ParsedControl {
    DWORD style, exStyle;
    short x, y, cx, cy;
    int id;
    std::wstring cls, text;
};

struct ParsedDialog {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, cls, caption, font;
    WORD pointSize = 0;
    std::vector<ParsedControl> controls;
};

bool ParseDialogTemplate(const BYTE* base, ParsedDialog* dialog)
{
    const WORD* p = reinterpret_cast<const WORD*>(base);
    if (p[0] != 1 || p[1] != 0xFFFF)
        return false;  // not DLGTEMPLATEEX
    dialog->extended = true;
    const BYTE* b = base + 8;  // past dlgVer, signature, helpID
    memcpy(&dialog->exStyle, b, 4);
    memcpy(&dialog->style, b + 4, 4);
    WORD count;
    memcpy(&count, b + 8, 2);
    memcpy(&dialog->x, b + 10, 2);
    memcpy(&dialog->y, b + 12, 2);
    memcpy(&dialog->cx, b + 14, 2);
    memcpy(&dialog->cy, b + 16, 2);
    p = reinterpret_cast<const WORD*>(b + 18);
    dialog->menu = ReadNameOrOrdinal(p);
    dialog->cls = ReadNameOrOrdinal(p);
    dialog->caption = ReadNameOrOrdinal(p);
    if (dialog->style & DS_SETFONT) {
        dialog->pointSize = p[0];
        p += 3;  // point size, weight, italic and character set
        dialog->font = ReadNameOrOrdinal(p);
    }
    for (WORD i = 0; i < count; ++i) {
        p = AlignToDword(p, base);
        const BYTE* c = reinterpret_cast<const BYTE*>(p);
        ParsedControl control;
        memcpy(&control.exStyle, c + 4, 4);
        memcpy(&control.style, c + 8, 4);
        memcpy(&control.x, c + 12, 2);
        memcpy(&control.y, c + 14, 2);
        memcpy(&control.cx, c + 16, 2);
        memcpy(&control.cy, c + 18, 2);
        DWORD id;
        memcpy(&id, c + 20, 4);
        control.id = static_cast<int>(id);
        p = reinterpret_cast<const WORD*>(c + 24);
        control.cls = ReadNameOrOrdinal(p);
        control.text = ReadNameOrOrdinal(p);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        dialog->controls.push_back(control);
    }
    return true;
}

bool LoadDialogTemplate(int id, ParsedDialog* dialog)
{
    HRSRC found = FindResourceA(PluginModule(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found)
        return false;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(PluginModule(), found)));
    return data && ParseDialogTemplate(data, dialog);
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
const DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

const ExpectedDialog kPropertiesLayout = {
    kDialogStyle, 0, 300, 235, L"プロパティ",
    {
        {1001, L"EDIT", L"", kEdit, 58, 24, 117, 14},
        {1002, L"EDIT", L"", kEdit, 80, 65, 157, 14},
        {1008, L"BUTTON", L"参照(&B)...", kButton, 241, 65, 52, 14},
        {1003, L"EDIT", L"", kEdit, 80, 86, 157, 14},
        {1006, L"EDIT", L"", kEdit, 80, 107, 157, 14},
        {1004, L"EDIT", L"", kEdit, 80, 142, 157, 14},
        {1005, L"EDIT", L"", kEdit | ES_NUMBER, 80, 163, 44, 14},
        {1007, L"BUTTON", L"変更(&C)...", kButton, 127, 163, 52, 14},
        {IDOK, L"BUTTON", L"OK", kDefaultButton, 182, 214, 50, 14},
        {IDCANCEL, L"BUTTON", L"キャンセル", kButton, 235, 214, 55, 14},
        {-1, L"STATIC", L"名前:", WS_CHILD | WS_GROUP | SS_LEFT, 58, 18, 48, 8},
        {-1, L"STATIC", L"ファイル名:", kLabel, 10, 68, 66, 8},
        {-1, L"STATIC", L"パラメータ:", kLabel, 10, 89, 66, 8},
        {-1, L"STATIC", L"アイコンの場所:", kLabel, 10, 145, 66, 8},
        {-1, L"STATIC", L"アイコンの番号:", kLabel, 10, 166, 66, 8},
        {-1, L"STATIC", L"作業フォルダ:", kLabel, 10, 110, 66, 8},
        {-1, L"STATIC", L"", kChild | SS_ETCHEDHORZ, 10, 53, 283, 1},
        {-1, L"STATIC", L"", kChild | SS_ETCHEDHORZ, 10, 131, 283, 1},
        {1009, L"STATIC", L"", WS_CHILD | WS_GROUP | SS_LEFT, 13, 16, 32, 32},
    }};

const ExpectedDialog kTextPromptLayout = {
    kDialogStyle, WS_EX_TOPMOST, 231, 59, L"名前の変更",
    {
        {1010, L"EDIT", L"", kEdit, 63, 9, 161, 14},
        {IDOK, L"BUTTON", L"OK", kDefaultButton, 118, 38, 50, 14},
        {IDCANCEL, L"BUTTON", L"キャンセル", kButton, 174, 38, 50, 14},
        {1011, L"STATIC", L"新しい名前:", kLabel, 11, 12, 48, 8},
    }};

TEST(DialogTemplates, MatchTheirLayout)
{
    const struct {
        int id;
        const ExpectedDialog* expected;
    } dialogs[] = {{IDD_ITEM_PROPERTIES, &kPropertiesLayout}, {IDD_TEXT_PROMPT, &kTextPromptLayout}};

    ASSERT_NE(nullptr, PluginModule());
    for (const auto& entry : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(entry.id));
        ParsedDialog dialog;
        ASSERT_TRUE(LoadDialogTemplate(entry.id, &dialog));
        const ExpectedDialog& layout = *entry.expected;
        EXPECT_EQ(layout.style, dialog.style);
        EXPECT_EQ(layout.exStyle, dialog.exStyle);
        EXPECT_EQ(layout.cx, dialog.cx);
        EXPECT_EQ(layout.cy, dialog.cy);
        EXPECT_TRUE(dialog.menu.empty());
        EXPECT_TRUE(dialog.cls.empty());
        EXPECT_EQ(std::wstring(layout.caption), dialog.caption);
        EXPECT_EQ(std::wstring(L"MS UI Gothic"), dialog.font);
        EXPECT_EQ(9, dialog.pointSize);
        ASSERT_EQ(layout.controls.size(), dialog.controls.size());
        for (size_t i = 0; i < layout.controls.size(); ++i) {
            const ExpectedControl& want = layout.controls[i];
            const ParsedControl& got = dialog.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
            EXPECT_EQ(want.id, got.id);
            EXPECT_EQ(std::wstring(want.cls), got.cls);
            EXPECT_EQ(std::wstring(want.text), got.text);
            EXPECT_EQ(want.style, got.style);
            EXPECT_EQ(0u, got.exStyle);
            EXPECT_EQ(want.x, got.x);
            EXPECT_EQ(want.y, got.y);
            EXPECT_EQ(want.cx, got.cx);
            EXPECT_EQ(want.cy, got.cy);
        }
    }
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The width `text` needs in the widest of the fonts a Japanese Windows gives these
// dialogs (MS UI Gothic, or Yu Gothic UI or Meiryo UI where it is missing): every
// character outside ASCII a whole em, every other one 0.6 em; or what the dialog's
// own font measures, when that is wider.
int WidestTextWidth(HDC dc, const std::wstring& text, int em)
{
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;  // the mnemonic marker is not drawn
        shown += text[i];
    }
    int widest = 0;
    for (wchar_t c : shown)
        widest += c < 0x80 ? em * 6 / 10 : em;
    RECT measured = {0, 0, 0, 0};
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return std::max(widest, static_cast<int>(measured.right));
}

TEST(DialogTemplates, NoLabelOrButtonTextIsCutOff)
{
    ASSERT_NE(nullptr, PluginModule());
    for (int id : {IDD_ITEM_PROPERTIES, IDD_TEXT_PROMPT}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        HWND dialog = CreateDialogParamW(PluginModule(), MAKEINTRESOURCEW(id), nullptr, QuietDialog, 0);
        ASSERT_NE(nullptr, dialog);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        LOGFONTW logFont = {};
        ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
        HDC dc = GetDC(dialog);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        int em = std::max<int>(std::abs(logFont.lfHeight), metrics.tmHeight - metrics.tmInternalLeading);
        int measuredControls = 0;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring cls(16, L'\0');
            cls.resize(GetClassNameW(child, &cls[0], 16));
            std::wstring text(256, L'\0');
            text.resize(GetWindowTextW(child, &text[0], 256));
            if (text.empty() || (cls != L"Static" && cls != L"Button"))
                continue;
            SCOPED_TRACE(text);
            RECT client;
            GetClientRect(child, &client);
            // A push button draws its text inside its frame and focus rectangle.
            int frame = cls == L"Button" ? 4 * GetSystemMetrics(SM_CXEDGE) : 0;
            EXPECT_GE(client.right - frame, WidestTextWidth(dc, text, em));
            EXPECT_GE(client.bottom, metrics.tmHeight);
            ++measuredControls;
        }
        EXPECT_GE(measuredControls, 3);
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
}

// The drag cursor: monochrome 32x32, hot spot at the arrow's tip (16, 8), a
// transparent top-left corner and something drawn below and right of the arrow.
TEST(DragCursor, IsMonochromeWithHotSpotAtTheTip)
{
    HCURSOR cursor = static_cast<HCURSOR>(
        LoadImageA(PluginModule(), MAKEINTRESOURCEA(IDC_DRAG_CURSOR), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_NE(nullptr, cursor);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(16u, info.xHotspot);
    EXPECT_EQ(8u, info.yHotspot);
    EXPECT_EQ(nullptr, info.hbmColor) << "a monochrome cursor has no colour bitmap";
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(32, mask.bmWidth);
    EXPECT_EQ(64, mask.bmHeight);

    // Top half: AND plane (1 = screen shows through); bottom half: XOR plane.
    std::vector<BYTE> bits(mask.bmWidthBytes * mask.bmHeight);
    GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data());
    auto bit = [&](int x, int y) { return (bits[y * mask.bmWidthBytes + x / 8] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(1, bit(0, 0)) << "corner transparent";
    EXPECT_EQ(0, bit(16, 8)) << "tip drawn";
    EXPECT_EQ(0, bit(16, 32 + 8)) << "tip black";
    int drawnBelowRight = 0;
    for (int y = 24; y < 32; ++y)
        for (int x = 24; x < 32; ++x)
            drawnBelowRight += bit(x, y) == 0;
    EXPECT_GT(drawnBelowRight, 4);
    DeleteObject(info.hbmMask);
}

// ---- A panel of our own: hidden window, list view, image lists, data ----

std::string IconFileBytes(COLORREF color)
{
    const int sizes[] = {32, 16};
    std::string header, images;
    auto put16 = [](std::string& s, WORD v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    auto put32 = [](std::string& s, DWORD v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    put16(header, 0);
    put16(header, 1);
    put16(header, 2);
    DWORD offset = 6 + 16 * 2;
    for (int size : sizes) {
        std::string image;
        put32(image, 40);
        put32(image, size);
        put32(image, size * 2);
        put16(image, 1);
        put16(image, 32);
        image.append(24, '\0');
        for (int i = 0; i < size * size; ++i) {
            image += static_cast<char>(GetBValue(color));
            image += static_cast<char>(GetGValue(color));
            image += static_cast<char>(GetRValue(color));
            image += static_cast<char>(0xFF);
        }
        image.append(((size + 31) / 32) * 4 * size, '\0');  // AND mask: all opaque

        header += static_cast<char>(size);
        header += static_cast<char>(size);
        header += '\0';
        header += '\0';
        put16(header, 1);
        put16(header, 32);
        put32(header, static_cast<DWORD>(image.size()));
        put32(header, offset);
        offset += static_cast<DWORD>(image.size());
        images += image;
    }
    return header + images;
}

bool Near(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) < 24 && abs(GetGValue(a) - GetGValue(b)) < 24
           && abs(GetBValue(a) - GetBValue(b)) < 24;
}

const COLORREF kRed = RGB(220, 20, 20);
const COLORREF kBlue = RGB(20, 20, 220);

struct ItemTexts {
    std::string name, path, parameter, workDir, iconPath;
    int iconIndex;
};

bool SameItem(const LauncherItem& a, const LauncherItem& b)
{
    return a.name == b.name && a.path == b.path && a.parameter == b.parameter && a.workDir == b.workDir
           && a.iconPath == b.iconPath && a.iconIndex == b.iconIndex && a.posX == b.posX && a.posY == b.posY
           && a.imageIndex == b.imageIndex && a.shortPath == b.shortPath && a.shortWorkDir == b.shortWorkDir
           && a.shortIconPath == b.shortIconPath;
}

class DialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        icons_ = new wintest::TempFolder;
        redIcon_ = icons_->File("red.ico");
        blueIcon_ = icons_->File("blue icon.ico");
        wintest::WriteFileBytes(redIcon_, IconFileBytes(kRed));
        wintest::WriteFileBytes(blueIcon_, IconFileBytes(kBlue));
    }

    static void TearDownTestSuite()
    {
        delete icons_;
        icons_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, PluginModule());
        panel_ = CreateWindowExA(0, "STATIC", "panel", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SINGLESEL, 0, 0, 400,
                                400, panel_, reinterpret_cast<HMENU>(IDC_LIST_VIEW), GetModuleHandleA(nullptr),
                                nullptr);
        large_ = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
        small_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
        SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large_));
        SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small_));
        moduleRecord.instance = PluginModule();
        livePanel = &record_;
        wintest::TakeResults(record_, panel_);
        livePanel->listView = list_;
        livePanel->largeImageList = large_;
        livePanel->smallImageList = small_;

        ResetLauncherData();
        AddPage();
        AddPage();
        SetCurrentPage(0);
    }

    void TearDown() override
    {
        wintest::PumpUntilWorkersDone();
        iconPickerOverride = nullptr;
        DestroyWindow(panel_);
        ImageList_Destroy(large_);
        ImageList_Destroy(small_);
        livePanel = nullptr;
        ResetLauncherData();
    }

    // Appends an item with its icon to a page, and its list item when the page is shown.
    int AddTestItem(int page, const ItemTexts& texts)
    {
        LauncherItem item = {};
        item.name = wintest::Wide(texts.name);
        item.path = wintest::Wide(texts.path);
        item.parameter = wintest::Wide(texts.parameter);
        item.workDir = wintest::Wide(texts.workDir);
        item.iconPath = wintest::Wide(texts.iconPath);
        item.iconIndex = texts.iconIndex;
        item.posX = -1;
        item.posY = -1;
        item.imageIndex = StoreItemIcon(livePanel->ImageLists(), -1, texts.iconIndex, item.iconPath.c_str());
        AddItem(page, item);
        int index = GetItemCount(page) - 1;
        if (page == GetCurrentPage()) {
            LVITEMW entry = {};
            entry.mask = LVIF_TEXT | LVIF_IMAGE;
            entry.iItem = index;
            entry.pszText = &item.name[0];
            entry.iImage = item.imageIndex;
            SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
        }
        return index;
    }

    std::string ListText(int index)
    {
        char text[kTextSize] = {};
        LVITEMA entry = {};
        entry.pszText = text;
        entry.cchTextMax = sizeof text;
        SendMessageA(list_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&entry));
        return text;
    }

    int ListImage(int index)
    {
        LVITEMA entry = {};
        entry.mask = LVIF_IMAGE;
        entry.iItem = index;
        SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
        return entry.iImage;
    }

    ItemTexts Sample(int iconIndex = 0)
    {
        return ItemTexts{"メモ帳", "C:\\windows\\notepad.exe", "/a \"b c\"", "C:\\windows", redIcon_, iconIndex};
    }

    static wintest::TempFolder* icons_;
    static std::string redIcon_;
    static std::string blueIcon_;
    PanelRecord record_;  // the panel these windows stand for
    HWND panel_ = nullptr;
    HWND list_ = nullptr;
    HIMAGELIST large_ = nullptr;
    HIMAGELIST small_ = nullptr;
};

wintest::TempFolder* DialogsTest::icons_ = nullptr;
std::string DialogsTest::redIcon_;
std::string DialogsTest::blueIcon_;

// What an open properties dialog shows.
struct Shown {
    std::string title, name, path, parameter, workDir, iconPath, iconIndex;
    bool iconIndexEnabled = false;

    void Read(HWND dialog)
    {
        title = WindowText(dialog);
        name = ItemText(dialog, IDC_ITEM_NAME);
        path = ItemText(dialog, IDC_ITEM_PATH);
        parameter = ItemText(dialog, IDC_ITEM_PARAMETER);
        workDir = ItemText(dialog, IDC_ITEM_WORK_DIR);
        iconPath = ItemText(dialog, IDC_ITEM_ICON_PATH);
        iconIndex = ItemText(dialog, IDC_ITEM_ICON_INDEX);
        iconIndexEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_ICON_INDEX)) != FALSE;
    }
};

TEST_F(DialogsTest, PropertiesShowTheItem)
{
    const struct {
        const char* title;
        ItemTexts item;
        const char* expectedIndex;
        bool enabled;
    } cases[] = {
        {"icon from the file", Sample(0), "0", true},
        {"the shell's own icon", {"ツール", "C:\\a b\\tool.exe", "", "", redIcon_, -1}, "-1", false},
        {"empty name", {"", "x", "", "", redIcon_, 3}, "3", true},
        {"longest name", {std::string(kTextSize - 1, 'n'), "x", "", "", redIcon_, 0}, "0", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        int index = AddTestItem(0, c.item);
        LauncherItem before = GetItem(0, index);
        Shown shown;
        ModalDriver driver;
        driver.Then([&](HWND dialog) {
            shown.Read(dialog);
            PostCommand(dialog, IDCANCEL);
        });

        EXPECT_EQ(IDCANCEL, ShowItemProperties(0, index));

        EXPECT_EQ(1, driver.answered());
        EXPECT_EQ(c.item.name + " のプロパティ", shown.title);
        EXPECT_EQ(c.item.name, shown.name);
        EXPECT_EQ(c.item.path, shown.path);
        EXPECT_EQ(c.item.parameter, shown.parameter);
        EXPECT_EQ(c.item.workDir, shown.workDir);
        EXPECT_EQ(c.item.iconPath, shown.iconPath);
        EXPECT_EQ(c.expectedIndex, shown.iconIndex);
        EXPECT_EQ(c.enabled, shown.iconIndexEnabled);
        EXPECT_TRUE(SameItem(before, GetItem(0, index)));
    }
}

TEST_F(DialogsTest, PropertiesPaintTheListImageAtTheIconPlace)
{
    int index = AddTestItem(0, Sample());
    COLORREF painted = CLR_INVALID;
    ModalDriver driver;
    driver.Then([&](HWND dialog) {
        UpdateWindow(dialog);
        RECT place;
        GetWindowRect(GetDlgItem(dialog, IDC_ITEM_ICON_PLACE), &place);
        POINT centre = {place.left + 16, place.top + 16};
        ScreenToClient(dialog, &centre);
        HDC dc = GetDC(dialog);
        painted = GetPixel(dc, centre.x, centre.y);
        ReleaseDC(dialog, dc);
        PostCommand(dialog, IDCANCEL);
    });
    ShowItemProperties(0, index);
    EXPECT_TRUE(Near(kRed, painted)) << std::hex << painted;
}

// OK writes every field as typed, replaces the image in place and shows the new
// label and image in the list at once.
TEST_F(DialogsTest, PropertiesOkStoresEveryFieldAndRefreshesTheList)
{
    const struct {
        const char* title;
        ItemTexts typed;
        const char* typedIndex;
        int expectedIndex;
        COLORREF expectedColor;
        bool iconless;  // the item had no image and the typed icon path gives none
    } cases[] = {
        {"every field changed", {"新しい名前", "D:\\新\\run.exe", "-x", "D:\\work", "", 0}, "0", 0, kBlue, false},
        {"emptied name and texts", {"", "", "", "", "", 0}, "", 0, kBlue, false},
        {"-1 kept", {"same", "p", "", "", "", 0}, "-1", -1, CLR_INVALID, false},
        {"no icon before or after", {"none", "p", "", "", "", 0}, "0", 0, CLR_INVALID, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ResetLauncherData();
        AddPage();
        SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
        AddTestItem(0, Sample());
        ItemTexts start = Sample(c.expectedIndex == -1 ? -1 : 0);
        std::string missingIcon = icons_->File("missing.ico");
        if (c.iconless)
            start.iconPath = missingIcon;
        int index = AddTestItem(0, start);
        int image = GetItemImageIndex(0, index);
        int imageCount = ImageList_GetImageCount(large_);
        ItemTexts typed = c.typed;
        typed.iconPath = c.iconless ? missingIcon : c.expectedIndex == -1 ? redIcon_ : blueIcon_;

        ModalDriver driver;
        driver.Then([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_ITEM_NAME, typed.name.c_str());
            SetDlgItemTextA(dialog, IDC_ITEM_PATH, typed.path.c_str());
            SetDlgItemTextA(dialog, IDC_ITEM_PARAMETER, typed.parameter.c_str());
            SetDlgItemTextA(dialog, IDC_ITEM_WORK_DIR, typed.workDir.c_str());
            SetDlgItemTextA(dialog, IDC_ITEM_ICON_PATH, typed.iconPath.c_str());
            SetDlgItemTextA(dialog, IDC_ITEM_ICON_INDEX, c.typedIndex);
            PostCommand(dialog, IDOK);
        });

        EXPECT_EQ(IDOK, ShowItemProperties(0, index));
        ASSERT_TRUE(wintest::PumpUntilWorkersDone());

        const LauncherItem& item = GetItem(0, index);
        EXPECT_EQ(wintest::Wide(typed.name.c_str()), std::wstring(item.name));
        EXPECT_EQ(wintest::Wide(typed.path.c_str()), std::wstring(item.path));
        EXPECT_EQ(wintest::Wide(typed.parameter.c_str()), std::wstring(item.parameter));
        EXPECT_EQ(wintest::Wide(typed.workDir.c_str()), std::wstring(item.workDir));
        EXPECT_EQ(wintest::Wide(typed.iconPath.c_str()), std::wstring(item.iconPath));
        EXPECT_EQ(c.expectedIndex, item.iconIndex);
        EXPECT_EQ(image, item.imageIndex) << "the image stays at its index";
        // An item without an image is given a slot for its placeholder, which stays
        // unused when the worker finds no icon either.
        EXPECT_EQ(imageCount + (c.iconless ? 1 : 0), ImageList_GetImageCount(large_));
        EXPECT_EQ(imageCount + (c.iconless ? 1 : 0), ImageList_GetImageCount(small_));
        if (c.expectedColor != CLR_INVALID) {
            EXPECT_TRUE(Near(c.expectedColor, wintest::ImageCenterColor(large_, image)));
            EXPECT_TRUE(Near(c.expectedColor, wintest::ImageCenterColor(small_, image)));
        }
        EXPECT_EQ(typed.name, ListText(index));
        // An item without an image shows none, not the list view's callback marker.
        EXPECT_EQ(c.iconless ? I_IMAGENONE : image, ListImage(index));
        EXPECT_EQ("メモ帳", ListText(0)) << "the other list item is untouched";
        EXPECT_EQ(wintest::Wide("メモ帳"), std::wstring(GetItem(0, 0).name));
    }
}

TEST_F(DialogsTest, PropertiesOfAnItemNotShownLeaveTheListAlone)
{
    AddTestItem(0, Sample());
    // As loaded: its page not shown yet, its icon not made yet. The dialog shows it.
    LauncherItem waiting;
    CopyItem(&waiting, 1, AddTestItem(1, {"other page", "q", "", "", redIcon_, 0}));
    waiting.imageIndex = kImageNotMade;
    AddItem(1, waiting);
    int index = GetItemCount(1) - 1;
    ModalDriver driver;
    driver.Then([](HWND dialog) { PostCommand(dialog, IDCANCEL); });
    driver.Then([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_ITEM_NAME, "renamed");
        PostCommand(dialog, IDOK);
    });
    ShowItemProperties(1, index);
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    ASSERT_LE(0, GetItem(1, index).imageIndex);
    EXPECT_TRUE(Near(kRed, wintest::ImageCenterColor(large_, GetItem(1, index).imageIndex)));
    EXPECT_EQ(IDOK, ShowItemProperties(1, index));
    EXPECT_EQ(wintest::Wide("renamed"), std::wstring(GetItem(1, index).name));
    EXPECT_EQ("メモ帳", ListText(0));
    EXPECT_EQ(wintest::Wide("メモ帳"), std::wstring(GetItem(0, 0).name));
}

TEST_F(DialogsTest, PropertiesCancelChangesNothing)
{
    int index = AddTestItem(0, Sample());
    LauncherItem before = GetItem(0, index);
    int imageCount = ImageList_GetImageCount(large_);
    ModalDriver driver;
    driver.Then([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_ITEM_NAME, "changed");
        SetDlgItemTextA(dialog, IDC_ITEM_PATH, "changed");
        SetDlgItemTextA(dialog, IDC_ITEM_ICON_PATH, blueIcon_.c_str());
        PostMessageA(dialog, WM_CLOSE, 0, 0);  // the title bar's close box
    });
    EXPECT_EQ(IDCANCEL, ShowItemProperties(0, index));
    EXPECT_TRUE(SameItem(before, GetItem(0, index)));
    EXPECT_EQ(imageCount, ImageList_GetImageCount(large_));
    EXPECT_TRUE(Near(kRed, wintest::ImageCenterColor(large_, before.imageIndex)));
    EXPECT_EQ("メモ帳", ListText(index));
}

TEST_F(DialogsTest, PropertiesOfNoItemOpenNothing)
{
    AddTestItem(0, Sample());
    ModalDriver driver;
    EXPECT_EQ(-1, ShowItemProperties(0, -1));
    EXPECT_EQ(-1, ShowItemProperties(0, 1));
    EXPECT_EQ(-1, ShowItemProperties(2, 0));
    EXPECT_EQ(0, driver.unexpected());
}

// ---- The file browser ----

struct OpenFileCall {
    OPENFILENAMEW request;
    std::string filter;       // in the code page, for comparison with the panel's text
    std::string initialFile;
    std::wstring wideFile, initialDir;  // initialDir: "null" for none
};

std::vector<OpenFileCall> openFileCalls;
wintest::ImportHook* openFileHook;

std::string InCodePage(const WCHAR* text, int length = -1)
{
    char bytes[2048] = {};
    int written = WideCharToMultiByte(CP_ACP, 0, text, length, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, written > 0 && length == -1 ? written - 1 : written > 0 ? written : 0);
}

BOOL WINAPI RecordGetOpenFileName(OPENFILENAMEW* request)
{
    OpenFileCall call = {};
    memcpy(&call.request, request, request->lStructSize < sizeof call.request ? request->lStructSize : sizeof call.request);
    int filterLength = 0;
    for (const WCHAR* p = request->lpstrFilter; p && (*p || p[1]); ++p)
        ++filterLength;
    call.filter = InCodePage(request->lpstrFilter, filterLength);
    call.initialFile = InCodePage(request->lpstrFile);
    call.wideFile = request->lpstrFile;
    call.initialDir = request->lpstrInitialDir ? request->lpstrInitialDir : L"null";
    openFileCalls.push_back(call);
    return reinterpret_cast<decltype(&GetOpenFileNameW)>(openFileHook->original())(request);
}

// The file name field of the file dialog (a combo box with an edit field).
const int kFileNameField = cmb13;

TEST_F(DialogsTest, BrowseChangesOnlyThePathField)
{
    int index = AddTestItem(0, Sample());
    std::string chosen = icons_->File("chosen file.txt");
    ASSERT_TRUE(wintest::WriteFileBytes(chosen, "x"));
    wintest::ImportHook hook("COMDLG32.DLL", "GetOpenFileNameW", reinterpret_cast<void*>(RecordGetOpenFileName));
    ASSERT_TRUE(hook.installed());
    openFileHook = &hook;

    for (bool choose : {true, false}) {
        SCOPED_TRACE(choose ? "a file chosen" : "browser cancelled");
        openFileCalls.clear();
        Shown before, after;
        std::string shownFileName = "unread";
        HWND propertiesDialog = nullptr;
        ModalDriver driver;
        driver.Then([&](HWND dialog) {
            propertiesDialog = dialog;
            before.Read(dialog);
            driver.Then([&](HWND browser) {
                shownFileName = ItemText(browser, kFileNameField);
                if (choose) {
                    SetDlgItemTextA(browser, kFileNameField, chosen.c_str());
                    PostCommand(browser, IDOK);
                } else {
                    PostCommand(browser, IDCANCEL);
                }
            });
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
            after.Read(dialog);
            PostCommand(dialog, IDOK);
        });

        EXPECT_EQ(IDOK, ShowItemProperties(0, index));

        EXPECT_EQ(2, driver.answered());
        const size_t title = before.path.rfind('\\') + 1;  // the browser opens on the item's file
        EXPECT_EQ(before.path.substr(title), shownFileName);
        EXPECT_EQ(choose ? chosen : before.path, after.path);
        EXPECT_EQ(before.name, after.name);
        EXPECT_EQ(before.parameter, after.parameter);
        EXPECT_EQ(before.workDir, after.workDir);
        EXPECT_EQ(before.iconPath, after.iconPath);
        EXPECT_EQ(before.iconIndex, after.iconIndex);
        EXPECT_EQ(wintest::Wide(after.path), GetItem(0, index).path);

        ASSERT_EQ(1u, openFileCalls.size());
        const OPENFILENAMEW& request = openFileCalls[0].request;
        EXPECT_EQ(76u, request.lStructSize);
        EXPECT_EQ(propertiesDialog, request.hwndOwner);
        EXPECT_EQ(PluginModule(), request.hInstance);
        EXPECT_EQ(std::string("全てのファイル\0*.*", 18), openFileCalls[0].filter);
        EXPECT_EQ(0u, request.nFilterIndex);
        EXPECT_EQ(static_cast<DWORD>(kMaxTextUnits + 1), request.nMaxFile) << "room for the longest path";
        EXPECT_EQ(before.path.substr(title), openFileCalls[0].initialFile);
        EXPECT_TRUE(openFileCalls[0].initialDir == wintest::Wide(before.path.substr(0, title)));
        EXPECT_EQ(nullptr, request.lpstrTitle);
        EXPECT_EQ(nullptr, request.lpstrDefExt);
        EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST
                                     | OFN_NONETWORKBUTTON | OFN_NODEREFERENCELINKS | OFN_ENABLESIZING
                                     | OFN_DONTADDTORECENT),
                  request.Flags);
    }

    // A missing folder is passed as it is; a quoted text or a folder past MAX_PATH opens
    // by default; the longest name fits.
    const std::wstring longName(kMaxTextUnits - 3, L'x');
    const struct { std::wstring field, folder, name; } fields[] = {
        {L"C:\\gone\\a.exe", L"C:\\gone\\", L"a.exe"}, {L"\"C:\\a.exe\"", L"null", L""},
        {L"C:\\" + std::wstring(MAX_PATH, L'x') + L"\\a.exe", L"null", L""}, {L"C:\\" + longName, L"C:\\", longName}};
    for (const auto& f : fields) {
        openFileCalls.clear();
        std::wstring path = f.field;
        ModalDriver driver;
        driver.Then([](HWND browser) { PostCommand(browser, IDCANCEL); });
        EXPECT_FALSE(BrowseForFile(panel_, &path));
        ASSERT_EQ(1u, openFileCalls.size());
        EXPECT_TRUE(f.folder == openFileCalls[0].initialDir && f.name == openFileCalls[0].wideFile && path == f.field);
    }
    openFileHook = nullptr;
}

// ---- The icon picker ----

struct PickerCall {
    HWND owner;
    std::wstring path;
    UINT size;
    int index;
};

struct PickerAnswer {
    int result;
    std::wstring path;  // written when not empty
    int index;
};

std::vector<PickerCall> pickerCalls;
PickerAnswer pickerAnswer;

int WINAPI FakePicker(HWND owner, WCHAR* path, UINT size, int* index)
{
    pickerCalls.push_back(PickerCall{owner, path, size, *index});
    if (!pickerAnswer.path.empty())
        lstrcpynW(path, pickerAnswer.path.c_str(), size);
    *index = pickerAnswer.index;
    return pickerAnswer.result;
}

TEST_F(DialogsTest, PickItemIconTakesOnlyAWholeChoice)
{
    const std::wstring chosen = L"C:\\アイコン\\set.dll";
    const struct {
        const char* title;
        PickerAnswer answer;
        bool taken;
    } cases[] = {
        {"confirmed", {1, chosen, 7}, true},
        {"cancelled after moving around", {0, L"C:\\elsewhere.dll", 3}, false},
        {"a picker that cannot run answers -1", {-1, L"", 5}, false},
        // Past the 519 bytes of the old buffer, and outside every code page: both whole.
        {"a path of 300 characters", {1, std::wstring(300, L'あ'), 2}, true},
        {"characters the code page lacks", {1, L"C:\\caf\u00e9\u4e02〜\U0001F680.dll", 2}, true},
    };
    iconPickerOverride = FakePicker;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        pickerCalls.clear();
        pickerAnswer = c.answer;
        std::wstring path = L"C:\\元\\old.ico";
        int index = 4;

        int result = PickItemIcon(&path, &index);

        ASSERT_EQ(1u, pickerCalls.size());
        EXPECT_EQ(panel_, pickerCalls[0].owner);
        EXPECT_EQ(std::wstring(L"C:\\元\\old.ico"), pickerCalls[0].path);
        EXPECT_EQ(static_cast<UINT>(kMaxTextUnits + 1), pickerCalls[0].size) << "room for the longest path";
        EXPECT_EQ(4, pickerCalls[0].index);
        EXPECT_EQ(c.taken, result > 0);
        EXPECT_EQ(c.taken ? c.answer.path : std::wstring(L"C:\\元\\old.ico"), path);
        EXPECT_EQ(c.taken ? c.answer.index : 4, index);
    }
}

TEST_F(DialogsTest, PickItemIconWithTheShellsPicker)
{
    // Whatever the platform's picker does here (Wine's answers at once), no
    // choice is made without a person and nothing changes.
    ModalDriver driver;
    driver.Then([](HWND window) { PostCommand(window, IDCANCEL); });
    std::wstring path = L"C:\\windows\\system32\\shell32.dll";
    int index = 2;
    EXPECT_EQ(0, PickItemIcon(&path, &index));
    EXPECT_EQ(L"C:\\windows\\system32\\shell32.dll", path);
    EXPECT_EQ(2, index);
    EXPECT_EQ(0, driver.timedOut());
}

TEST_F(DialogsTest, ChangeIconFillsTheFieldsOnlyOnAChoice)
{
    const struct {
        int result;
        int close;
        bool stored;
    } cases[] = {{1, IDOK, true}, {1, IDCANCEL, false}, {0, IDOK, false}, {-1, IDOK, false}};
    iconPickerOverride = FakePicker;
    for (const auto& c : cases) {
        SCOPED_TRACE("picker answers " + std::to_string(c.result) + ", dialog closed with " + std::to_string(c.close));
        ResetLauncherData();
        AddPage();
        SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
        int index = AddTestItem(0, {"tool", "t.exe", "", "", "C:\\元の\\tool.exe", -1});
        LauncherItem before = GetItem(0, index);
        pickerCalls.clear();
        pickerAnswer = PickerAnswer{c.result, L"C:\\新しい\\icons.dll", 7};
        HWND propertiesDialog = nullptr;
        Shown after;
        ModalDriver driver;
        driver.Then([&](HWND dialog) {
            propertiesDialog = dialog;
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHANGE_ICON, BN_CLICKED), 0);
            after.Read(dialog);
            PostCommand(dialog, c.close);
        });

        EXPECT_EQ(c.close, ShowItemProperties(0, index));

        ASSERT_EQ(1u, pickerCalls.size());
        EXPECT_EQ(propertiesDialog, pickerCalls[0].owner) << "the picker belongs to the open dialog";
        EXPECT_EQ(0, pickerCalls[0].index) << "the picker opens at the first icon";
        EXPECT_EQ(std::wstring(L"C:\\元の\\tool.exe"), pickerCalls[0].path);
        bool chosen = c.result > 0;
        EXPECT_EQ(chosen ? "C:\\新しい\\icons.dll" : "C:\\元の\\tool.exe", after.iconPath);
        EXPECT_EQ(chosen ? "7" : "-1", after.iconIndex);
        EXPECT_EQ(chosen, after.iconIndexEnabled);
        if (c.stored) {
            EXPECT_EQ(wintest::Wide("C:\\新しい\\icons.dll"), std::wstring(GetItem(0, index).iconPath));
            EXPECT_EQ(7, GetItem(0, index).iconIndex);
        } else {
            EXPECT_EQ(before.iconPath, GetItem(0, index).iconPath);
            EXPECT_EQ(-1, GetItem(0, index).iconIndex);
        }
    }
}

// ---- The text prompt ----

TEST_F(DialogsTest, TextPromptReturnsWhatFitsOnOk)
{
    const struct {
        const char* title;
        std::wstring initial;
        std::wstring typed;
        size_t limit;
        std::wstring expected;
    } cases[] = {
        {"short", L"ページ &1", L"新しいページ", kMaxTextUnits, L"新しいページ"},
        {"past the 519 bytes of a profile text", L"ページ &1", std::wstring(600, L'w'), kMaxTextUnits,
         std::wstring(600, L'w')},
        {"outside every code page", L"ページ &1", L"Café〜한글 🚀", kMaxTextUnits, L"Café〜한글 🚀"},
        {"longer than the limit", L"p1", L"abcdefghij", 7, L"abcdefg"},
        {"emptied", L"ページ &1", L"", kMaxTextUnits, L""},
        {"a surrogate pair cut at the limit", L"ページ &1", L"ab🚀", 3, L"ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        std::wstring text = c.initial;
        std::wstring shownText;
        std::string shownLabel, shownCaption;
        bool topmost = false;
        ModalDriver driver;
        driver.Then([&](HWND dialog) {
            wchar_t shown[64] = L"";
            GetDlgItemTextW(dialog, IDC_PROMPT_TEXT, shown, 64);
            shownText = shown;
            shownLabel = ItemText(dialog, IDC_PROMPT_LABEL);
            shownCaption = WindowText(dialog);
            topmost = (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            SetDlgItemTextW(dialog, IDC_PROMPT_TEXT, c.typed.c_str());
            PostCommand(dialog, IDOK);
        });

        EXPECT_TRUE(AskText(panel_, &text, L"新しい名前:", L"名前の変更", c.limit));

        EXPECT_EQ(c.initial, shownText);
        EXPECT_EQ("新しい名前:", shownLabel);
        EXPECT_EQ("名前の変更", shownCaption);
        EXPECT_TRUE(topmost);
        EXPECT_EQ(c.expected, text);
    }
}

TEST_F(DialogsTest, TextPromptCancelKeepsTheBuffer)
{
    std::wstring text = L"ページ &2";
    ModalDriver driver;
    driver.Then([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, "typed");
        PostCommand(dialog, IDCANCEL);
    });
    EXPECT_FALSE(AskText(panel_, &text, L"label", L"caption"));
    EXPECT_EQ(L"ページ &2", text);
}

// Without the dialog resources no dialog opens, and nothing changes.
TEST_F(DialogsTest, MissingTemplatesChangeNothing)
{
    int index = AddTestItem(0, Sample());
    LauncherItem before = GetItem(0, index);
    moduleRecord.instance = GetModuleHandleA(nullptr);
    ModalDriver driver;
    std::wstring text = L"keep";
    EXPECT_FALSE(AskText(panel_, &text, L"label", L"caption"));
    EXPECT_EQ(L"keep", text);
    EXPECT_NE(IDOK, ShowItemProperties(0, index));
    EXPECT_TRUE(SameItem(before, GetItem(0, index)));
    EXPECT_EQ(0, driver.answered() + driver.unexpected());
    moduleRecord.instance = PluginModule();
}

}  // namespace
