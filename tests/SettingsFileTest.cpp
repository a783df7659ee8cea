// Dockmere.ini with the platform's profile functions as the oracle: what
// SaveSettings writes is byte for byte what WritePrivateProfileStringA writes key by
// key, and what LoadSettings reads is what the key-by-key reader reads through
// GetPrivateProfileStringA / GetPrivateProfileIntA. Then the sound behaviours where
// the format is left open or faulty, and the atomic save.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "data/IniDocument.h"
#include "IniOracle.h"
#include "PanelResults.h"
#include "data/LauncherData.h"
#include "panel/ItemImages.h"
#include "panel/Panel.h"
#include "panel/PanelRecord.h"
#include "ProfileSettings.h"
#include "data/SettingsFile.h"
#include "WinTest.h"
#include "data/CompanionKey.h"
#include "data/Cp932.h"

namespace {

using inioracle::Escape;

// The key-by-key save and load, each after Wine's cached copy of the file is dropped.
void ProfileSave(const std::string& path)
{
    inioracle::ForgetProfile(path);
    ::ProfileSave(path.c_str());
}

struct Loaded {
    PanelSettings settings;
    std::vector<LauncherPage> pages;
};

Loaded ProfileLoad(const std::string& path)
{
    inioracle::ForgetProfile(path);
    Loaded loaded = {};
    ::ProfileLoad(path.c_str(), &loaded.settings, &loaded.pages);
    return loaded;
}

// Differences between the expected records and the data state, one per line.
std::string CompareWithData(const Loaded& expected)
{
    std::string out;
    auto text = [&](const std::string& where, const std::wstring& e, const std::wstring& a) {
        if (e != a)
            out += where + ": expected \"" + Escape(wintest::Narrow(e)) + "\", got \"" + Escape(wintest::Narrow(a))
                   + "\"\n";
    };
    auto number = [&](const std::string& where, int e, int a) {
        if (e != a)
            out += where + ": expected " + std::to_string(e) + ", got " + std::to_string(a) + "\n";
    };
    const PanelSettings& s = launcherData.settings;
    number("doubleClick", expected.settings.doubleClick, s.doubleClick);
    number("showTab", expected.settings.showTab, s.showTab);
    number("viewStyle", expected.settings.viewStyle, s.viewStyle);
    number("autoArrange", expected.settings.autoArrange, s.autoArrange);
    number("gridArrange", expected.settings.gridArrange, s.gridArrange);
    number("page count", static_cast<int>(expected.pages.size()), GetPageCount());
    for (size_t p = 0; p < expected.pages.size() && static_cast<int>(p) < GetPageCount(); ++p) {
        std::string page = "page " + std::to_string(p);
        text(page + " name", expected.pages[p].name, GetPageName(static_cast<int>(p)));
        number(page + " item count", static_cast<int>(expected.pages[p].items.size()), GetItemCount(static_cast<int>(p)));
        for (size_t i = 0; i < expected.pages[p].items.size() && static_cast<int>(i) < GetItemCount(static_cast<int>(p)); ++i) {
            const LauncherItem& e = expected.pages[p].items[i];
            const LauncherItem& a = GetItem(static_cast<int>(p), static_cast<int>(i));
            std::string item = page + " item " + std::to_string(i) + " ";
            text(item + "name", e.name, a.name);
            text(item + "path", e.path, a.path);
            text(item + "parameter", e.parameter, a.parameter);
            text(item + "workDir", e.workDir, a.workDir);
            text(item + "iconPath", e.iconPath, a.iconPath);
            number(item + "iconIndex", e.iconIndex, a.iconIndex);
            number(item + "posX", e.posX, a.posX);
            number(item + "posY", e.posY, a.posY);
        }
    }
    return out;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Read(const std::string& path)
{
    std::string bytes;
    wintest::ReadFileBytes(path, &bytes);
    return bytes;
}

LauncherItem Item(const char* name, const char* path, const char* parameter, const char* workDir,
                  const char* iconPath, int iconIndex, int posX, int posY)
{
    LauncherItem item = {};
    item.imageIndex = -1;
    item.name = wintest::Wide(name);
    item.path = wintest::Wide(path);
    item.parameter = wintest::Wide(parameter);
    item.workDir = wintest::Wide(workDir);
    item.iconPath = wintest::Wide(iconPath);
    item.iconIndex = iconIndex;
    item.posX = posX;
    item.posY = posY;
    return item;
}

const char kDefaultFile[] =
    "[Launcher]\r\nPageCount=1\r\nDoubleClick=1\r\nShowTab=1\r\nViewStyle=10009\r\nAutoArrange=1\r\nGridArrange=1\r\n"
    "[Page1]\r\nItemCount=0\r\nName=\"ページ &1\"\r\n";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
        ini_ = folder_.File("Dockmere.ini");
    }
    void TearDown() override
    {
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ResetLauncherData();
    }

