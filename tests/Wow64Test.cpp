// The shipped Dockmere.kdx in a 32-bit host on 64-bit Windows (a 64-bit prefix,
// scripts/wine-session.sh --wow64): files dropped from a 64-bit shell, started
// with the panel's own Open command, kept in the settings file on close.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include <string>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "PanelReader.h"
#include "WinTest.h"

using namespace wintest;

namespace {

HDROP MakeDrop(const std::string& path)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + path.size() + 2);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    memcpy(header + 1, path.c_str(), path.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The 64-bit probe only where a 64-bit program sees it: the 64-bit System32 (which
// a 32-bit process reaches as Sysnative) and the 64-bit Program Files. The first is
// dropped as a 64-bit Explorer names it, the second through a shortcut that a 64-bit
// process wrote with arguments, a working folder and an icon; both are started
// with the panel's Open command and kept as given. System32 itself opens in a folder
// window, a document only the 64-bit System32 holds opens by its type's command with
// its exact path, and a shortcut to run as administrator stays the item after Yes.
TEST(Wow64Test, SystemProgramAndShortcutTargetOnlyThe64BitViewHoldsStart)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64) << "not a 64-bit prefix";
    const std::string probe = ProgramFolder() + "LaunchProbe64.exe";
    const std::string system = "C:\\windows\\system32\\dockmere-probe64.exe";
    ASSERT_TRUE(CopyFileA(probe.c_str(), "C:\\windows\\Sysnative\\dockmere-probe64.exe", FALSE));
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(system.c_str())) << "System32 is not redirected";
    const std::string folder = "C:\\Program Files\\Dockmere Probe", workDir = folder + "\\work folder";
    const std::string program = folder + "\\probe64.exe", arguments = "--profile-directory=Work \"two words\"";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(workDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(probe.c_str(), program.c_str(), FALSE));
    TempFolder settings;
    const std::string link = settings.File("Probe.lnk"), output = settings.File("probe-output.txt");
    const std::string maker = ProgramFolder() + "ShortcutMaker64.exe";
    ASSERT_EQ(0, _spawnl(_P_WAIT, maker.c_str(), "maker", ("\"" + link + "\"").c_str(), ("\"" + program + "\"").c_str(),
                         ("\"" + workDir + "\"").c_str(), ("\"" + program + "\"").c_str(),
                         "\"--profile-directory=Work \\\"two words\\\"\"", nullptr));
    const std::string elevated = settings.File("Elevated.lnk"), document = "C:\\windows\\system32\\dockmere.dmknote";
    ASSERT_EQ(0, _spawnl(_P_WAIT, maker.c_str(), "maker", ("\"" + elevated + "\"").c_str(), ("\"" + program + "\"").c_str(),
                         "C:\\", ("\"" + program + "\"").c_str(), "\"\"", "runas", nullptr));
    CloseHandle(CreateFileA("C:\\windows\\Sysnative\\dockmere.dmknote", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    RegSetValueA(HKEY_CLASSES_ROOT, ".dmknote", REG_SZ, "DockmereNote", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, "DockmereNote\\shell\\open\\command", REG_SZ, ("\"" + probe + "\" \"%1\"").c_str(), 0);
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output.c_str());

    ResetHostState();
    HostState().folders[KdxFolderSetting] = HostFolderText(settings.path());
    Settings empty;
    empty.pages.push_back(SettingsPage{"ページ &1", {}});
    ASSERT_TRUE(WriteFileBytes(settings.File("Dockmere.ini"), SettingsFileText(empty)));
    WindowNest nest;
    KdxPlugin plugin;
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load((ProgramFolder() + "Dockmere.kdx").c_str()));
    HWND panel = plugin.Create(nest.panelParent());
    HWND list = GetDlgItem(panel, 20001);
    RECT client;
    GetClientRect(list, &client);
    POINT emptySpace = {client.right - 8, client.bottom - 8};
    ClientToScreen(list, &emptySpace);
    SetCursorPos(emptySpace.x, emptySpace.y);

    ModalDriver driver;
    for (int question = 0; question < 2; ++question)
        driver.Then([](HWND question) { PostCommand(question, IDYES); });
    for (const std::string& dropped : {system, link, elevated, std::string("C:\\windows\\system32"), document})
        SendMessageA(panel, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
    // The drops' files are looked at on workers; the items come in the drops' order.
    EXPECT_TRUE(PumpUntil([&] { return ListCount(list) == 5; }, 15000));
    ASSERT_EQ(5, ListCount(list));
    EXPECT_EQ("Probe", ListText(list, 1)) << "the shortcut's own name";

    // Open on each item in turn; the probe writes its command line and folder.
    std::string reports[5];
    for (int i : {0, 1, 3, 4}) {
        LVITEMA state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        SendMessageA(panel, WM_COMMAND, 10002, 0);
        if (i == 3)  // a folder window of its own, named after the folder
            EXPECT_TRUE(PumpUntil([] {
                HWND folder = FindWindowA(nullptr, "system32");
                return folder && PostMessageA(folder, WM_CLOSE, 0, 0);
            }, 15000));
        else
            EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(output, &reports[i]); }, 15000)) << "item " << i;
        DeleteFileA(output.c_str());
    }
    EXPECT_EQ(2, driver.answered()) << "the shortcut questions, and no failed start";
    EXPECT_NE(std::string::npos, reports[4].find("\"" + document + "\"\n")) << reports[4];
    EXPECT_EQ(0, driver.unexpected());
    EXPECT_NE(std::string::npos, reports[0].find("\nC:\\windows\\system32\n")) << "its own System32: " << reports[0];
    EXPECT_NE(std::string::npos, reports[1].find("probe64.exe\" " + arguments)) << reports[1];
    EXPECT_NE(std::string::npos, reports[1].find("\n" + workDir + "\n")) << reports[1];

    plugin.Destroy();
    auto stored = [&](int item, const char* key) {
        return ProfileText(settings.File("Dockmere.ini"), "Page1:Item" + std::to_string(item), key);
    };
    EXPECT_EQ(system, stored(1, "Path")) << "the text stays as the user gave it";
    EXPECT_EQ("C:\\windows\\system32\\", stored(1, "WorkDir"));
    EXPECT_EQ(program, stored(2, "Path"));
    EXPECT_EQ(elevated, stored(3, "Path")) << "the shortcut itself";
    EXPECT_EQ(arguments, stored(2, "Parameter"));
    EXPECT_EQ(workDir, stored(2, "WorkDir"));
    EXPECT_EQ(program, stored(2, "IconPath"));
    EXPECT_EQ("0", stored(2, "IconIndex"));
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
    DeleteFileA("C:\\windows\\Sysnative\\dockmere-probe64.exe");
    DeleteFileA("C:\\windows\\Sysnative\\dockmere.dmknote");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "DockmereNote");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".dmknote");
}

}  // namespace
