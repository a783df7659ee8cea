// Starting items: what the shell is asked (seen through the import table) and
// what the started program really receives (a probe program that writes down its
// command line and folder).
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

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

// The shell is asked in UTF-16; the calls are kept in the test's CP932 for the
// cases CP932 holds, and the file whole as well.
std::vector<std::wstring> shellFiles;

int forcedResult = 33;  // 32 or less: the shell answers so, for failures no test can cause
DWORD forcedError = ERROR_SUCCESS;

BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOW* info)
{
    auto narrow = [](const wchar_t* text) { return text ? wintest::Narrow(text) : std::string(); };
    ShellCall call{info->hwnd, info->lpVerb != nullptr, narrow(info->lpFile),
                   info->lpParameters != nullptr, narrow(info->lpParameters),
                   info->lpDirectory != nullptr, narrow(info->lpDirectory), info->nShow};
    AcquireSRWLockExclusive(&shellCallsLock);
    shellCalls.push_back(call);
    shellFiles.push_back(info->lpFile ? info->lpFile : L"");
    ReleaseSRWLockExclusive(&shellCallsLock);
    if (forcedResult <= 32) {
        info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(forcedResult));
        SetLastError(forcedError);
        return FALSE;
    }
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
    item.name = L"probe";
    item.path = wintest::Wide(path);
    item.parameter = wintest::Wide(parameter);
    item.workDir = wintest::Wide(workDir);
    return item;
}

bool SameItem(const LauncherItem& a, const LauncherItem& b)
{
    return a.name == b.name && a.path == b.path && a.parameter == b.parameter && a.workDir == b.workDir
           && a.iconPath == b.iconPath && a.iconIndex == b.iconIndex && a.posX == b.posX && a.posY == b.posY
           && a.imageIndex == b.imageIndex && a.shortPath == b.shortPath;
}

// What the probe wrote: command line, current folder, its own file name.
struct ProbeReport {
    std::string commandLine;  // in CP932, '?' for what it lacks
    std::string folder;
    std::string program;
    std::wstring wideCommandLine;  // as the program's GetCommandLineW gives it
    std::wstring wideProgram;

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
        shellFiles.clear();
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
        auto wide = [](const std::string& utf8) {
            std::wstring text(utf8.size(), L'\0');
            text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0],
                                            static_cast<int>(text.size())));
            return text;
        };
        report->wideCommandLine = wide(text.substr(0, first));
        report->wideProgram = wide(text.substr(second + 1, third - second - 1));
        report->commandLine = wintest::Narrow(report->wideCommandLine);
        report->folder = wintest::Narrow(wide(text.substr(first + 1, second - first - 1)));
        report->program = wintest::Narrow(report->wideProgram);
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

        LaunchItem(nullptr, 0, 1, c.override ? wintest::Wide(c.override).c_str() : nullptr);
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
        EXPECT_TRUE(SameItem(before, GetItem(0, 1)));

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
    LaunchItem(nullptr, 0, -1, L"\"C:\\dropped.txt\"");
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
    wchar_t expectedText[1024];
    wsprintfW(expectedText, TEXT_START_NOT_FOUND_FORMAT, wintest::Wide(missing).c_str(), 2);
    std::string expected = "Dockmere|" + wintest::Narrow(expectedText);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("Dockmere|" + temp_.File("no such program.exe") + "\n\n")) << boxes[0];
    EXPECT_EQ(expected, boxes[1]);
    ASSERT_EQ(2, GetItemCount(0));
    EXPECT_TRUE(SameItem(first, GetItem(0, 0)));
    EXPECT_TRUE(SameItem(second, GetItem(0, 1)));

    // A sentence per answer, the number last: 31 caused for real, the others answered
    // by the shell's stand-in; a refused elevation (5, ERROR_CANCELLED) shows nothing.
    std::string none = temp_.File("notes.dockmere-none");
    ASSERT_TRUE(wintest::WriteFileBytes(none, "x"));
    const struct { int forced; DWORD error; int shown; const wchar_t* format; } cases[] = {
        {33, 0, 31, TEXT_START_NO_ASSOCIATION_FORMAT}, {3, 0, 3, TEXT_START_PATH_NOT_FOUND_FORMAT},
        {5, 0, 5, TEXT_START_ACCESS_DENIED_FORMAT}, {5, ERROR_CANCELLED, 5, nullptr},
        {27, 0, 27, TEXT_START_ASSOCIATION_INCOMPLETE_FORMAT}, {0, 0, 0, TEXT_START_OUT_OF_MEMORY_FORMAT},
        {30, 0, 30, TEXT_START_DDE_FAILED_FORMAT}, {26, 0, 26, TEXT_START_SHARING_VIOLATION_FORMAT},
        {32, 0, 32, TEXT_START_FAILED_FORMAT}};
    for (const auto& c : cases) {
        forcedResult = c.forced;
        forcedError = c.error;
        boxes.clear();
        if (c.format)
            driver.Then([&](HWND b) { boxes.push_back(wintest::ItemText(b, 0xFFFF)); wintest::PostCommand(b, IDOK); });
        size_t calls = ShellCallCount();
        AddItem(0, MakeItem(none, "", ""));
        LaunchItem(results_, 0, GetItemCount(0) - 1);
        ASSERT_TRUE(WaitForStarts(calls + 1));
        wsprintfW(expectedText, c.format ? c.format : L"", wintest::Wide(none).c_str(), c.shown);
        EXPECT_EQ(std::vector<std::string>(c.format ? 1 : 0, wintest::Narrow(expectedText)), boxes) << c.shown;
    }
    forcedResult = 33;
    EXPECT_EQ(0, driver.unexpected());
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
