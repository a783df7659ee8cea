// Starting items: what the shell is asked (seen through the import table) and
// what the started program really receives (a probe program that writes down its
// command line and folder).
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImportHook.h"
#include "PanelResults.h"
#include "platform/Launch.h"
#include "data/LauncherData.h"
#include "ModalDriver.h"
#include "Texts.h"
#include "WinTest.h"

namespace {

struct ShellCall {
    HWND owner;
    bool hasVerb;
    std::string file;
    bool hasParameters;
    std::string parameters;
    bool hasFolder;
    std::string folder;
    int show;
};

// Starts run on the panel's workers: the calls are recorded there and read here
// once the worker's result has come back (ShellCallCount under the lock).
std::vector<ShellCall> shellCalls;
wintest::ImportHook* shellHook;
SRWLOCK shellCallsLock = SRWLOCK_INIT;

std::string Narrow(LPCWSTR text)
{
    char narrow[1100] = {};
    if (text)
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOW* info)
{
    ShellCall call{info->hwnd,         info->lpVerb != nullptr,      Narrow(info->lpFile),
                   info->lpParameters != nullptr, Narrow(info->lpParameters), info->lpDirectory != nullptr,
                   Narrow(info->lpDirectory), info->nShow};
    AcquireSRWLockExclusive(&shellCallsLock);
    shellCalls.push_back(call);
    ReleaseSRWLockExclusive(&shellCallsLock);
    auto original = reinterpret_cast<decltype(&ShellExecuteExW)>(shellHook->original());
    return original(info);
}

size_t ShellCallCount()
{
    AcquireSRWLockExclusive(&shellCallsLock);
    size_t count = shellCalls.size();
    ReleaseSRWLockExclusive(&shellCallsLock);
    return count;
}

// Pumps until `count` starts have reached the shell and their workers are done.
bool WaitForStarts(size_t count)
{
    return wintest::PumpUntil([count] { return ShellCallCount() >= count; }, 15000)
           && wintest::PumpUntilWorkersDone();
}

LauncherItem MakeItem(const std::string& path, const std::string& parameter, const std::string& workDir)
{
    LauncherItem item = {};
    item.imageIndex = -1;
    item.iconIndex = -1;
    item.posX = -1;
    item.posY = -1;
    CopyText(item.name, "probe");
    CopyText(item.path, path.c_str());
    CopyText(item.parameter, parameter.c_str());
    CopyText(item.workDir, workDir.c_str());
    return item;
}

// What the probe wrote: command line, current folder, its own file name.
struct ProbeReport {
    std::string commandLine;
    std::string folder;
    std::string program;

    // The command line after the program name and the blank that follows it.
    std::string Arguments() const
    {
        size_t end = commandLine[0] == '"' ? commandLine.find('"', 1) + 1 : commandLine.find(' ');
        if (end == std::string::npos || end >= commandLine.size())
            return "";
        std::string rest = commandLine.substr(end + 1);
        while (!rest.empty() && rest.back() == ' ')
            rest.pop_back();
        return rest;
    }
};

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLauncherData();
        AddPage();
        shellCalls.clear();
        hook_ = new wintest::ImportHook("SHELL32.dll", "ShellExecuteExW", reinterpret_cast<void*>(RecordShellExecute));
        results_ = wintest::TakeResults(record_);
        shellHook = hook_;
        ASSERT_TRUE(hook_->installed());