    void LoadFrom(const std::string& bytes)
    {
        wintest::WriteFileBytes(ini_, bytes);
        LoadSettings();
    }

    // Typical data, and everything that tends to break a writer.
    static void FillTrickyData()
    {
        launcherData.settings = PanelSettings{0, 1, 5, 0, 1};
        for (int p = 0; p < 3; ++p)
            AddPage();
        SetPageName(0, L"  表示ソフト  ");
        SetPageName(1, L"");
        SetPageName(2, L"ページ &3");
        AddItem(0, Item("notepad", "C:\\Windows\\notepad.exe", "", "C:\\Windows\\", "C:\\Windows\\notepad.exe", -1, -1, -1));
        AddItem(0, Item(" lead and trail ", "C:\\表\\能.exe", "a \"quoted\" word", "C:\\表\\", "'x'", 3, 120, -40));
        AddItem(0, Item("", "", "", "", "", 0, 0, 0));
        AddItem(2, Item(std::string(519, 'n').c_str(), "ゾ]ゼ[ア", "=;[x]", "\"", "''", -2147483647 - 1, 2147483647, 7));
    }

    wintest::TempFolder folder_;
    std::string ini_;
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndTheirFile)
{
    LoadSettings();
    ASSERT_EQ(1, GetPageCount());
    EXPECT_EQ(L"ページ &1", std::wstring(GetPageName(0)));
    EXPECT_EQ(0, GetItemCount(0));
    const PanelSettings& s = launcherData.settings;
    EXPECT_EQ(1, s.doubleClick);
    EXPECT_EQ(1, s.showTab);
    EXPECT_EQ(10009, s.viewStyle);
    EXPECT_EQ(1, s.autoArrange);
    EXPECT_EQ(1, s.gridArrange);
    SaveSettings();
    EXPECT_EQ(Escape(kDefaultFile), Escape(Read(ini_)));
}

TEST_F(SettingsFileTest, SaveWritesTheBytesOfWritePrivateProfileString)
{
    std::string reference = folder_.File("reference.ini");
    FillTrickyData();
    SaveSettings();
    ProfileSave(reference);
    EXPECT_EQ(Escape(Read(reference)), Escape(Read(ini_)));

    std::mt19937 random(99);
    const char* texts[] = {"", " ", "x", "C:\\Program Files\\App\\app.exe", "表ソ能", "\"", "'a'", "-p \"q\"", "ｱｲｳ"};
    for (int round = 0; round < 20; ++round) {
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
        launcherData.settings = PanelSettings{static_cast<int32_t>(random() % 3), 1, 10009 + static_cast<int32_t>(random() % 3), 0, -1};
        int pages = 1 + random() % 4;
        for (int p = 0; p < pages; ++p) {
            AddPage();
            SetPageName(p, wintest::Wide(texts[random() % 9]).c_str());
            int items = random() % 4;
            for (int i = 0; i < items; ++i)
                AddItem(p, Item(texts[random() % 9], texts[random() % 9], texts[random() % 9], texts[random() % 9],
                                texts[random() % 9], static_cast<int>(random() % 7) - 1,
                                static_cast<int>(random() % 500) - 1, static_cast<int>(random() % 500) - 1));
        }
        SaveSettings();
        ProfileSave(reference);
        ASSERT_EQ(Escape(Read(reference)), Escape(Read(ini_))) << "round " << round;
    }
}

