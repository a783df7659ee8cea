// A save killed at any moment never leaves a partial Dockmere.ini. A child
// process (probe/SaveCrashChild) saves 10,000 items over an old file of 10,000
// others and is killed with TerminateProcess at random moments spread over the
// save; afterwards the file is the old one or the new one, byte for byte, and
// what the save left beside it does not disturb the next start, which reads the
// file and saves it again unchanged.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "data/LauncherData.h"
#include "SaveCrashData.h"
#include "data/SettingsFile.h"
#include "WinTest.h"

namespace {

constexpr char kIni[] = "Dockmere.ini";
constexpr char kTemp[] = "Dockmere.ini.tmp";
// Kills spread over the whole save, then kills aimed at the part of it that
// writes and renames the file; more of those (up to kMaxTrials) while fewer than
// kMinKills children were killed (one that finished first was not), or no kill
// has yet met that part, or the time before it, or the time after the rename.
constexpr int kMinKills = 20;
constexpr int kSpreadTrials = 8;
constexpr int kAimedTrials = 16;
constexpr int kMaxTrials = 40;
constexpr int kMeasuredSaves = 3;
constexpr int kKilledExitCode = 99;

std::string Read(const std::string& path)
{
    std::string bytes;
    wintest::ReadFileBytes(path, &bytes);
    return bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// The offset of the first byte where two texts differ, for failure messages.
size_t FirstDifference(const std::string& a, const std::string& b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The bytes SaveSettings writes for one version of the data, saved here in this
// process by the same code the child runs.
std::string SavedBytes(int version)
{
    wintest::TempFolder folder;
    savecrash::FillData(version);
    SetSettingsFolder(wintest::Wide(folder.path()).c_str());
    SaveSettings();
    std::string bytes = Read(folder.File(kIni));
    ResetLauncherData();
    return bytes;
}

// When to kill the child: never (it finishes), `delayMs` after it starts
// saving, or, when watching, `delayMs` after the save touches the files (its
// temporary file appears, or the settings file changes size). A child not
// killed while watching has the time its temporary file exists measured.
struct Kill {
    double delayMs = -1;
    bool watch = false;
};

// One run of the child: it saves the new version into `folder`.
struct ChildRun {
    bool started = false;
    bool sawFile = false;  // the save was seen touching the files
    DWORD exitCode = 0;
    double saveMs = 0;   // from its report, when it finished
    double fileMs = 0;  // how long the watched file was seen, when not killed
};

void WaitMilliseconds(HANDLE process, double ms)
{
    // Sleep through most of the time (spinning would take a processor from the
    // child and slow its save), then spin the last millisecond.
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (ms > 2)
        WaitForSingleObject(process, static_cast<DWORD>(ms) - 1);
    do
        QueryPerformanceCounter(&now);
    while (Milliseconds(start, now) < ms);
}

ChildRun RunChild(const std::string& folder, const std::string& report, const Kill& kill)
{
    ChildRun run;
    static int counter = 0;
    char eventName[64];
    snprintf(eventName, sizeof eventName, "Local\\DockmereSaveCrash-%lu-%d", GetCurrentProcessId(), ++counter);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName);
    if (!ready)
        return run;
    DeleteFileA(report.c_str());

    std::string exe = wintest::ProgramFolder() + "SaveCrashChild.exe";
    std::string command = "\"" + exe + "\" \"" + folder + "\" 1 " + eventName + " \"" + report + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        CloseHandle(ready);
        return run;
    }
    HANDLE waits[2] = {ready, process.hProcess};
    DWORD signalled = WaitForMultipleObjects(2, waits, FALSE, 30000);
    run.started = signalled == WAIT_OBJECT_0;
    const std::string ini = folder + "\\" + kIni;
    const std::string temp = folder + "\\" + kTemp;
    auto exists = [&] { return GetFileAttributesA(temp.c_str()) != INVALID_FILE_ATTRIBUTES; };
    auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data;
        return GetFileAttributesExA(ini.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
    };
    auto running = [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; };
    if (run.started && kill.watch) {
        const DWORD oldSize = size();
        const DWORD deadline = GetTickCount() + 10000;
        while (!(run.sawFile = exists() || size() != oldSize) && running() && GetTickCount() < deadline)
            Sleep(0);
    }
    if (run.started && kill.delayMs >= 0) {
        WaitMilliseconds(process.hProcess, kill.delayMs);
        TerminateProcess(process.hProcess, kKilledExitCode);
    } else if (run.sawFile) {
        // Not killed: how long the temporary file stays, from outside.
        LARGE_INTEGER seen, gone;
        QueryPerformanceCounter(&seen);
        while (exists() && running())
            Sleep(0);
        QueryPerformanceCounter(&gone);
        run.fileMs = Milliseconds(seen, gone);
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, kKilledExitCode);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(ready);

    if (run.exitCode == 0) {
        FILE* file = fopen(report.c_str(), "r");
        if (file) {
            if (fscanf(file, "%lf", &run.saveMs) != 1)
                run.saveMs = 0;
            fclose(file);
        }
    }
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class SaveCrashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        oldBytes_ = SavedBytes(0);
        newBytes_ = SavedBytes(1);
    }

