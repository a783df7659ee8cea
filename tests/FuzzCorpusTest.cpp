// The fuzzer's corpus replayed under Wine: every file of tests/ini-corpus and
// tests/fuzz-corpus (the seeds, and every input the fuzzer ever found breaking
// something) goes through the same checks as in scripts/fuzz.sh, built by the
// product's own compiler, and through the real load and save.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/IniDocument.h"
#include "data/LauncherData.h"
#include "data/SettingsFile.h"
#include "SettingsInvariants.h"
#include "WinTest.h"

namespace {

struct CorpusFile {
    std::string name;
    std::string bytes;
};

std::vector<CorpusFile> ReadCorpus(const std::string& folderName)
{
    std::vector<CorpusFile> files;
    std::string folder = wintest::ProgramFolder() + folderName;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.cFileName[0] == '.')
            continue;
        CorpusFile file;
        file.name = folderName + "/" + data.cFileName;
        if (wintest::ReadFileBytes(folder + "\\" + data.cFileName, &file.bytes))
            files.push_back(file);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(files.begin(), files.end(), [](const CorpusFile& a, const CorpusFile& b) { return a.name < b.name; });
    return files;
}

std::vector<CorpusFile> AllCorpusFiles()
{
    std::vector<CorpusFile> files = ReadCorpus("ini-corpus");
    std::vector<CorpusFile> found = ReadCorpus("fuzz-corpus");
    files.insert(files.end(), found.begin(), found.end());
    return files;
}

// The text of a corpus file: what comes before its script of writes.
std::string SettingsText(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\xFF'));
}

TEST(FuzzCorpusTest, BothCorpusFoldersAreThere)
{
    EXPECT_FALSE(ReadCorpus("ini-corpus").empty());
    EXPECT_FALSE(ReadCorpus("fuzz-corpus").empty());
}

TEST(FuzzCorpusTest, EveryFileKeepsTheReadersProperties)
{
    for (const CorpusFile& file : AllCorpusFiles()) {
        std::vector<std::string> faults = settingsfuzz::CheckSettingsInvariants(file.bytes);
        std::string all;
        for (const std::string& fault : faults)
            all += "\n  " + fault;
        EXPECT_TRUE(faults.empty()) << file.name << ":" << all;
    }
}

// Found by the fuzzer: a section named "" is written without its header, so its
// keys join the section before it for every later reader and write. The bytes
// and answers after each write are the platform's.
TEST(FuzzCorpusTest, WritesAfterASectionNamedEmptyAreThePlatforms)
{
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } writes[] = {
        {"A", "k", "1\r\n[]\r\ny=2"},
        {"A", "m", "3"},
        {"A", "y", "5"},
        {"B", "n", "6"},
    };
    wintest::TempFolder folder;
    const std::string path = folder.File("profile.ini");
    ASSERT_TRUE(wintest::WriteFileBytes(path, "[A]\r\nx=1\r\n"));
    IniDocument doc = IniDocument::Parse("[A]\r\nx=1\r\n");
    for (const auto& w : writes) {
        ASSERT_TRUE(WritePrivateProfileStringA(w.section, w.key, w.value, path.c_str()));
        doc.Write(w.section, w.key, w.value);
        std::string file;
        ASSERT_TRUE(wintest::ReadFileBytes(path, &file));
        EXPECT_EQ(file, doc.Serialize()) << "after writing " << w.key;
        char answer[64] = {};
        GetPrivateProfileStringA("A", "y", "none", answer, sizeof answer, path.c_str());
        EXPECT_EQ(answer, doc.GetString("A", "y", "none")) << "after writing " << w.key;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// A text read from bytes CP932 does not define (a lone lead byte before the
// closing quote, say): they come in as U+30FB, which the save writes as its own
// CP932 form, so the first save changes such a text once (see SettingsInvariants.cpp).
bool HoldsUndefinedBytes(const std::wstring& text)
{
    return text.find(L'\x30FB') != std::wstring::npos || text.find(L'\xFFFD') != std::wstring::npos;
}

// Through the file: the load gives at least one page of terminated texts, and
// what it saves loads again and saves the same bytes.
TEST(FuzzCorpusTest, EveryFileLoadsAndSavesThroughTheFile)
{
    wintest::TempFolder folder;
    const std::string ini = folder.File("Dockmere.ini");
    for (const CorpusFile& file : AllCorpusFiles()) {
        ASSERT_TRUE(wintest::WriteFileBytes(ini, SettingsText(file.bytes)));
        ResetLauncherData();
        SetSettingsFolder(wintest::Wide(folder.path()).c_str());
        LoadSettings();
        ASSERT_GE(GetPageCount(), 1) << file.name;
        bool loneLead = false;
        auto check = [&](const std::wstring& text) {
            EXPECT_LE(text.size(), kMaxTextUnits) << file.name;
            loneLead = loneLead || HoldsUndefinedBytes(text);
        };
        for (int p = 0; p < GetPageCount(); ++p) {
            check(GetPageName(p));
            for (int i = 0; i < GetItemCount(p); ++i) {
                const LauncherItem& item = GetItem(p, i);
                for (const std::wstring* text : {&item.name, &item.path, &item.parameter, &item.workDir, &item.iconPath})
                    check(*text);
            }
        }
        std::string saved[3];
        for (std::string& bytes : saved) {
            SaveSettings();
            ASSERT_TRUE(wintest::ReadFileBytes(ini, &bytes)) << file.name;
            LoadSettings();
        }
        if (!loneLead) {
            EXPECT_TRUE(saved[0] == saved[1]) << file.name << ": saved, loaded and saved again, the file changed";
        }
        EXPECT_TRUE(saved[1] == saved[2]) << file.name << ": the saved file changes at every load and save";
    }
    ResetLauncherData();
}

}  // namespace