TEST_F(SettingsFileTest, SavedDataReadsBackAsThePlatformReadsIt)
{
    FillTrickyData();
    SaveSettings();
    Loaded expected = ProfileLoad(ini_);
    // Everything comes back unchanged, the 519-character name included (Wine
    // itself would give 518; tests/README.md).
    EXPECT_EQ(std::wstring(519, L'n'), expected.pages[2].items[0].name);
    EXPECT_EQ(L"  表示ソフト  ", expected.pages[0].name);
    EXPECT_EQ(L" lead and trail ", expected.pages[0].items[1].name);
    EXPECT_EQ(5, expected.settings.viewStyle);
    ResetLauncherData();
    SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
    LoadSettings();
    EXPECT_EQ("", CompareWithData(expected));
}

TEST_F(SettingsFileTest, CorpusLoadsAsTheKeyByKeyReaderReadsIt)
{
    for (const inioracle::CorpusFile& file : inioracle::Corpus()) {
        if (file.name.rfind("bound-", 0) == 0)
            continue;  // counts the literal algorithm cannot finish; see CorruptedCounts
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
        LoadFrom(file.bytes);
        EXPECT_EQ("", CompareWithData(ProfileLoad(ini_))) << file.name;
    }
}

TEST_F(SettingsFileTest, RandomTextsLoadAsTheKeyByKeyReaderReadsThem)
{
    std::mt19937 random(31337);
    for (int i = 0; i < 40; ++i) {
        std::string bytes = inioracle::RandomIni(random);
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
        LoadFrom(bytes);
        ASSERT_EQ("", CompareWithData(ProfileLoad(ini_))) << "random text " << i << ":\n" << Escape(bytes);
    }
}

TEST_F(SettingsFileTest, PageCountOfZeroOrLessReadsLikeAMissingKey)
{
    for (const char* count : {"0", "-3", "\"\"", "x"}) {
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
        LoadFrom(std::string("[Launcher]\r\nPageCount=") + count
                 + "\r\n[Page1]\r\nName=\"still read\"\r\nItemCount=1\r\n[Page1:Item1]\r\nName=x\r\n");
        ASSERT_EQ(1, GetPageCount()) << count;
        EXPECT_EQ(L"still read", std::wstring(GetPageName(0)));
        ASSERT_EQ(1, GetItemCount(0));
        EXPECT_EQ(L"x", std::wstring(GetItemName(0, 0)));
    }
}

TEST_F(SettingsFileTest, MissingSectionsGiveDefaults)
{
    LoadFrom(
        "[Launcher]\r\nPageCount=3\r\n[Page1]\r\nItemCount=3\r\n[Page1:Item1]\r\nPath=\"C:\\a.exe\"\r\n"
        "[Page1:Item2]\r\nName=\"b\"\r\nIconIndex=3\r\n[Page3]\r\nItemCount=1\r\n");
    ASSERT_EQ(3, GetPageCount());
    ASSERT_EQ(3, GetItemCount(0));
    EXPECT_EQ(L"C:\\a.exe", std::wstring(GetItem(0, 0).iconPath)) << "IconPath defaults to Path";
    EXPECT_EQ(-1, GetItem(0, 0).iconIndex);
    EXPECT_EQ(3, GetItem(0, 1).iconIndex);
    const LauncherItem& third = GetItem(0, 2);
    EXPECT_EQ(L"", third.name);
    EXPECT_EQ(L"", third.path);
    EXPECT_EQ(L"", third.iconPath);
    EXPECT_EQ(-1, third.iconIndex);
    EXPECT_EQ(-1, third.posX);
    EXPECT_EQ(-1, third.posY);
    EXPECT_EQ(L"ページ &2", std::wstring(GetPageName(1)));
    EXPECT_EQ(0, GetItemCount(1));
    EXPECT_EQ(L"ページ &3", std::wstring(GetPageName(2)));
    EXPECT_EQ(1, GetItemCount(2));
}