    void SetUp() override
    {
        ResetLauncherData();
        ASSERT_GT(oldBytes_.size(), 1000000u);
        ASSERT_GT(newBytes_.size(), 1000000u);
        ASSERT_NE(oldBytes_, newBytes_);
    }

    void TearDown() override { ResetLauncherData(); }

    // The next start: it reads the file that is there, has every item of it,
    // and its own save writes the same bytes again and leaves nothing beside.
    void ExpectNextStartKeeps(const std::string& folder, const std::string& bytes, int pages, const char* when)
    {
        SetSettingsFolder(wintest::Wide(folder).c_str());
        LoadSettings();
        EXPECT_EQ(pages, GetPageCount()) << when;
        EXPECT_EQ(savecrash::kPages * savecrash::kItemsPerPage, savecrash::CountItems()) << when;
        SaveSettings();
        std::string again = Read(folder + "\\" + kIni);
        EXPECT_TRUE(again == bytes) << when << ": the next start saved other bytes (first difference at "
                                    << FirstDifference(again, bytes) << ")";
        EXPECT_EQ(std::vector<std::string>{kIni}, FolderEntries(folder)) << when;
        ResetLauncherData();
    }

    static std::string oldBytes_;
    static std::string newBytes_;
};

std::string SaveCrashTest::oldBytes_;
std::string SaveCrashTest::newBytes_;

TEST_F(SaveCrashTest, AKilledSaveLeavesTheOldFileOrTheNewOneWhole)
{
    wintest::TempFolder folder;
    wintest::TempFolder reports;
    const std::string ini = folder.File(kIni);
    const std::string report = reports.File("report.txt");

    // How long a save takes here, and how long its temporary file exists, seen
    // from here; the child saves exactly what this process does.
    std::vector<double> saveMs;
    std::vector<double> fileMs;
    for (int i = 0; i < kMeasuredSaves; ++i) {
        ASSERT_TRUE(wintest::WriteFileBytes(ini, oldBytes_));
        Kill none;
        none.watch = true;
        ChildRun run = RunChild(folder.path(), report, none);
        ASSERT_TRUE(run.started);
        ASSERT_EQ(0u, run.exitCode);
        ASSERT_GT(run.saveMs, 0.0);
        ASSERT_TRUE(Read(ini) == newBytes_) << "the child's save differs from this process's";
        ASSERT_EQ(std::vector<std::string>{kIni}, FolderEntries(folder.path()));
        saveMs.push_back(run.saveMs);
        fileMs.push_back(run.fileMs);
    }
    const double save = Median(saveMs);
    const double filePart = std::max(0.5, Median(fileMs));

    // One random moment in each equal slice of the span: from the start of the
    // save, the whole save and half as long again; from the moment the temporary
    // file appears, the time it exists and half as long again.
    unsigned seed = static_cast<unsigned>(GetTickCount());
    if (const char* fixed = getenv("SAVE_CRASH_SEED"))
        seed = static_cast<unsigned>(strtoul(fixed, nullptr, 10));
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    int trials = 0;
    int kills = 0;
    int oldFiles = 0;
    int newFiles = 0;
    int tempsLeft = 0;
    int tempsSeen = 0;
    for (int trial = 0; trial < kMaxTrials; ++trial) {
        if (trial >= kSpreadTrials + kAimedTrials && kills >= kMinKills && oldFiles > 0 && newFiles > 0
            && tempsLeft > 0)
            break;
        Kill kill;
        if (trial < kSpreadTrials) {
            kill.delayMs = 1.5 * save * (trial + unit(random)) / kSpreadTrials;
        } else {
            int slice = (trial - kSpreadTrials) % kAimedTrials;
            kill.delayMs = 1.5 * filePart * (slice + unit(random)) / kAimedTrials;
            kill.watch = true;
        }
        double delay = kill.delayMs;
        ++trials;
        ASSERT_TRUE(wintest::WriteFileBytes(ini, oldBytes_));
        ChildRun run = RunChild(folder.path(), report, kill);
        ASSERT_TRUE(run.started) << "trial " << trial;
        kills += run.exitCode == static_cast<DWORD>(kKilledExitCode);
        tempsSeen += run.sawFile;

        char when[128];
        snprintf(when, sizeof when, "trial %d, killed %.2f ms after %s (seed %u)", trial, delay,
                 kill.watch ? "the save touched the files" : "the save began", seed);
        std::string bytes = Read(ini);
        bool isOld = bytes == oldBytes_;
        bool isNew = bytes == newBytes_;
        ASSERT_TRUE(isOld || isNew) << when << ": Dockmere.ini holds " << bytes.size() << " bytes, the old file "
                                    << oldBytes_.size() << " (same up to " << FirstDifference(bytes, oldBytes_)
                                    << "), the new one " << newBytes_.size() << " (same up to "
                                    << FirstDifference(bytes, newBytes_) << ")";
        oldFiles += isOld;
        newFiles += isNew;

        // Beside it, at most the save's own temporary file.
        std::vector<std::string> entries = FolderEntries(folder.path());
        bool tempLeft = std::find(entries.begin(), entries.end(), kTemp) != entries.end();
        tempsLeft += tempLeft;
        EXPECT_EQ(tempLeft ? 2u : 1u, entries.size()) << when;

        ExpectNextStartKeeps(folder.path(), bytes, isOld ? savecrash::kPages : savecrash::kPages + 1, when);
        if (HasFailure())
            return;
    }

    printf("[ save crash ] %d trials, %d killed; a save takes %.1f ms, its temporary file exists %.2f ms; %d kills "
           "from 0 to %.1f ms after the save began, %d from 0 to %.2f ms after the save touched the files (seen %d "
           "times); old file %d, new file %d, temporary file left %d; seed %u\n",
           trials, kills, save, filePart, kSpreadTrials, 1.5 * save, trials - kSpreadTrials, 1.5 * filePart, tempsSeen,
           oldFiles, newFiles, tempsLeft, seed);
    EXPECT_GE(kills, kMinKills) << "too few saves were really killed";
    // The kills met the save before the file was touched, while the temporary
    // file was written, and after the rename.
    EXPECT_GT(oldFiles, 0);
    EXPECT_GT(tempsLeft, 0);
    EXPECT_GT(newFiles, 0);
}

