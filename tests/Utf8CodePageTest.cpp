// The shipped Dockmere.kdx in a host whose ANSI code page is UTF-8 (its manifest
// asks for it, as Windows 10 1903 and later allow): the host hands its folder over
// in UTF-8, the CP932 settings file's Japanese texts are shown exactly, a Japanese
// path starts, and the file stays CP932 after a change.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "PanelReader.h"
#include "WinTest.h"

using namespace wintest;

namespace {

std::string Utf8(const std::wstring& wide)
{
    std::string text(wide.size() * 4, '\0');
    text.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                    static_cast<int>(text.size()), nullptr, nullptr));
    return text;
}

std::wstring FromCodePage(UINT codePage, const std::string& text, DWORD flags = 0)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

TEST(Utf8CodePageTest, JapaneseSettingsAreShownStartedAndKeptInCp932)
{
    ASSERT_EQ(65001u, GetACP()) << "the manifest's activeCodePage was not honoured";
    TempFolder temp;  // an ASCII path: the same bytes in every code page
    const std::wstring folder = Wide(temp.path()) + L"\\設定フォルダ", program = folder + L"\\起動テスト.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "no UTF-8 locale (scripts/install-deps.sh)";
    ASSERT_TRUE(CopyFileW(Wide(ProgramFolder() + "LaunchProbe.exe").c_str(), program.c_str(), FALSE));
    Settings settings;
    settings.pages = {{"ツール", {{"メモ帳", Narrow(program), -1, 10, 10}}}, {"資料", {}}};
    const std::string ini = Utf8(folder + L"\\Dockmere.ini"), report = Utf8(folder + L"\\started.txt");
    ASSERT_TRUE(WriteFileBytes(ini, SettingsFileText(settings)));
    ResetHostState();
    HostState().folders[KdxFolderSetting] = HostFolderText(Utf8(folder));  // the host's ANSI code page

    WindowNest nest;
    KdxPlugin plugin;
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load((ProgramFolder() + "Dockmere.kdx").c_str()));
    HWND panel = plugin.Create(nest.panelParent());
    HWND tabs = GetDlgItem(panel, 20002), list = GetDlgItem(panel, 20001);
    EXPECT_EQ(L"ツール", TabTextW(tabs, 0));
    EXPECT_EQ(L"資料", TabTextW(tabs, 1));
    ASSERT_EQ(1, ListCount(list));
    EXPECT_EQ(L"メモ帳", ListTextW(list, 0));

    SetEnvironmentVariableW(L"LAUNCH_PROBE_OUTPUT", (folder + L"\\started.txt").c_str());
    ModalDriver driver(3000);  // a failed start's message is closed and counted
    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    SendMessageW(panel, WM_COMMAND, 10002, 0);
    std::string started;
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(report, &started); }, 15000)) << "not started";
    EXPECT_EQ(0, driver.unexpected());
    EXPECT_NE(std::wstring::npos, FromCodePage(CP_UTF8, started).find(program)) << started;
    SetEnvironmentVariableW(L"LAUNCH_PROBE_OUTPUT", nullptr);

    SendMessageW(panel, WM_COMMAND, 10012, 0);  // a new page
    plugin.Destroy();
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(ini, &bytes));
    std::wstring text = FromCodePage(932, bytes, MB_ERR_INVALID_CHARS);
    ASSERT_FALSE(text.empty()) << "the file is not CP932";
    for (const std::wstring& line : {L"PageCount=3", L"Name=\"ツール\"", L"Name=\"メモ帳\"", L"Name=\"ページ &3\""})
        EXPECT_NE(std::wstring::npos, text.find(line + L"\r\n")) << Narrow(line);
    EXPECT_NE(std::wstring::npos, text.find(L"Path=\"" + program + L"\"\r\n"));
    EXPECT_EQ(std::wstring::npos, text.find(L"PathW")) << "CP932 holds the path";
}

}  // namespace