// A count whose missing records exceed what is left of the load's budget (32 pages,
// 32 items) is corrupted: its list holds exactly the sections present. The counts
// below prove the bound; how long the load takes is the benchmark's business (a
// clock here failed on a loaded machine, where the 30 icon look-ups of the second
// file took 1.3 s).
TEST_F(SettingsFileTest, CorruptedCountsAreBoundedBySectionsPresent)
{
    InitCommonControls();
    PanelRecord record;
    livePanel = &record;
    livePanel->largeImageList = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 0);
    livePanel->smallImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);

    std::string text =
        "[Launcher]\r\nPageCount=2147483647\r\n[Page1]\r\nItemCount=2000000000\r\nName=huge\r\n"
        "[Page1:Item1]\r\nName=one\r\n[Page1:Item2]\r\nName=two\r\n[Page1:Item1999999999]\r\nName=far\r\n"
        "[Page2]\r\nItemCount=99999999999\r\n[Page2:Item1]\r\nName=p2\r\n[Page9]\r\nName=nine\r\n";
    LoadFrom(text);
    ASSERT_EQ(3, GetPageCount());
    EXPECT_EQ(L"huge", std::wstring(GetPageName(0)));
    EXPECT_EQ(L"ページ &2", std::wstring(GetPageName(1)));
    EXPECT_EQ(L"nine", std::wstring(GetPageName(2)));
    ASSERT_EQ(3, GetItemCount(0));
    EXPECT_EQ(L"one", std::wstring(GetItemName(0, 0)));
    EXPECT_EQ(L"two", std::wstring(GetItemName(0, 1)));
    EXPECT_EQ(L"far", std::wstring(GetItemName(0, 2)));
    ASSERT_EQ(1, GetItemCount(1)) << "99999999999 reads as 1215752191";
    EXPECT_EQ(L"p2", std::wstring(GetItemName(1, 0)));
    EXPECT_EQ(0, GetItemCount(2));

    // 40 pages asking for 3 items each, with no item section anywhere: the first
    // ten get their empty items (30 of the 32), the rest none.
    text = "[Launcher]\r\nPageCount=40\r\n";
    for (int n = 1; n <= 40; ++n)
        text += "[Page" + std::to_string(n) + "]\r\nItemCount=3\r\n";
    ResetLauncherData();
    SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
    LoadFrom(text);
    ASSERT_EQ(40, GetPageCount());
    int items = 0;
    for (int p = 0; p < 40; ++p) {
        EXPECT_EQ(p < 10 ? 3 : 0, GetItemCount(p)) << p;
        items += GetItemCount(p);
    }
    EXPECT_EQ(30, items);

    // No page section and a corrupted count: the one default page.
    ResetLauncherData();
    SetSettingsFolder(wintest::Wide(folder_.path()).c_str());
    LoadFrom("[Launcher]\r\nPageCount=100000\r\n");
    ASSERT_EQ(1, GetPageCount());
    EXPECT_EQ(L"ページ &1", std::wstring(GetPageName(0)));

    ImageList_Destroy(livePanel->largeImageList);
    ImageList_Destroy(livePanel->smallImageList);
    livePanel = nullptr;
}