// What a killed save leaves: the next load does not read it, and the next save
// writes over it and leaves nothing beside the file.
TEST_F(SaveCrashTest, ALeftoverTemporaryFileIsIgnoredAndWrittenOver)
{
    wintest::TempFolder folder;
    const std::string ini = folder.File(kIni);
    const std::string temp = folder.File(kTemp);
    ASSERT_TRUE(wintest::WriteFileBytes(ini, "[Launcher]\r\nPageCount=2\r\n[Page2]\r\nName=\"kept\"\r\n"));
    ASSERT_TRUE(wintest::WriteFileBytes(temp, "[Launcher]\r\nPageCount=7\r\n[Page1]\r\nName=\"half a sa"));

    SetSettingsFolder(wintest::Wide(folder.path()).c_str());
    LoadSettings();
    ASSERT_EQ(2, GetPageCount());
    EXPECT_EQ(wintest::Wide("kept"), std::wstring(GetPageName(1)));
    EXPECT_EQ(2u, FolderEntries(folder.path()).size()) << "loading touches nothing";

    SetPageName(0, L"saved");
    SaveSettings();
    EXPECT_EQ(std::vector<std::string>{kIni}, FolderEntries(folder.path()));
    std::string saved = Read(ini);
    EXPECT_NE(std::string::npos, saved.find("Name=\"saved\""));
    EXPECT_NE(std::string::npos, saved.find("Name=\"kept\""));
}

// Another panel saving into the same folder holds the temporary file open
// without sharing: this save is skipped, the file stays as it was, and the
// other's temporary file is left to it.
TEST_F(SaveCrashTest, ASaveWhileAnotherIsWritingLeavesBothAlone)
{
    wintest::TempFolder folder;
    const std::string ini = folder.File(kIni);
    const std::string temp = folder.File(kTemp);
    const std::string old = "[Launcher]\r\nPageCount=1\r\n";
    ASSERT_TRUE(wintest::WriteFileBytes(ini, old));
    SetSettingsFolder(wintest::Wide(folder.path()).c_str());
    LoadSettings();
    SetPageName(0, L"mine");

    HANDLE other = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other, "theirs", 6, &written, nullptr));
    SaveSettings();
    CloseHandle(other);

    EXPECT_EQ(old, Read(ini));
    EXPECT_EQ("theirs", Read(temp));
}

}  // namespace

// A host killed three seconds after a change through the panel: the file holds the
// change for the profile functions, the backup the file the panel started from.
TEST(SavedAsItChanges, AHostKilledAfterItsLoopRanPastTheDelayLeavesTheChange)
{
    wintest::TempFolder folder;
    const std::string ini = folder.File(kIni);
    const std::string before = "[Launcher]\r\nPageCount=1\r\nDoubleClick=1\r\n[Page1]\r\nItemCount=0\r\nName=\"first\"\r\n";
    ASSERT_TRUE(wintest::WriteFileBytes(ini, before));
    std::string exe = wintest::ProgramFolder() + "SaveCrashChild.exe";
    std::string command = "\"" + exe + "\" panel \"" + folder.path() + "\"";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(99u, exitCode) << "the child ends itself without destroy";
    char name[kTextSize] = "";
    GetPrivateProfileStringA("Page2", "Name", "", name, sizeof name, ini.c_str());
    EXPECT_STREQ("ページ &2", name);
    EXPECT_EQ(0u, GetPrivateProfileIntA("Launcher", "DoubleClick", -1, ini.c_str()));
    EXPECT_EQ(before, Read(ini + ".bak"));
    EXPECT_EQ((std::vector<std::string>{kIni, "Dockmere.ini.bak"}), FolderEntries(folder.path()));
}
