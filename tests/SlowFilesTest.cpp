// The shipped panel with item files that answer only when the test lets them
// (SlowFiles in Dockmere.kdx's own imports): the host's thread never waits on them.
// The held files lie on Z: (the folder of this program), the others on C:, so
// they are in lanes of their own as a share and a local disk would be.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "KdxHostCore.h"
#include "ModalDriver.h"
#include "PanelReader.h"
#include "SlowFiles.h"
#include "WinTest.h"

using namespace wintest;

namespace {

constexpr DWORD kReturnsWithin = 1500;  // ms: the host's loop is back at once, however slow this machine
constexpr UINT kOpenCommand = 10002;
constexpr UINT kNewPageCommand = 10012;
constexpr UINT kSecondPageCommand = 10101;
constexpr UINT kPropertiesCommand = 10008;

std::wstring Wide(const std::string& text)
{
    WCHAR wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH * 2);
    return wide;
}

class SlowFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        ResetHostState();
        HostState().folders[1] = HostFolderText(folder.path());
        held = ProgramFolder() + "LaunchProbe.exe";
        ASSERT_EQ('Z', toupper(held[0])) << "the test program is expected on Z:, the held files' own lane";
        Settings settings;
        SettingsPage first{"first", {}};
        for (int i = 0; i < 25; ++i) {
            bool slow = i % 5 == 2;  // 5 of 25
            // The local ones show shell32's folder icon, far from the placeholder of a .dll.
            first.items.push_back({"item" + std::to_string(i), slow ? held : "C:\\windows\\system32\\shell32.dll",
                                   slow ? -1 : 3, (i % 5) * 60, (i / 5) * 60});
        }
        settings.pages = {first, {"second", {{"held", held, -1, 0, 0}}}};
        ASSERT_TRUE(WriteFileBytes(folder.File("Dockmere.ini"), SettingsFileText(settings)));
    }

    // Elapsed milliseconds of `action` on this thread.
    template <class Action>
    static DWORD Timed(Action action)
    {
        DWORD start = GetTickCount();
        action();
        return GetTickCount() - start;
    }

    TempFolder folder;
    WindowNest nest;
    std::string held;
};

// Create, a page switch, a start, properties OK and destroy with FreeLibrary all
// give the host's loop back while five files never answer; the host's timer ticks
// meanwhile, the other items get their real icons, the settings file holds the
// last state, and once the files answer the workers end and the module goes.
TEST_F(SlowFilesTest, HeldFilesNeverHoldTheHost)
{
    KdxPlugin plugin;
    ASSERT_EQ(KdxLoadResult::Loaded, plugin.Load((ProgramFolder() + "Dockmere.kdx").c_str()));
    HMODULE module = plugin.module();
    auto slow = std::make_unique<SlowFiles>(module);
    std::wstring heldPath = Wide(held);
    slow->Hold(heldPath);
    // The local files are held too, for a moment: their lane must come to them
    // while the held lane waits (under WOW64 they are read through Sysnative).
    const std::wstring local = L"C:\\windows\\";
    slow->Hold(local);

    HWND panel = nullptr;
    EXPECT_GT(kReturnsWithin, Timed([&] { panel = plugin.Create(nest.panelParent()); }));
    ASSERT_NE(nullptr, panel);
    HWND list = FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(slow->WaitForBlocked(heldPath, 1)) << "the held files were never asked for";

    // Every item has a slot of its own, with its placeholder, at once.
    for (int i = 0; i < 25; ++i)
        ASSERT_EQ(i, ListImage(list, i));

    // The host's loop runs: its timer ticks while the files are held.
    int ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    DWORD until = GetTickCount() + 1000;
    while (GetTickCount() < until) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.wParam == timer)
                ++ticks;
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    KillTimer(nullptr, timer);
    EXPECT_LE(5, ticks) << "the host's timer stood still";

    // The 20 on C: have their icons asked for while the held lane waits, and get
    // them once let go (the images' arrival is ItemIconsTest's and PanelTest's).
    EXPECT_TRUE(slow->WaitForBlocked(local, 1)) << "the local icons waited behind the held file";
    slow->Release(local);
    EXPECT_EQ(1, slow->Requests(heldPath)) << "the held lane went on past its hung file";

    // A page switch to a held item, back, and a start of a held item.
    EXPECT_GT(kReturnsWithin, Timed([&] { SendMessageA(panel, WM_COMMAND, kSecondPageCommand, 0); }));
    EXPECT_GT(kReturnsWithin, Timed([&] { SendMessageA(panel, WM_COMMAND, kSecondPageCommand - 1, 0); }));
    std::string report = folder.File("started.txt");
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", report.c_str());
    LVITEMA select = {};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    EXPECT_GT(kReturnsWithin, Timed([&] { SendMessageA(panel, WM_COMMAND, kOpenCommand, 0); }));

    // Properties OK on the held item.
    {
        // OK stores at once and asks a worker for the icon: the dialog closes.
        ModalDriver driver;
        driver.Then([](HWND dialog) { PostCommand(dialog, IDOK); });
        SendMessageA(panel, WM_COMMAND, kPropertiesCommand, 0);
        EXPECT_EQ(1, driver.answered());
        EXPECT_EQ(0, driver.timedOut());
        EXPECT_EQ(0, driver.unexpected());
    }

    // The start and the icons waited in the held files' lane; once the files
    // answer, the start reaches the shell, and the held items' icons come.
    slow->Release(heldPath);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(report); }, 20000)) << "the start never came";
    SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
    slow->Hold(heldPath);
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    SendMessageA(panel, WM_COMMAND, kOpenCommand, 0);  // a start that waits on the held file
    ASSERT_TRUE(slow->WaitForBlocked(heldPath, 1));
    // A local file hangs as well, on the settings file's own volume (a cloud placeholder
    // in the profile): the icon OK asks for waits, the save must not wait behind it.
    ASSERT_EQ('C', toupper(folder.path()[0])) << "the settings folder is expected on C:";
    slow->Hold(local);
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
    {
        ModalDriver driver;
        driver.Then([](HWND dialog) { PostCommand(dialog, IDOK); });
        SendMessageA(panel, WM_COMMAND, kPropertiesCommand, 0);
        EXPECT_EQ(1, driver.answered());
    }
    ASSERT_TRUE(slow->WaitForBlocked(local, 1));

    // A last change, then destroy and FreeLibrary with the files still held.
    SendMessageA(panel, WM_COMMAND, kNewPageCommand, 0);
    EXPECT_GT(kReturnsWithin, Timed([&] { plugin.Destroy(); }));
    EXPECT_EQ(3, ProfileInt(folder.File("Dockmere.ini"), "Launcher", "PageCount"));
    EXPECT_NE(nullptr, GetModuleHandleA("Dockmere.kdx")) << "the workers hold the module while they wait";

    // The files answer: the workers end by themselves and the module goes.
    slow->Release(local);
    slow->Release(heldPath);
    DWORD waited = GetTickCount();
    EXPECT_TRUE(PumpUntil([] { return GetModuleHandleA("Dockmere.kdx") == nullptr; }, 20000));
    printf("module unloaded %lu ms after the files answered\n", GetTickCount() - waited);
    slow.reset();
}

}  // namespace