TEST_F(SettingsFileTest, AnItemWithoutIconGetsMinusOne)
{
    InitCommonControls();
    PanelRecord record;
    livePanel = &record;
    HWND results = wintest::TakeResults(record);
    livePanel->largeImageList = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 0);
    livePanel->smallImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
    LoadFrom(
        "[Launcher]\r\nPageCount=2\r\n[Page1]\r\nItemCount=2\r\n[Page1:Item1]\r\nPath=\"C:\\windows\\notepad.exe\"\r\n"
        "[Page1:Item2]\r\nPath=\"C:\\no such folder\\x.exe\"\r\n[Page2]\r\nItemCount=1\r\n"
        "[Page2:Item1]\r\nIconPath=\"C:\\windows\\system32\\shell32.dll\"\r\nIconIndex=3\r\n");
    EXPECT_EQ(kImageNotMade, GetItemImageIndex(1, 0)) << "icons wait for their page";
    EXPECT_EQ(0, ImageList_GetImageCount(livePanel->largeImageList));
    MakePageIcons(0);
    MakePageIcons(1);
    MakePageIcons(1);
    ASSERT_TRUE(wintest::PumpUntilWorkersDone());
    EXPECT_EQ(0, GetItemImageIndex(0, 0));
    EXPECT_EQ(-1, GetItemImageIndex(0, 1));
    EXPECT_EQ(2, GetItemImageIndex(1, 0)) << "each item has its own slot, kept when its icon arrives";
    EXPECT_EQ(3, ImageList_GetImageCount(livePanel->largeImageList));
    EXPECT_EQ(3, ImageList_GetImageCount(livePanel->smallImageList));
    DestroyWindow(results);
    ImageList_Destroy(livePanel->largeImageList);
    ImageList_Destroy(livePanel->smallImageList);
    livePanel = nullptr;
}

TEST_F(SettingsFileTest, LoadingAgainReplacesThePages)
{
    LoadFrom("[Launcher]\r\nPageCount=2\r\n[Page1]\r\nItemCount=1\r\n");
    SetCurrentPage(1);
    LoadSettings();
    EXPECT_EQ(2, GetPageCount());
    EXPECT_EQ(1, GetItemCount(0));
    EXPECT_EQ(0, GetCurrentPage());
}

TEST_F(SettingsFileTest, NoSettingsPathReadsAndWritesNothing)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const std::string places[] = {std::string(current) + "\\Dockmere.ini", "C:\\Dockmere.ini", "C:\\windows\\Dockmere.ini"};
    SetCurrentDirectoryA(folder_.path().c_str());
    wintest::WriteFileBytes(ini_, "[Launcher]\r\nPageCount=3\r\n");
    for (const wchar_t* folder : {L"", static_cast<const wchar_t*>(nullptr)}) {
        ResetLauncherData();
        SetSettingsFolder(folder);
        EXPECT_EQ(L"", launcherData.iniPath);
        LoadSettings();
        EXPECT_EQ(1, GetPageCount()) << "defaults, not a file found by a relative name";
        AddPage();
        SaveSettings();
    }
    SetCurrentDirectoryA(current);
    for (const std::string& place : places)
        EXPECT_FALSE(wintest::FileExists(place)) << place;
    EXPECT_EQ(1u, FolderEntries(folder_.path()).size());
    EXPECT_EQ("[Launcher]\r\nPageCount=3\r\n", Read(ini_));
}

TEST_F(SettingsFileTest, AFolderTooLongForThePathGivesNoPath)
{
    std::wstring folder = L"C:\\" + std::wstring(32767 - 16, L'f');  // + "\Dockmere.ini" = 32,767
    SetSettingsFolder(folder.c_str());
    EXPECT_EQ(folder + L"\\Dockmere.ini", launcherData.iniPath);
    folder += L'f';
    SetSettingsFolder(folder.c_str());
    EXPECT_EQ(L"", launcherData.iniPath);
    LoadSettings();
    EXPECT_EQ(1, GetPageCount());
    SaveSettings();
    EXPECT_EQ(L"", launcherData.iniPath);
}

