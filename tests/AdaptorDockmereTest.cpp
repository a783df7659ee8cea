// Dockmere itself hosted through a copy of the adaptor named Dockmere.vx: it
// reads its settings from the setting folder the host services give it, shows
// them, and writes them back there when the host closes the panel.
#include <gtest/gtest.h>

#include "AdaptorKit.h"

#include <commctrl.h>

using namespace adaptortest;

namespace {

// Two pages of one item each, in code page 932.
constexpr char kSettings[] =
    "[Launcher]\r\nPageCount=2\r\nDoubleClick=1\r\nShowTab=1\r\nViewStyle=10009\r\nAutoArrange=1\r\nGridArrange=1\r\n"
    "[Page1]\r\nItemCount=1\r\nName=\"仕事\"\r\n"
    "[Page1:Item1]\r\nName=\"メモ帳\"\r\nPath=\"C:\\windows\\notepad.exe\"\r\nParameter=\"\"\r\n"
    "WorkDir=\"C:\\windows\\\"\r\nIconPath=\"C:\\windows\\notepad.exe\"\r\nIconIndex=-1\r\nPosX=-1\r\nPosY=-1\r\n"
    "[Page2]\r\nItemCount=1\r\nName=\"遊び\"\r\n"
    "[Page2:Item1]\r\nName=\"表示\"\r\nPath=\"C:\\windows\\winhlp32.exe\"\r\nParameter=\"\"\r\n"
    "WorkDir=\"\"\r\nIconPath=\"C:\\windows\\winhlp32.exe\"\r\nIconIndex=-1\r\nPosX=-1\r\nPosY=-1\r\n";

struct ChildSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindChild(HWND parent, const char* className)
{
    ChildSearch search = {className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string TabText(HWND tabs, int index)
{
    char text[520] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class AdaptorDockmereTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHost(host, folder);
        profile = folder.temp().File("profile");
        CreateDirectoryA(profile.c_str(), nullptr);
        CreateDirectoryA((profile + "\\setting").c_str(), nullptr);
        host.SetFolder(VexFolderProfile, Wide(profile) + L"\\");
        settings = profile + "\\setting\\Dockmere.ini";
        ASSERT_TRUE(wintest::WriteFileBytes(settings, kSettings));
        MarkOld(settings);
        vx = folder.Install("Dockmere", "Dockmere.kdx");
    }

    // Gives the file a write time in 2001, so that a save is seen.
    static void MarkOld(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SYSTEMTIME old = {2001, 1, 1, 1, 0, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&old, &time);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    static bool WrittenSince2001(const std::string& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return false;
        SYSTEMTIME time;
        FileTimeToSystemTime(&data.ftLastWriteTime, &time);
        return time.wYear > 2001;
    }
    void ExpectSavedSettings()
    {
        EXPECT_TRUE(WrittenSince2001(settings));
        std::string saved;
        ASSERT_TRUE(wintest::ReadFileBytes(settings, &saved));
        EXPECT_TRUE(Contains(saved, "PageCount=2"));
        EXPECT_TRUE(Contains(saved, "Name=\"仕事\""));
        EXPECT_TRUE(Contains(saved, "Name=\"遊び\""));
        EXPECT_TRUE(Contains(saved, "Name=\"表示\""));
        // Only the setting folder the services named holds the file.
        EXPECT_FALSE(wintest::FileExists(profile + "\\Dockmere.ini"));
        EXPECT_FALSE(wintest::FileExists(folder.temp().File("Dockmere.ini")));
    }

    PluginFolder folder;
    StandInHost host;
    wintest::WindowNest nest;
    std::string profile;
    std::string settings;
    std::wstring vx;
};

TEST_F(AdaptorDockmereTest, PanelShowsAndSavesItsSettingsInTheServicesSettingFolder)
{
    {
        PluginSession session;
        ASSERT_TRUE(session.Load(vx));
        EXPECT_EQ(session.Name(), L"Dockmere");
        HWND panel = session.Create(nest.panelParent());
        ASSERT_TRUE(IsWindow(panel));
        char className[64] = {};
        GetClassNameA(panel, className, sizeof className);
        EXPECT_STRNE(className, "Edit");  // the real panel, not the help text
        session.Show(true);
        wintest::Pump(500);

        HWND tabs = FindChild(panel, WC_TABCONTROLA);
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(TabText(tabs, 0), "仕事");
        EXPECT_EQ(TabText(tabs, 1), "遊び");
        HWND list = FindChild(panel, WC_LISTVIEWA);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);

        EXPECT_EQ(session.Close(), 0);
        EXPECT_FALSE(GetModuleHandleW(folder.KdxPath("Dockmere").c_str()));
    }
    ExpectSavedSettings();
    EXPECT_EQ(host.OutstandingReferences(), 0);
    EXPECT_EQ(host.OutstandingBlocks(), 0);
    EXPECT_EQ(host.Mistakes(), 0);
}

TEST_F(AdaptorDockmereTest, SecondObjectOfTheCopyGetsTheHelpTextWhileTheFirstHostsThePanel)
{
    PluginSession session;
    ASSERT_TRUE(session.Load(vx));
    HWND panel = session.Create(nest.panelParent());
    VIPluginBase* base = reinterpret_cast<VpiCreateInstanceProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(session.module(), VPI_CREATEINSTANCE_NAME)))(0);
    void* second = nullptr;
    ASSERT_TRUE(base->QueryInterface(VexInterfacePanel, &second));
    auto* other = static_cast<VIPanel*>(second);
    other->Initialize();
    auto classOf = [](HWND window) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        return std::string(name);
    };
    HWND help = other->Create(nest.panelParent());
    EXPECT_EQ(classOf(help), "Edit");
    other->Destroy();
    EXPECT_FALSE(IsWindow(help));

    // The first panel works on and saves; then the second object hosts one itself.
    wintest::Pump(500);
    EXPECT_EQ(SendMessageA(FindChild(panel, WC_LISTVIEWA), LVM_GETITEMCOUNT, 0, 0), 1);
    session.panel()->Destroy();
    ExpectSavedSettings();
    EXPECT_FALSE(GetModuleHandleW(folder.KdxPath("Dockmere").c_str()));
    EXPECT_EQ(classOf(other->Create(nest.panelParent())), "Corvane Plugin - Dockmere");
    other->Destroy();
    other->Release();
    base->Release();
    EXPECT_EQ(session.Close(), 0);
    EXPECT_FALSE(GetModuleHandleW(folder.KdxPath("Dockmere").c_str()));
    EXPECT_EQ(host.OutstandingReferences(), 0);
    EXPECT_EQ(host.OutstandingBlocks(), 0);
}

TEST_F(AdaptorDockmereTest, StandInHostProgramRunsThePanelAndClosesItself)
{
    // vantrelhost.exe and the copy it runs are both the platform build.
    vx = folder.Install("Dockmere", "Dockmere.kdx", kPlatformAdaptor);
    std::wstring command = L"\"" + Wide(wintest::ProgramFolder()) + L"vantrelhost.exe\" /profile \"" + Wide(profile) +
                           L"\" /exit 1500 \"" + vx + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(exitCode, 0u);
    ExpectSavedSettings();
}

}  // namespace
