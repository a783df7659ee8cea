// The shipped Dockmere.kdx in a 32-bit host on 64-bit Windows (a 64-bit prefix,
// scripts/wine-session.sh --wow64): files dropped from a 64-bit shell, started
// with the panel's own Open command, kept in the settings file on close.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "PanelReader.h"
#include "Texts.h"
#include "WinTest.h"

using namespace wintest;

namespace {

constexpr int kListViewId = 20001;
constexpr int kOpenCommand = 10002;

// The 64-bit probe, only where a 64-bit program sees it: the 64-bit System32 and
// the 64-bit Program Files. A 32-bit process reaches the first only through Sysnative.
const char kSystemProbe[] = "C:\\windows\\system32\\dockmere-probe64.exe";
const char kSystemProbeReached[] = "C:\\windows\\Sysnative\\dockmere-probe64.exe";
const char kProgramFolder[] = "C:\\Program Files\\Dockmere Probe";

HDROP MakeDrop(const std::string& path)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + path.size() + 2);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    memcpy(header + 1, path.c_str(), path.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

bool RunAndWait(std::string commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

class Wow64Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        BOOL wow64 = FALSE;
        ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64) << "not a 64-bit prefix";
        std::string probe = ProgramFolder() + "LaunchProbe64.exe";
        ASSERT_TRUE(CopyFileA(probe.c_str(), kSystemProbeReached, FALSE));
        ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kSystemProbe)) << "System32 is not redirected";
        CreateDirectoryA(kProgramFolder, nullptr);
        CreateDirectoryA((std::string(kProgramFolder) + "\\work folder").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(probe.c_str(), (std::string(kProgramFolder) + "\\probe64.exe").c_str(), FALSE));
        output_ = folder_.File("probe-output.txt");
        SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output_.c_str());

        ResetHostState();
        HostState().folders[KdxFolderSetting] = HostFolderText(folder_.path());
        Settings settings;
        settings.pages.push_back(SettingsPage{"ページ &1", {}});
        ASSERT_TRUE(WriteFileBytes(folder_.File("Dockmere.ini"), SettingsFileText(settings)));
        ASSERT_EQ(KdxLoadResult::Loaded, plugin_.Load((ProgramFolder() + "Dockmere.kdx").c_str()));
        panel_ = plugin_.Create(nest_.panelParent());
        ASSERT_NE(nullptr, panel_);
        list_ = GetDlgItem(panel_, kListViewId);
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
        DeleteFileA(kSystemProbeReached);
    }

    // Drops the file onto empty space in the list, as the shell's drag ends.
    void DropOnEmptySpace(const std::string& path)
    {
        RECT client;
        GetClientRect(list_, &client);
        POINT at = {client.right - 8, client.bottom - 8};
        ClientToScreen(list_, &at);
        SetCursorPos(at.x, at.y);
        SendMessageA(panel_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(path)), 0);
    }

    // Selects the list item and chooses Open, as the context menu does; returns
    // the probe's command line and folder.
    bool Open(int index, std::string* commandLine, std::string* folder)
    {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        SendMessageA(panel_, WM_COMMAND, kOpenCommand, 0);
        std::string report;
        if (!PumpUntil([&] { return ReadFileBytes(output_, &report); }, 15000))
            return false;
        DeleteFileA(output_.c_str());
        size_t first = report.find('\n');
        *commandLine = report.substr(0, first);
        *folder = report.substr(first + 1, report.find('\n', first + 1) - first - 1);
        return true;
    }

    std::string Stored(const char* key)
    {
        return ProfileText(folder_.File("Dockmere.ini"), "Page1:Item1", key);
    }

    TempFolder folder_;
    WindowNest nest_;
    KdxPlugin plugin_;
    HWND panel_ = nullptr;
    HWND list_ = nullptr;
    std::string output_;
};

TEST_F(Wow64Test, SystemProgramOnlyThe64BitViewHoldsStarts)
{
    ModalDriver driver(3000);
    DropOnEmptySpace(kSystemProbe);
    ASSERT_EQ(1, ListCount(list_));
    EXPECT_EQ(0, driver.unexpected()) << "no question, no message";

    std::string commandLine, folder;
    ASSERT_TRUE(Open(0, &commandLine, &folder)) << "the 64-bit program did not start";
    EXPECT_EQ(0, driver.unexpected()) << "a failed start was reported";
    EXPECT_EQ(0, lstrcmpiA("C:\\windows\\system32", folder.c_str())) << "the child's own System32: " << folder;

    plugin_.Destroy();
    EXPECT_EQ(kSystemProbe, Stored("Path")) << "the stored text stays as the user gave it";
    EXPECT_EQ("C:\\windows\\system32\\", Stored("WorkDir"));
}

TEST_F(Wow64Test, ShortcutWrittenBy64BitShellKeepsItsTargetArgumentsAndFolder)
{
    const std::string target = std::string(kProgramFolder) + "\\probe64.exe";
    const std::string workDir = std::string(kProgramFolder) + "\\work folder";
    const std::string arguments = "--profile-directory=Work \"two words\"";
    const std::string link = folder_.File("Probe.lnk");
    std::string quotedArguments = "\"--profile-directory=Work \\\"two words\\\"\"";
    ASSERT_TRUE(RunAndWait("\"" + ProgramFolder() + "ShortcutMaker64.exe\" \"" + link + "\" \"" + target + "\" \""
                           + workDir + "\" \"" + target + "\" " + quotedArguments));

    ModalDriver driver;
    std::string question;
    driver.Then([&](HWND box) {
        question = ItemText(box, 0xFFFF);
        PostCommand(box, IDYES);
    });
    DropOnEmptySpace(link);
    ASSERT_EQ(1, ListCount(list_));
    EXPECT_EQ(TEXT_ASK_SHORTCUT_TARGET, question);
    EXPECT_EQ("probe64", ListText(list_, 0));

    std::string commandLine, folder;
    ASSERT_TRUE(Open(0, &commandLine, &folder)) << "the shortcut's 64-bit target did not start";
    EXPECT_NE(std::string::npos, commandLine.find("probe64.exe\" " + arguments)) << commandLine;
    EXPECT_EQ(0, lstrcmpiA(workDir.c_str(), folder.c_str())) << folder;
    EXPECT_EQ(1, driver.answered());
    EXPECT_EQ(0, driver.unexpected());

    plugin_.Destroy();
    EXPECT_EQ(0, lstrcmpiA(target.c_str(), Stored("Path").c_str())) << Stored("Path");
    EXPECT_EQ(arguments, Stored("Parameter"));
    EXPECT_EQ(0, lstrcmpiA(workDir.c_str(), Stored("WorkDir").c_str())) << Stored("WorkDir");
    EXPECT_EQ(0, lstrcmpiA(target.c_str(), Stored("IconPath").c_str())) << Stored("IconPath");
    EXPECT_EQ("0", Stored("IconIndex"));
}

}  // namespace