class AtomicSaveTest : public SettingsFileTest {
protected:
    void SetUp() override
    {
        SettingsFileTest::SetUp();
        LoadSettings();
        SaveSettings();
        old_ = Read(ini_);
        ASSERT_EQ(kDefaultFile, old_);
        AddPage();
        SetPageName(0, L"changed");
        temp_ = ini_ + ".tmp";
    }

    std::string old_;
    std::string temp_;
};

TEST_F(AtomicSaveTest, ASuccessfulSaveLeavesOnlyTheNewFile)
{
    SaveSettings();
    EXPECT_NE(old_, Read(ini_));
    EXPECT_NE(std::string::npos, Read(ini_).find("Name=\"changed\""));
    EXPECT_EQ(std::vector<std::string>{"Dockmere.ini"}, FolderEntries(folder_.path()));
}

TEST_F(AtomicSaveTest, NoTemporaryFileLeavesTheOldFileAsItWas)
{
    ASSERT_TRUE(CreateDirectoryA(temp_.c_str(), nullptr));
    SaveSettings();
    EXPECT_EQ(old_, Read(ini_));
    EXPECT_EQ(2u, FolderEntries(folder_.path()).size());
    RemoveDirectoryA(temp_.c_str());
}

DWORD WINAPI ReleaseAfterAMoment(LPVOID handle)
{
    Sleep(300);
    return CloseHandle(handle);
}

TEST_F(AtomicSaveTest, AFailedReplaceLeavesTheOldFileAndNoTemporaryFile)
{
    // Another program holds the file open without FILE_SHARE_DELETE: the rename fails.
    HANDLE holder = CreateFileA(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(old_, Read(ini_));
    EXPECT_EQ(std::vector<std::string>{"Dockmere.ini"}, FolderEntries(folder_.path()));
    // Held for a moment only, as by a scanner: the refused rename waits it out.
    HANDLE releaser = CreateThread(nullptr, 0, ReleaseAfterAMoment, holder, 0, nullptr);
    EXPECT_TRUE(SaveSettings());
    WaitForSingleObject(releaser, 5000);
    CloseHandle(releaser);
}

TEST_F(AtomicSaveTest, AReadOnlyFileStaysAsItIs)
{
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY);
    SaveSettings();
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(old_, Read(ini_));
    EXPECT_EQ(std::vector<std::string>{"Dockmere.ini"}, FolderEntries(folder_.path()));
}