        // One copy of the probe in a folder with a blank in its name (and a blank
        // in its own name), one in a folder without.
        blankFolder_ = temp_.File("launch probe");
        plainFolder_ = temp_.File("plain");
        ASSERT_TRUE(CreateDirectoryA(blankFolder_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(plainFolder_.c_str(), nullptr));
        std::string probe = wintest::ProgramFolder() + "LaunchProbe.exe";
        blankProbe_ = blankFolder_ + "\\Launch Probe.exe";
        plainProbe_ = plainFolder_ + "\\LaunchProbe.exe";
        ASSERT_TRUE(CopyFileA(probe.c_str(), blankProbe_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(probe.c_str(), plainProbe_.c_str(), FALSE));

        output_ = temp_.File("probe-output.txt");
        SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", output_.c_str());
    }

    void TearDown() override
    {
        wintest::PumpUntilWorkersDone();
        DestroyWindow(results_);
        delete hook_;
        shellHook = nullptr;
        SetEnvironmentVariableA("LAUNCH_PROBE_OUTPUT", nullptr);
    }

    // Waits for the probe's report; false when none came.
    bool ReadReport(ProbeReport* report)
    {
        if (!wintest::PumpUntil([&] { return wintest::FileExists(output_); }, 15000))
            return false;
        std::string text;
        if (!wintest::ReadFileBytes(output_, &text))
            return false;
        DeleteFileA(output_.c_str());
        size_t first = text.find('\n');
        size_t second = text.find('\n', first + 1);
        size_t third = text.find('\n', second + 1);
        if (third == std::string::npos)
            return false;
        report->commandLine = text.substr(0, first);
        report->folder = text.substr(first + 1, second - first - 1);
        report->program = text.substr(second + 1, third - second - 1);
        return true;
    }

    std::string CurrentFolder()
    {
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof folder, folder);
        return folder;
    }

    wintest::TempFolder temp_;
    wintest::ImportHook* hook_ = nullptr;
    PanelRecord record_;  // only its window, which takes the starts' results
    HWND results_ = nullptr;
    std::string blankFolder_, plainFolder_, blankProbe_, plainProbe_, output_;
};

TEST_F(LaunchTest, ShellReceivesQuotedPathParametersAndFolder)
{
    struct Case {
        const char* title;
        std::string path;
        std::string parameter;
        std::string workDir;
        const char* override;
        std::string expectedFile;
        std::string expectedParameters;
        bool expectFolder;
        std::string expectedChildFolder;
    };
    const Case cases[] = {
        {"blank in path, own parameters, a working folder", blankProbe_, "alpha \"beta gamma\"", plainFolder_,
         nullptr, "\"" + blankProbe_ + "\"", "alpha \"beta gamma\"", true, plainFolder_},
        {"no blank, no parameters, no working folder", plainProbe_, "", "", nullptr, plainProbe_, "", false,
         CurrentFolder()},
        {"working folder with blanks", plainProbe_, "x", blankFolder_, nullptr, plainProbe_, "x", true, blankFolder_},
        {"path typed in quotes", "\"" + blankProbe_ + "\"", "", "", nullptr, "\"" + blankProbe_ + "\"", "", false,
         CurrentFolder()},
        {"dropped file replaces the own parameters", blankProbe_, "own --flag", "", "\"C:\\x y\\dropped file.txt\"",
         "\"" + blankProbe_ + "\"", "\"C:\\x y\\dropped file.txt\"", false, CurrentFolder()},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ResetLauncherData();
        AddPage();
        AddItem(0, MakeItem("unused", "", ""));
        AddItem(0, MakeItem(c.path, c.parameter, c.workDir));
        LauncherItem before = GetItem(0, 1);
        shellCalls.clear();

        LaunchItem(nullptr, 0, 1, c.override);
        ASSERT_TRUE(WaitForStarts(1));

        ASSERT_EQ(1u, ShellCallCount());
        const ShellCall& call = shellCalls[0];
        EXPECT_EQ(nullptr, call.owner);
        EXPECT_FALSE(call.hasVerb);
        EXPECT_EQ(c.expectedFile, call.file);
        EXPECT_TRUE(call.hasParameters);  // empty parameters are an empty text, not none
        EXPECT_EQ(c.expectedParameters, call.parameters);
        EXPECT_EQ(c.expectFolder, call.hasFolder);
        if (c.expectFolder) {
            EXPECT_EQ(c.workDir, call.folder);
        }
        EXPECT_EQ(SW_SHOWNORMAL, call.show);
        EXPECT_EQ(0, memcmp(&before, &GetItem(0, 1), sizeof before));

        ProbeReport report;
        ASSERT_TRUE(ReadReport(&report)) << "the probe did not report";
        std::string program = c.path[0] == '"' ? c.path.substr(1, c.path.size() - 2) : c.path;
        EXPECT_EQ(0, lstrcmpiA(program.c_str(), report.program.c_str())) << report.program;
        EXPECT_EQ(c.expectedParameters, report.Arguments()) << report.commandLine;
        EXPECT_EQ(0, lstrcmpiA(c.expectedChildFolder.c_str(), report.folder.c_str())) << report.folder;
        if (program.find(' ') != std::string::npos) {
            EXPECT_EQ("\"" + program + "\"", report.commandLine.substr(0, program.size() + 2));
        }
    }
}