TEST_F(AtomicSaveTest, AFileThatCouldNotBeReadIsNotReplacedByDefaults)
{
    wintest::WriteFileBytes(ini_, "[Launcher]\r\nPageCount=2\r\n");
    HANDLE holder = CreateFileA(ini_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    LoadSettings();
    CloseHandle(holder);
    EXPECT_EQ(1, GetPageCount()) << "the defaults";
    SaveSettings();
    EXPECT_EQ("[Launcher]\r\nPageCount=2\r\n", Read(ini_));

    // The next load that can read it saves again.
    LoadSettings();
    EXPECT_EQ(2, GetPageCount());
    SaveSettings();
    EXPECT_NE(std::string::npos, Read(ini_).find("[Page2]"));
}

// Texts CP932 cannot hold, kept exactly in a companion key beside their CP932 key.
// The file is written as the records write it (the value quoted, the companion
// after it) and read back by the platform's profile functions in a CP932 process.
class ExactFileTextTest : public ::testing::Test {
protected:
    struct Case {
        const wchar_t* exact;
        const char* fallback;  // nullptr: none (the lossy form)
        const char* value;     // the CP932 key's expected value
        size_t companionParts;
    };

    static std::string Quoted(const std::string& value) { return "\"" + value + "\""; }

    wintest::TempFolder folder_;
};

TEST_F(ExactFileTextTest, NamesComeBackExactlyAndTheCP932KeyStaysWhatOlderReadersUse)
{
    ASSERT_EQ(932u, GetACP());
    const std::wstring longKorean = std::wstring(101, L'한') + L" " + std::wstring(150, L'한') + L"  ";
    const std::wstring longJapanese(600, L'表');  // exact in CP932, but 1,200 bytes
    const Case cases[] = {
        {L"ツール〜改.exe", nullptr, "ツール?改.exe", 1},  // U+301C has only a best fit (81 60)
        {L"Café.exe", nullptr, "Caf?.exe", 1},           // never "Cafe.exe"
        {L"C:\\Café.exe", "C:\\CAF_~BGO.EXE", "C:\\CAF_~BGO.EXE", 1},  // as README.md shows it
        {L"한글.exe", nullptr, "??.exe", 1},
        {L"简体中文.exe", nullptr, "?体中文.exe", 1},    // 体 is in CP932, 简 is not
        {L"🚀Launch.exe", nullptr, "??Launch.exe", 1},  // a surrogate pair
        {L"𠮷野家.exe", nullptr, "??野家.exe", 1},
        {L"¥ ` tab\there é ", nullptr, "? ` tab\there ? ", 1},  // ¥ must not become '\'
        {L"表計算ソフト.exe", nullptr, "表計算ソフト.exe", 0},   // plain CP932: no companion
        {L"  ページ &1 ", nullptr, "  ページ &1 ", 0},
        {longKorean.c_str(), nullptr, nullptr, 3},  // parts that end in spaces
        {longJapanese.c_str(), nullptr, nullptr, 3},
    };
    std::string ini = folder_.File("Dockmere.ini");
    IniDocument doc;
    std::vector<FileText> written;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::string section = "Page1:Item" + std::to_string(i + 1);
        FileText text = MakeFileText(c.exact, c.fallback ? c.fallback : "");
        if (c.value) {
            EXPECT_EQ(Escape(c.value), Escape(text.value)) << i;
        }
        EXPECT_LE(text.value.size(), 519u) << i;
        EXPECT_EQ(c.companionParts, text.companion.size()) << i;
        doc.Write(section, "Name", Quoted(text.value));
        WriteCompanion(&doc, section, "Name", text.companion);
        doc.Write(section, "PosX", "-1");
        written.push_back(text);
    }
    std::string bytes = doc.Serialize();
    EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0), 0)
        << "the whole file is CP932";
    EXPECT_NE(std::string::npos, bytes.find("[Page1:Item2]\r\nName=\"Caf?.exe\"\r\nNameW="));
    EXPECT_NE(std::string::npos, bytes.find("Name=\"C:\\CAF_~BGO.EXE\"\r\nNameW=32655CF3:C:\\Caf`00E9.exe\r\n"));

    inioracle::ProfileFile file(ini, bytes);
    IniDocument parsed = IniDocument::Parse(bytes);
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string section = "Page1:Item" + std::to_string(i + 1);
        // The platform reads the CP932 value and every companion part back as written.
        std::string value = file.GetWineString(section, "Name", "-");
        EXPECT_EQ(Escape(written[i].value), Escape(value)) << i;
        std::vector<std::string> companion;
        for (size_t part = 1; part <= written[i].companion.size(); ++part) {
            companion.push_back(file.GetWineString(section, CompanionKeyName("Name", part), "-"));
            EXPECT_EQ(Escape(written[i].companion[part - 1]), Escape(companion.back())) << i << " part " << part;
        }
        EXPECT_EQ(std::wstring(cases[i].exact), ReadFileText(value, companion)) << i;
        EXPECT_EQ(std::wstring(cases[i].exact),
                  ReadFileText(parsed.GetString(section, "Name", ""), ReadCompanion(parsed, section, "Name")))
            << i;
        EXPECT_EQ(-1, file.GetInt(section, "PosX", 0)) << i << ": the keys after the companion";
    }
}

TEST_F(ExactFileTextTest, AChangedOrBrokenFileMakesTheCP932KeyWin)
{
    const std::wstring exact = std::wstring(120, L'한') + L"〜.exe";
    FileText text = MakeFileText(exact, "C:\\KOREAN~1.EXE");
    ASSERT_EQ(2u, text.companion.size());
    auto file = [&](const std::string& value, const std::vector<std::string>& companion) {
        IniDocument doc;
        doc.Write("Page1:Item1", "Path", Quoted(value));
        WriteCompanion(&doc, "Page1:Item1", "Path", companion);
        return doc.Serialize();
    };
    auto read = [](const std::string& bytes) {
        IniDocument doc = IniDocument::Parse(bytes);
        return ReadFileText(doc.GetString("Page1:Item1", "Path", ""), ReadCompanion(doc, "Page1:Item1", "Path"));
    };
    ASSERT_EQ(exact, read(file(text.value, text.companion)));

    std::vector<std::string> brokenEscape = text.companion;
    brokenEscape[1].replace(brokenEscape[1].size() - 8, 1, "G");  // "`G01C": not four hex digits
    std::vector<std::string> nul = text.companion;
    nul[1].replace(nul[1].size() - 9, 5, "`0000");
    std::vector<std::string> badCount = text.companion;
    badCount[0].replace(8, 2, "/1");
    struct Edit {
        const char* what;
        std::string bytes;
        std::wstring expected;
    } edits[] = {
        {"a hand-edited value", file("C:\\Tools\\other.exe", text.companion), L"C:\\Tools\\other.exe"},
        {"only its case changed", file("c:\\korean~1.exe", text.companion), L"c:\\korean~1.exe"},
        {"an older version's save", file(text.value, {}), L"C:\\KOREAN~1.EXE"},
        {"a part missing", file(text.value, {text.companion[0]}), L"C:\\KOREAN~1.EXE"},
        {"a broken escape", file(text.value, brokenEscape), L"C:\\KOREAN~1.EXE"},
        {"an escaped NUL", file(text.value, nul), L"C:\\KOREAN~1.EXE"},
        {"a wrong part count", file(text.value, badCount), L"C:\\KOREAN~1.EXE"},
        {"a header of blanks", file(text.value, {"        :x"}), L"C:\\KOREAN~1.EXE"},
    };
    for (const Edit& edit : edits)
        EXPECT_EQ(edit.expected, read(edit.bytes)) << edit.what;
}

TEST(Cp932, CutsAndExactFormsFollowCodePage932)
{
    // 0x5C trail byte of ソ, then a lead byte that would be cut off its trail byte.
    std::string text = std::string(517, 'a') + "ソ表";
    EXPECT_EQ(519u, Cp932CutLength(text));
    EXPECT_EQ(518u, Cp932CutLength(std::string(518, 'a') + "表"));
    EXPECT_EQ(3u, Cp932CutLength(std::string("abc\x81", 4))) << "a lone lead byte at the end goes";

    std::string cp932;
    EXPECT_TRUE(ExactCp932(L"～表ｱ", &cp932));  // U+FF5E is 81 60 both ways
    EXPECT_EQ("～表ｱ", cp932);
    for (const wchar_t* lossy : {L"〜", L"é", L"¥", L"\U0001F680", L"\xD800"}) {
        EXPECT_FALSE(ExactCp932(lossy, &cp932)) << Escape(LossyCp932(lossy));
        EXPECT_EQ(std::string(wcslen(lossy), '?'), LossyCp932(lossy));
    }
    EXPECT_EQ(L"表ソ ｱ", WideFromCp932("表ソ ｱ"));
    std::wstring wide;
    EXPECT_FALSE(WideFromValidCp932("\x85\x40", &wide)) << "a sequence CP932 does not define";
}

}  // namespace