TEST_F(LaunchTest, NoItemStartsNothing)
{
    AddItem(0, MakeItem(plainProbe_, "", ""));
    LaunchItem(nullptr, 0, -1);
    LaunchItem(nullptr, 0, -1, "\"C:\\dropped.txt\"");
    LaunchItem(nullptr, 0, 1);  // one past the last item
    LaunchItem(nullptr, 1, 0);  // no such page
    wintest::PumpUntilWorkersDone();
    EXPECT_EQ(0u, ShellCallCount());
    wintest::Pump(300);
    EXPECT_FALSE(wintest::FileExists(output_));
}

// The shell shows nothing for a file it cannot start (ShellExecute asks it for no
// error UI); the panel says which path and why, once, and changes nothing.
TEST_F(LaunchTest, FailedStartShowsOneMessageAndChangesNothing)
{
    const std::string missing = temp_.File("missing.exe");
    AddItem(0, MakeItem(temp_.File("no such program.exe"), "a", temp_.File("no such folder")));
    AddItem(0, MakeItem(missing, "", ""));
    LauncherItem first = GetItem(0, 0);
    LauncherItem second = GetItem(0, 1);
    std::vector<std::string> boxes;  // caption, then text
    wintest::ModalDriver driver;
    for (int i = 0; i < 2; ++i) {
        driver.Then([&](HWND box) {
            boxes.push_back(wintest::WindowText(box) + "|" + wintest::ItemText(box, 0xFFFF));
            wintest::PostCommand(box, IDOK);
        });
    }

    LaunchItem(results_, 0, 0);
    LaunchItem(results_, 0, 1);
    ASSERT_TRUE(WaitForStarts(2));
    wintest::PumpUntil([&] { return boxes.size() == 2; }, 10000);
    wintest::Pump(200);

    EXPECT_EQ(2u, ShellCallCount());
    EXPECT_EQ(0, driver.unexpected()) << "more than one window for a start";
    char expected[1024];
    wsprintfA(expected, "Dockmere|" TEXT_START_NOT_FOUND_FORMAT, missing.c_str());
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("Dockmere|" + temp_.File("no such program.exe") + "\n\n")) << boxes[0];
    EXPECT_EQ(expected, boxes[1]);
    ASSERT_EQ(2, GetItemCount(0));
    EXPECT_EQ(0, memcmp(&first, &GetItem(0, 0), sizeof first));
    EXPECT_EQ(0, memcmp(&second, &GetItem(0, 1), sizeof second));
}

// The Run dialog nests its COM initialisation inside whatever the thread had:
// afterwards the thread is in the same state as before. Where the shell cannot
// show it (Wine), the panel's message takes its place.
TEST(RunDialog, LeavesComAsFound)
{
    wintest::ModalDriver driver;  // closes the Run dialog where the shell shows one
    for (int i = 0; i < 3; ++i)
        driver.Then([](HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); });

    // Not initialised before: not initialised after (a different model is accepted).
    ShowRunDialog(nullptr);
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, hr);

    // In the multithreaded apartment, which refuses the Run dialog's CoInitialize:
    // the thread's own initialisation is not taken away.
    ShowRunDialog(nullptr);
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitialize(nullptr)) << "the thread's initialisation was ended";
    if (SUCCEEDED(hr))
        CoUninitialize();

    // Initialised for OLE before (as the panel's thread is): still so after, once.
    ASSERT_EQ(S_OK, OleInitialize(nullptr));
    ShowRunDialog(nullptr);
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    OleUninitialize();
    hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, hr) << "the Run dialog left an extra initialisation behind";
    if (SUCCEEDED(hr))
        CoUninitialize();
    EXPECT_EQ(0, driver.timedOut());
    EXPECT_EQ(3, driver.answered()) << "neither the Run dialog nor the panel's message";
}

}  // namespace
